#pragma once

#include <string>
#include <string_view>

namespace vorn {

// The program's code page. Linux has no system ANSI code page to ask, and the site and the
// CSV files are Japanese, so code page 0 means 932 everywhere.
inline constexpr unsigned kAnsiCodePage = 932;

// UTF-8 to CP932 exactly as Windows converts with WC_COMPOSITECHECK: malformed input becomes
// U+FFFD, a base character plus combining mark is precomposed where a precomposed form exists,
// then every character goes through Windows's own table (best fit included) and "?" stands
// for anything the table does not list. codePage 0 or 932 converts; 65001 returns the input.
std::string UTF8ToAnsi(std::string_view utf8, unsigned codePage = 0);

// True when UTF8ToAnsi keeps every ASCII byte of utf8 as it is and makes none but "?" out of
// anything else, so a marker of ASCII characters other than "?" is found in utf8 at the very
// characters where it is found after conversion. That holds when utf8 has no two-byte and no
// four-byte sequence: every non-ASCII character the table writes as ASCII (Latin letters, "!",
// "1") takes two bytes, and so does every mark that composes with an ASCII character.
bool AsciiSurvivesConversion(std::string_view utf8);

namespace detail {
// UTF8ToAnsi (code page 932) without its direct paths for ASCII and for well-formed text free of
// combining marks: every character goes through ICU's decoder, the precomposition and the
// table. Tests and the fuzzer hold the two to the same bytes.
std::string UTF8ToAnsiByCharacter(std::string_view utf8);
} // namespace detail

// The catalogue refresh's stricter decoder: a line holding a malformed or truncated sequence,
// or any four-byte sequence, converts to the empty text as a whole. No precomposition.
std::string Utf8LineToAnsiStrict(std::string_view utf8);

// CP932 to UTF-8 through Windows's reading table; a byte sequence without an entry reads as
// U+30FB, as Windows reads it. Used where engine text leaves the engine (database, terminal,
// widgets, URL encoding of the keyword).
std::string AnsiToUtf8(std::string_view cp932);

} // namespace vorn
