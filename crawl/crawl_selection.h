#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_lists.h"
#include "extract/csv_output.h"
#include "extract/row_sink.h"

namespace vorn {

// One snapshot of the window's choice, taken on the user-interface thread when a run starts.
// The controls stay disabled for the whole run, so the snapshot equals what they show.
struct CrawlSelection {
    std::string keyword;                  // txtWord (CP932, untrimmed)
    // The keyword as typed (UTF-8), when the front end has it: the search sends it in place of
    // keyword, which cannot hold every character.
    std::string keywordUtf8;
    bool allAreas = false;                // chkArea
    int areaComboIndex = 0;               // cmbArea: 0 prefectures, k cities of prefecture k
    std::string areaComboText;            // cmbArea's current item (CP932)
    std::vector<std::string> areaTexts;   // clstArea items (CP932)
    std::vector<bool> areaChecked;        // clstArea check marks
    bool allGenres = false;               // chkItem
    std::string ctgrIndexList;            // e.g. "0,15,16,"
    std::vector<GenreNode> genreNodes;    // every tree node in tree order
    bool saveImages = false;              // chkImgSave
    std::filesystem::path imageDir;       // txtDirPath, trimmed, an existing folder
    std::filesystem::path csvFileName;    // the output file
    bool appendOutput = false;            // rows after those already in csvFileName, one header
    // The file is made, emptied or appended to only when the first row comes: a run that writes
    // no row leaves an earlier file as it was.
    bool outputOnFirstRow = false;
    CsvEncoding csvEncoding = CsvEncoding::Cp932;
    bool countLostCharacters = false;     // in CP932: count the characters written as "?"
    // Set: the rows go to this output (the workbook the program made), written as csvFileName,
    // in place of the CSV; the encoding and appendOutput are then not used.
    std::shared_ptr<RowSink> rowSink;
};

} // namespace vorn
