#include "web/stand_ins.h"

#include <optional>
#include <vector>

#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr char32_t kPrivateUseFirst = 0xE000;
constexpr char32_t kPrivateUseLast = 0xF8FF;
// CP932 maps U+E000 onwards to lead bytes F0 to F9, 188 trail bytes each (40-7E, 80-FC); the
// stand-ins use the 125 trail bytes from 80 on, so none can be taken for an ASCII marker.
constexpr std::size_t kTrailsPerLead = 188;
constexpr std::size_t kFirstHighTrail = 63;
constexpr std::size_t kHighTrailsPerLead = 125;

// The length of the well-formed UTF-8 sequence at text[at], 0 when it is not one.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

char32_t CodePoint(std::string_view sequence) {
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(sequence[i])); };
    switch (sequence.size()) {
    case 2:
        return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

char32_t StandInCodePoint(std::size_t index) {
    const std::size_t lead = index / kHighTrailsPerLead;
    const std::size_t trail = kFirstHighTrail + index % kHighTrailsPerLead;
    return kPrivateUseFirst + static_cast<char32_t>(lead * kTrailsPerLead + trail);
}

// The stand-in index a CP932 character (lead and trail byte) stands for, if it is one.
std::optional<std::size_t> StandInIndex(unsigned char lead, unsigned char trail) {
    if (lead < 0xF0 || lead > 0xF9 || trail < 0x80 || trail > 0xFC) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(lead - 0xF0) * kHighTrailsPerLead + (trail - 0x80);
}

// True for a character that code page 932 would not give back unchanged, and for the page's own
// private-use characters, which the stand-ins would be mistaken for. Decided once per character
// of the basic plane for the thread's whole life: the tables never change.
bool NeedsStandIn(std::string_view sequence) {
    const char32_t c = CodePoint(sequence);
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
    // Most of a page needs no stand-in: it is copied a stretch at a time.
    std::size_t plainFrom = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        if (static_cast<unsigned char>(utf8[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = SequenceLength(utf8, at);
        if (length == 0) {
            ++at;
            continue;
        }
        const std::string_view sequence = utf8.substr(at, length);
        const std::size_t index = NeedsStandIn(sequence) ? StandInFor(sequence) : kCapacity;
        if (index != kCapacity) {
            out.append(utf8.substr(plainFrom, at - plainFrom));
            AppendUtf8(out, StandInCodePoint(index));
            plainFrom = at + length;
        }
        at += length;
    }
    out.append(utf8.substr(plainFrom));
    return out;
}

std::string StandIns::Restore(std::string_view cp932) const {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    std::size_t plainFrom = 0;
    std::size_t at = 0;
    const auto flush = [&](std::size_t to) {
        if (to > plainFrom) {
            out += AnsiToUtf8(cp932.substr(plainFrom, to - plainFrom));
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
            out += originals_[*index].utf8;
            plainFrom = at + 2;
        }
        at += 2;
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
