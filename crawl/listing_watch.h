#pragma once

#include <string>

#include "extract/item_fields.h"
#include "extract/listing_text.h"

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

    // After the listing's page was read, before its photographs. text is filled only when
    // ReadsListingText says so.
    virtual Verdict Judge(const ItemFields& fields, const ListingText& text) = 0;
    // True when Judge reads the listing's texts as the site wrote them.
    virtual bool ReadsListingText() const { return false; }
    // After its photographs and before its row is written (written: it gets one), or after it was
    // passed over: the listing as read is kept, committed before the run goes on, so that every
    // row that reaches the output is in the store even when the run is killed right after.
    virtual void Recorded(const ItemFields& fields, const Verdict& verdict, bool written) = 0;
    // True when the rows carry the change column.
    virtual bool WithChangeColumn() const { return false; }
};

} // namespace vorn
