#include "web/fetch_text_chunks.h"

namespace vorn::fetch {

std::string TextChunkFilter::Filter(std::string_view data) {
    std::string kept;
    AppendKept(data, kept);
    return kept;
}

void TextChunkFilter::AppendKept(std::string_view data, std::string& kept) {
    while (!data.empty()) {
        const std::string_view piece = data.substr(0, kChunkBytes - offsetInChunk_);
        if (!chunkCut_) {
            const std::size_t zero = piece.find('\0');
            kept.append(piece.substr(0, zero));
            chunkCut_ = zero != std::string_view::npos;
        }
        offsetInChunk_ += piece.size();
        if (offsetInChunk_ == kChunkBytes) {
            offsetInChunk_ = 0;
            chunkCut_ = false;
        }
        data.remove_prefix(piece.size());
    }
}

} // namespace vorn::fetch
