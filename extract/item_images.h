#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "extract/item_context.h"
#include "extract/item_fields.h"

namespace vorn {

// The file a photograph is saved as: folder / (post ID + "_" + k + ".jpg"), with the post ID
// made safe for a file name (it comes from a web page). An ordinary post ID is kept as it is.
std::filesystem::path ImageFileName(const std::filesystem::path& folder, const std::string& postIdCp932, int k);

// Downloads image URLs 1..5 (fields 18..22, up to the first empty one), pausing after each and
// stopping after the current image when a stop is requested.
void SaveItemImages(const ItemFields& fields, const ItemContext& context);

// The same loop with the download itself supplied by the caller (tests count and name files).
using ImageDownloader = std::function<void(const std::string& url, const std::filesystem::path& file)>;
void SaveItemImages(const ItemFields& fields, const ItemContext& context, const ImageDownloader& download);

} // namespace vorn
