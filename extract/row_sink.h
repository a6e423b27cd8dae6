#pragma once

#include <filesystem>
#include <string_view>

#include "extract/item_fields.h"

namespace vorn {

// Where a run's rows go when they do not go to a CSV file (the workbook). The program makes it,
// the run opens it, adds its rows in order and closes it, also after a stop or an error. Values
// are UTF-8, every character kept, cleaned as the CSV cleans them.
class RowSink {
public:
    virtual ~RowSink() = default;

    // withPhotos: the rows carry their first photograph. False when the file cannot be written.
    virtual bool Open(const std::filesystem::path& file, bool withPhotos) = 0;
    // firstPhoto: the listing's first saved photograph; empty when there is none.
    virtual bool AddRow(const ItemFields& valuesUtf8, std::string_view changeUtf8,
                        const std::filesystem::path& firstPhoto) = 0;
    // Writes the file; false when it could not be written whole.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
};

} // namespace vorn
