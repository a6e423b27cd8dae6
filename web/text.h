#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Small operations on CP932 byte strings. Positions are byte offsets from 0. Every search that
// takes a marker matches only at a character boundary, so a marker whose first byte equals the
// trail byte of a two-byte character is never found inside that character.
namespace vorn {

inline constexpr std::size_t npos = std::string_view::npos;

// True for a CP932 lead byte (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);

// Removes leading and trailing bytes with codes up to 32.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);

// Removes every run from "<" to the next ">"; a "<" without a ">" after it stays.
std::string StripTags(std::string_view text);

// StripTags followed by Trim.
std::string CleanText(std::string_view text);

// Appends the non-empty pieces of text between delimiters to out (out is not emptied first).
void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& out);

// First occurrence of marker at or after from, at a character boundary; npos when absent.
// An empty marker is never found.
std::size_t FindText(std::string_view text, std::string_view marker, std::size_t from = 0);
bool ContainsText(std::string_view text, std::string_view marker);

// "The text from M": from the first occurrence of M (M included) to the end; empty when absent.
std::string_view TextFrom(std::string_view text, std::string_view marker);
// "The text before M": from the start up to the first occurrence of M; the whole text when absent.
std::string_view TextBefore(std::string_view text, std::string_view marker);

// Replaces every occurrence of from by to, ASCII letters compared without regard to case,
// matching at character boundaries, left to right without rescanning replaced text.
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);
// The same on text itself: true when something was replaced. Text without a match is left as
// it is, without a copy.
bool ReplaceAllNoCaseInPlace(std::string& text, std::string_view from, std::string_view to);
inline std::string RemoveAllNoCase(std::string_view text, std::string_view what) {
    return ReplaceAllNoCase(text, what, {});
}

// How far a run or a refresh has come, done of total, as the status line shows it after its
// label (CP932).
std::string ProgressCountText(int done, int total);

// True when text begins with prefix (plain bytes).
bool StartsWith(std::string_view text, std::string_view prefix);

} // namespace vorn
