#include "extract/item_images.h"

#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn {

namespace {

// Room for "_k.jpg" and the download's temporary name beside the file within the 255 bytes a
// file name may have.
constexpr std::size_t kMaxStemBytes = 200;

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string CutUtf8(std::string text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

// The post ID comes from the page: keep it from naming another folder or a parent, and from
// making a name too long to create.
std::string SafeFileStem(const std::string& postIdCp932) {
    std::string stem = CutUtf8(AnsiToUtf8(postIdCp932), kMaxStemBytes);
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
    SaveItemImages(fields, context, [&context](const std::string& url, const std::filesystem::path& file) {
        const FetchResult result = FetchWithRetries(RetryPolicyOf(context), [&] { return DownloadFile(url, file); });
        if (context.fetched) {
            context.fetched(result);
        }
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
