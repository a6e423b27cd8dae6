-- The catalogue database beside the program. Text is UTF-8; the program converts at its edge.

-- Keys of the listings seen in the current run; emptied when a run starts.
CREATE TABLE T00_DATA (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    UrlKey TEXT NOT NULL
);
CREATE INDEX T00_DATA_UrlKey ON T00_DATA (UrlKey);

-- Keys of every listing a run has read, across runs; dates are local YYYY-MM-DD.
-- The programs add the table to a database that lacks it (catalogue/statements.h holds the
-- same statement). The store of listings beside it (T21_ITEM to T24_ROW: each listing as last
-- read, the runs, the changes found, the rows written) is made by the programs when a run first
-- needs it (watch/store_statements.h).
CREATE TABLE IF NOT EXISTS T20_HIST (
    UrlKey TEXT PRIMARY KEY,
    FirstSeen TEXT NOT NULL,
    LastSeen TEXT NOT NULL
) WITHOUT ROWID;

-- The 47 prefectures; AreaAlpha is the prefecture's word in the site's URLs.
CREATE TABLE T01_AREA (
    AreaID INTEGER PRIMARY KEY,
    AreaName TEXT NOT NULL,
    AreaAlpha TEXT NOT NULL
);

-- Cities of each prefecture, numbered 1, 2, 3 ... in the site's order; CityCode "0" for a city
-- the site lists without a link.
CREATE TABLE T02_CITY (
    AreaID INTEGER NOT NULL,
    CityID INTEGER NOT NULL,
    CityCode TEXT NOT NULL,
    CityName TEXT NOT NULL,
    PRIMARY KEY (AreaID, CityID)
);

-- Genres (CtgrSubID 0) and their sub-genres (1, 2, 3 ...); CtgrCode is the genre's part of a
-- search path.
CREATE TABLE T10_CTGR (
    CtgrID INTEGER NOT NULL,
    CtgrSubID INTEGER NOT NULL,
    CtgrCode TEXT NOT NULL,
    CtgrName TEXT NOT NULL,
    PRIMARY KEY (CtgrID, CtgrSubID)
);
