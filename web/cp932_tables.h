#pragma once

#include <cstdint>

// Windows's code page 932 tables as two-level lookups, generated into cp932_tables.cpp by
// tools/gen_cp932_tables.py. A page index holds page number + 1, 0 for a page without entries.
namespace vorn::cp932 {

inline constexpr std::uint16_t kNoEntry = 0xFFFF;

// UTF-16 code unit -> CP932: a value below 0x100 is one byte, otherwise lead byte << 8 | trail.
extern const std::uint8_t kWidePageIndex[256];
extern const std::uint16_t kWidePages[][256];

// CP932 -> UTF-16 code unit: single bytes, and double bytes paged by lead byte.
extern const std::uint16_t kSingleByteToWide[256];
extern const std::uint8_t kLeadPageIndex[256];
extern const std::uint16_t kDoubleByteToWide[][256];

} // namespace vorn::cp932
