#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extract/item_context.h"
#include "extract/item_fields.h"

namespace vorn {

// Fetches the detail page into the scratch file, reads its 25 values and, when asked, saves the
// listing's photographs. A page that cannot be fetched gives fields with only the detail URL.
ItemFields ExtractItem(const ItemContext& context, const std::string& detailUrl);

// The reading part of ExtractItem on page lines already loaded (raw UTF-8 bytes, as in the
// file). Fills fields in place; field 24 is left as the caller set it. False when a stop request
// cut the reading short.
bool ParseItemLines(std::span<const std::string_view> rawLines, std::string_view baseUrl,
                    const std::function<bool()>& stopRequested, ItemFields& fields);
bool ParseItemLines(const std::vector<std::string>& rawLines, std::string_view baseUrl,
                    const std::function<bool()>& stopRequested, ItemFields& fields);

} // namespace vorn
