#pragma once

#include <string>
#include <vector>

#include "extract/item_fields.h"

namespace vorn {

// What the program around a run decides about each listing it reads, beside the row: which
// listings get a row and photographs, and the change a row carries. A run without one writes
// every listing it reads. Its calls touch the database, so a run makes them on the front end's
// thread, as it makes every front end call.
class ListingWatch {
public:
    virtual ~ListingWatch() = default;

    struct Verdict {
        bool write = true;  // a row, and its photographs when they are saved
        std::string change; // CP932 text of the row's change column; empty for none
    };

    // The listing keys of a results page, before any of its listings is read.
    virtual void Listed(const std::vector<std::string>& /*keys*/) {}
    // After the listing's page was read whole (served, its heading found, not cut by a stop),
    // before its photographs.
    virtual Verdict Judge(const ItemFields& fields) = 0;
    // A listing whose page was not read whole: it is not recorded, and the verdict says whether
    // it still gets the row of what was read.
    virtual Verdict JudgeUnread(const ItemFields& /*fields*/) { return {}; }
    // After either judgement: the listing was passed over (no row wanted), or its row was handed
    // to the output (written) or could not be (not written: it stays as it was known).
    virtual void Recorded(const ItemFields& fields, const Verdict& verdict, bool written) = 0;
    // The rows handed to the output since the last call reached the file (saved), or never will.
    // Only a row that reached the file counts as told: what was not saved is found again by the
    // next run.
    virtual void Delivered(bool /*saved*/) {}
    // A search of the run begins; searchLabel is the status line's name of it (CP932).
    virtual void SearchBegun(const std::string& /*searchLabel*/) {}
    // True when the rows carry the change column.
    virtual bool WithChangeColumn() const { return false; }
};

} // namespace vorn
