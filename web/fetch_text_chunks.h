#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn::fetch {

// A page body is stored the way the old platform's text writes stored it: in chunks of 1000
// bytes counted from the start of the body, each cut at its first zero byte. Bytes may arrive in
// pieces of any size; the chunk boundaries stay where they are.
class TextChunkFilter {
public:
    static constexpr std::size_t kChunkBytes = 1000;

    // The bytes of data that are kept, in order.
    std::string Filter(std::string_view data);
    // The same bytes, appended to out.
    void AppendKept(std::string_view data, std::string& out);

private:
    std::size_t offsetInChunk_ = 0;
    bool chunkCut_ = false; // a zero byte was met in the current chunk
};

} // namespace vorn::fetch
