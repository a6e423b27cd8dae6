#include "web/stand_ins.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include <unicode/utf8.h>

#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr UChar32 kPrivateUseFirst = 0xE000;
constexpr UChar32 kPrivateUseLast = 0xF8FF;
// CP932 maps U+E000 onwards to lead bytes F0 to F9, 188 trail bytes each (40-7E, 80-FC); the
// stand-ins use the 125 trail bytes from 80 on, so none can be taken for an ASCII marker.
constexpr std::size_t kTrailsPerLead = 188;
constexpr std::size_t kFirstHighTrail = 63;
constexpr std::size_t kHighTrailsPerLead = 125;

UChar32 StandInCodePoint(std::size_t index) {
    const std::size_t lead = index / kHighTrailsPerLead;
    const std::size_t trail = kFirstHighTrail + index % kHighTrailsPerLead;
    return kPrivateUseFirst + static_cast<UChar32>(lead * kTrailsPerLead + trail);
}

// The stand-in index a CP932 character (lead and trail byte) stands for, if it is one.
std::optional<std::size_t> StandInIndex(unsigned char lead, unsigned char trail) {
    if (lead < 0xF0 || lead > 0xF9 || trail < 0x80 || trail > 0xFC) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(lead - 0xF0) * kHighTrailsPerLead + (trail - 0x80);
}

// True for character c, written as sequence, that code page 932 would not give back unchanged,
// and for the page's own private-use characters, which the stand-ins would be mistaken for.
// Decided once per character of the basic plane for the thread's whole life: the tables never
// change.
bool NeedsStandIn(UChar32 c, std::string_view sequence) {
    const auto decide = [&] {
        return (c >= kPrivateUseFirst && c <= kPrivateUseLast) || AnsiToUtf8(UTF8ToAnsi(sequence)) != sequence;
    };
    if (c > 0xFFFF) {
        return decide();
    }
    enum : unsigned char { kUnknown, kNo, kYes };
    thread_local std::vector<unsigned char> decided(0x10000, kUnknown);
    unsigned char& known = decided[c];
    if (known == kUnknown) {
        known = decide() ? kYes : kNo;
    }
    return known == kYes;
}

// Where the next byte of 0x80 or above is (or the end), eight bytes at a time: most of a page is
// ASCII markup.
std::size_t NextNonAscii(std::string_view text, std::size_t at) {
    constexpr std::uint64_t kTop = 0x8080808080808080ULL;
    for (; text.size() - at >= 8; at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, 8);
        if ((word & kTop) != 0) {
            break;
        }
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) {
        ++at;
    }
    return at;
}

} // namespace

std::size_t StandIns::StandInFor(std::string_view original) {
    const auto known = indexOf_.find(std::string(original));
    if (known != indexOf_.end()) {
        return known->second;
    }
    if (originals_.size() == kCapacity) {
        return kCapacity;
    }
    const bool lost = UTF8ToAnsi(original) == "?";
    anyLost_ = anyLost_ || lost;
    originals_.push_back({std::string(original), lost});
    indexOf_.emplace(original, originals_.size() - 1);
    return originals_.size() - 1;
}

std::string StandIns::Replace(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    Walk(utf8, &out);
    return out;
}

void StandIns::Scan(std::string_view utf8) { Walk(utf8, nullptr); }

void StandIns::Walk(std::string_view utf8, std::string* out) {
    // Most of a page needs no stand-in: it is copied a stretch at a time.
    std::size_t plainFrom = 0;
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t at = 0; at < length;) {
        at = static_cast<int32_t>(NextNonAscii(utf8, static_cast<std::size_t>(at)));
        if (at == length) {
            break;
        }
        const int32_t start = at;
        UChar32 c = 0;
        // Most of a page's other characters are kana and kanji: three bytes whose lead is neither
        // E0 nor ED (the two with limits on the next byte) are decoded here, the rest by ICU.
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && length - at >= 3 &&
            (static_cast<unsigned char>(utf8[at + 1]) & 0xC0) == 0x80 &&
            (static_cast<unsigned char>(utf8[at + 2]) & 0xC0) == 0x80) {
            c = static_cast<UChar32>(((lead & 0x0Fu) << 12) |
                                     ((static_cast<unsigned char>(utf8[at + 1]) & 0x3Fu) << 6) |
                                     (static_cast<unsigned char>(utf8[at + 2]) & 0x3Fu));
            at += 3;
        } else {
            U8_NEXT(utf8.data(), at, length, c);
        }
        if (c < 0) {
            continue; // malformed: left for the engine's own conversion
        }
        const std::string_view sequence = utf8.substr(start, at - start);
        const std::size_t index = NeedsStandIn(c, sequence) ? StandInFor(sequence) : kCapacity;
        if (index != kCapacity && out != nullptr) {
            out->append(utf8.substr(plainFrom, start - plainFrom));
            char stand[U8_MAX_LENGTH];
            int32_t written = 0;
            U8_APPEND_UNSAFE(stand, written, StandInCodePoint(index));
            out->append(stand, static_cast<std::size_t>(written));
            plainFrom = static_cast<std::size_t>(at);
        }
    }
    if (out != nullptr) {
        out->append(utf8.substr(plainFrom));
    }
}

std::string StandIns::Restore(std::string_view cp932) const { return Rewrite(cp932, As::Utf8); }

std::string StandIns::Referenced(std::string_view cp932) const { return Rewrite(cp932, As::References); }

std::string StandIns::Converted(std::string_view cp932) const { return Rewrite(cp932, As::Cp932); }

std::string StandIns::Rewrite(std::string_view cp932, As as) const {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    std::size_t plainFrom = 0;
    std::size_t at = 0;
    const auto flush = [&](std::size_t to) {
        if (to > plainFrom) {
            const std::string_view plain = cp932.substr(plainFrom, to - plainFrom);
            out += as == As::Utf8 ? AnsiToUtf8(plain) : std::string(plain);
        }
    };
    while (at < cp932.size()) {
        const auto lead = static_cast<unsigned char>(cp932[at]);
        if (!IsLeadByte(lead) || at + 1 >= cp932.size()) {
            ++at;
            continue;
        }
        const std::optional<std::size_t> index = StandInIndex(lead, static_cast<unsigned char>(cp932[at + 1]));
        if (index && *index < originals_.size()) {
            flush(at);
            const std::string& original = originals_[*index].utf8;
            if (as == As::References) {
                std::int32_t offset = 0;
                UChar32 c = 0;
                U8_NEXT(original.data(), offset, static_cast<std::int32_t>(original.size()), c);
                out += "&#" + std::to_string(c) + ";";
            } else {
                out += as == As::Utf8 ? original : UTF8ToAnsi(original);
            }
            plainFrom = at + 2;
        }
        at += 2;
    }
    flush(cp932.size());
    return out;
}

std::string StandIns::Unreferenced(std::string_view cp932, bool toUtf8) {
    std::string out;
    std::size_t plainFrom = 0;
    const auto flush = [&](std::size_t to) {
        const std::string_view plain = cp932.substr(plainFrom, to - plainFrom);
        out += toUtf8 ? AnsiToUtf8(plain) : std::string(plain);
    };
    for (std::size_t at = cp932.find("&#"); at != std::string_view::npos; at = cp932.find("&#", at + 1)) {
        const std::size_t end = cp932.find(';', at);
        if (end == std::string_view::npos || end - at < 3 || end - at > 9 ||
            cp932.find_first_not_of("0123456789", at + 2) != end) {
            continue;
        }
        const auto c = static_cast<UChar32>(std::stol(std::string(cp932.substr(at + 2, end - at - 2))));
        if (c > 0x10FFFF || U_IS_SURROGATE(c)) {
            continue;
        }
        char sequence[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(sequence, length, c);
        const std::string_view original(sequence, static_cast<std::size_t>(length));
        if (!NeedsStandIn(c, original)) {
            continue;
        }
        flush(at);
        out += toUtf8 ? std::string(original) : UTF8ToAnsi(original);
        plainFrom = end + 1;
    }
    flush(cp932.size());
    return out;
}

int StandIns::CountLost(std::string_view cp932) const {
    int lost = 0;
    for (std::size_t at = 0; at < cp932.size(); ++at) {
        const auto lead = static_cast<unsigned char>(cp932[at]);
        if (IsLeadByte(lead) && at + 1 < cp932.size()) {
            const std::optional<std::size_t> index = StandInIndex(lead, static_cast<unsigned char>(cp932[at + 1]));
            lost += index && *index < originals_.size() && originals_[*index].lost ? 1 : 0;
            ++at;
        }
    }
    return lost;
}

} // namespace vorn
