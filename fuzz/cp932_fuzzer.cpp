// The three code-page conversions on any bytes: both UTF-8 decoders and the CP932 reader. The
// direct paths of UTF8ToAnsi are held to the bytes of its character-by-character conversion.

#include "web/cp932.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <unicode/ustring.h>

#include "fuzz/fuzz_support.h"

namespace {

using vorn::fuzz::Require;

// ICU's own verdict on whether bytes are UTF-8 (surrogates, overlong forms and values past
// U+10FFFF refused).
bool IsValidUtf8(std::string_view text) {
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &error);
    return error == U_BUFFER_OVERFLOW_ERROR || error == U_STRING_NOT_TERMINATED_WARNING || U_SUCCESS(error);
}

bool HasFourByteSequence(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0xF0) {
            return true;
        }
    }
    return false;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool ascii = IsAscii(input);

    const std::string ansi = vorn::UTF8ToAnsi(input);
    Require(vorn::fuzz::IsWellFormedCp932(ansi), "UTF8ToAnsi gives whole CP932 characters");
    Require(!ascii || ansi == input, "UTF8ToAnsi keeps ASCII as it is");
    Require(ansi == vorn::detail::UTF8ToAnsiByCharacter(input),
            "UTF8ToAnsi gives the bytes of the character-by-character conversion");

    const std::string strict = vorn::Utf8LineToAnsiStrict(input);
    Require(vorn::fuzz::IsWellFormedCp932(strict), "the strict decoder gives whole CP932 characters");
    Require(!ascii || strict == input, "the strict decoder keeps ASCII as it is");
    const bool acceptable = IsValidUtf8(input) && !HasFourByteSequence(input);
    Require(input.empty() || strict.empty() != acceptable,
            "the strict decoder refuses a line exactly when it is not UTF-8 or holds a four-byte sequence");

    const std::string utf8 = vorn::AnsiToUtf8(input);
    Require(IsValidUtf8(utf8) && !HasFourByteSequence(utf8), "AnsiToUtf8 gives UTF-8 of the basic plane");
    Require(utf8.size() <= input.size() * 3, "each CP932 byte reads as one character at most");

    // One round through Unicode settles CP932 on Windows's preferred codes; a second round
    // must change nothing.
    const std::string settled = vorn::UTF8ToAnsi(utf8);
    Require(vorn::UTF8ToAnsi(vorn::AnsiToUtf8(settled)) == settled, "settled CP932 survives a round trip");
    return 0;
}
