#include "extract/item_images.h"

#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn {

namespace {

// The post ID comes from the page: keep it from naming another folder or a parent.
std::string SafeFileStem(const std::string& postIdCp932) {
    std::string stem = AnsiToUtf8(postIdCp932);
    for (char& c : stem) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32) {
            c = '_';
        }
    }
    if (stem.starts_with("..")) {
        for (std::size_t i = 0; i < stem.size() && stem[i] == '.'; ++i) {
            stem[i] = '_';
        }
    }
    return stem;
}

} // namespace

std::filesystem::path ImageFileName(const std::filesystem::path& folder, const std::string& postIdCp932, int k) {
    return folder / (SafeFileStem(postIdCp932) + "_" + std::to_string(k) + ".jpg");
}

void SaveItemImages(const ItemFields& fields, const ItemContext& context) {
    SaveItemImages(fields, context, [](const std::string& url, const std::filesystem::path& file) {
        DownloadFile(url, file);
    });
}

void SaveItemImages(const ItemFields& fields, const ItemContext& context, const ImageDownloader& download) {
    for (int k = 0; k < kMaxImages; ++k) {
        const std::string& url = fields[kFirstImageUrl + k];
        if (url.empty()) {
            return;
        }
        download(url, ImageFileName(context.imageDir, fields[kPostId], k));
        if (context.pause) {
            context.pause();
        }
        if (context.stopRequested && context.stopRequested()) {
            return;
        }
    }
}

} // namespace vorn
