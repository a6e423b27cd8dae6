#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "web/fetch_text_chunks.h"

namespace vorn::fetch {
namespace {

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

struct ChunkCase {
    const char* name;
    std::string body;
    std::string kept;
};

class TextChunkFilterTest : public testing::TestWithParam<ChunkCase> {};

// However the body is split on arrival, the chunk boundaries stay at multiples of 1000 bytes.
TEST_P(TextChunkFilterTest, KeepsTheSameBytesForEveryArrivalPattern) {
    const ChunkCase& c = GetParam();
    for (const std::size_t pieceSize :
         {std::size_t{1}, std::size_t{7}, std::size_t{999}, std::size_t{1000}, std::size_t{1001}, std::size_t{16384}}) {
        TextChunkFilter filter;
        std::string kept;
        for (std::size_t at = 0; at < c.body.size(); at += pieceSize) {
            kept += filter.Filter(std::string_view(c.body).substr(at, pieceSize));
        }
        EXPECT_EQ(kept, c.kept) << "pieces of " << pieceSize;
    }
}

std::string WithZeroAt(std::string text, std::size_t at) {
    text[at] = '\0';
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, TextChunkFilterTest,
    testing::Values(ChunkCase{"Text", "<html>\r\n<p>ok</p>\r\n", "<html>\r\n<p>ok</p>\r\n"}, ChunkCase{"Empty", "", ""},
                    ChunkCase{"LongTextKeptWhole", Repeat('t', 12345), Repeat('t', 12345)},
                    ChunkCase{"ZeroCutsOnlyItsOwnChunk", WithZeroAt(Repeat('a', 2500), 500), Repeat('a', 2000)},
                    ChunkCase{"ZeroFirstDropsTheWholeChunk", WithZeroAt(Repeat('a', 2000), 1000), Repeat('a', 1000)},
                    ChunkCase{"ZeroLastInChunk", WithZeroAt(Repeat('a', 1500), 999), Repeat('a', 1499)},
                    ChunkCase{"TwoZerosInOneChunk", WithZeroAt(WithZeroAt(Repeat('a', 1200), 800), 300),
                              Repeat('a', 500)},
                    ChunkCase{"ZeroInTheShortLastChunk", WithZeroAt(Repeat('a', 1010), 1005), Repeat('a', 1005)}),
    [](const testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vorn::fetch
