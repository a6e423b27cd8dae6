#include "app/cli/terminal_progress.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include <sys/ioctl.h>
#include <unistd.h>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace vorn::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr const char* kEraseToEnd = "\x1b[K";

int CharacterWidth(UChar32 c) {
    const auto width = static_cast<UEastAsianWidth>(u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH));
    return (width == U_EA_WIDE || width == U_EA_FULLWIDTH) ? 2 : 1;
}

// Walks the text a character at a time until the next one would pass the columns (a byte that
// does not decode counts one). Returns the bytes and the columns taken.
std::pair<std::size_t, int> FittingStart(std::string_view utf8, int columns) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t offset = 0;
    int used = 0;
    while (offset < length) {
        int32_t next = offset;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        const int width = c < 0 ? 1 : CharacterWidth(c);
        if (used + width > columns) {
            break;
        }
        used += width;
        offset = next;
    }
    return {static_cast<std::size_t>(offset), used};
}

} // namespace

namespace {

std::string Printable(std::string_view utf8, bool keepLayout) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    std::string printable;
    printable.reserve(utf8.size());
    for (int32_t offset = 0; offset < length;) {
        const int32_t start = offset;
        UChar32 c = 0;
        U8_NEXT(bytes, offset, length, c);
        const bool layout = keepLayout && (c == '\t' || c == '\n');
        if (!layout && (c < 0x20 || (c >= 0x7F && c <= 0x9F))) {
            printable += '?';
        } else {
            printable.append(utf8.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(offset - start)));
        }
    }
    return printable;
}

} // namespace

std::string PrintableText(std::string_view utf8) { return Printable(utf8, false); }

std::string PrintableLines(std::string_view utf8) { return Printable(utf8, true); }

int DisplayWidth(std::string_view utf8) { return FittingStart(utf8, INT_MAX).second; }

std::string FitToWidth(std::string_view utf8, int columns) {
    return std::string(utf8.substr(0, FittingStart(utf8, columns).first));
}

int TerminalColumns(int fd) {
    winsize size{};
    if (::isatty(fd) == 0 || ::ioctl(fd, TIOCGWINSZ, &size) != 0) {
        return 0;
    }
    return size.ws_col;
}

TerminalProgress::TerminalProgress(std::ostream& out, bool inPlace, std::function<int()> columns)
    : out_(out), inPlace_(inPlace), columns_(std::move(columns)) {}

void TerminalProgress::Init(int maximum) {
    maximum_ = std::max(maximum, 0);
    position_ = 0;
    if (inPlace_) {
        Redraw();
    }
}

void TerminalProgress::Step() {
    position_ = std::min(position_ + 1, maximum_);
    // A log gets the step with the search's status, which follows shortly.
    if (inPlace_) {
        Redraw();
    }
}

void TerminalProgress::ShowStatus(std::string_view statusUtf8) {
    status_ = PrintableText(statusUtf8);
    Redraw();
}

void TerminalProgress::Note(std::string_view textUtf8) {
    if (lineOpen_) {
        out_ << '\r' << kEraseToEnd;
    }
    out_ << textUtf8 << '\n';
    lineOpen_ = false;
    if (inPlace_) {
        Redraw();
    }
    out_.flush();
}

void TerminalProgress::Finish() {
    if (lineOpen_) {
        out_ << '\n';
        lineOpen_ = false;
    }
    out_.flush();
}

std::string TerminalProgress::ProgressLine() const {
    if (maximum_ <= 0) {
        return status_;
    }
    std::string line;
    if (inPlace_) {
        const int filled = static_cast<int>(static_cast<long long>(position_) * kBarWidth / maximum_);
        line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
    }
    line += std::to_string(position_) + "/" + std::to_string(maximum_);
    if (!status_.empty()) {
        line += "  " + status_;
    }
    return line;
}

void TerminalProgress::Redraw() {
    std::string line = ProgressLine();
    if (!inPlace_) {
        if (!line.empty() && line != lastPrinted_) {
            out_ << line << '\n';
            lastPrinted_ = line;
            out_.flush();
        }
        return;
    }
    const int columns = columns_ ? columns_() : 0;
    if (columns > 1) {
        // The last column stays free: writing into it makes some terminals wrap.
        line = FitToWidth(line, columns - 1);
    }
    out_ << '\r' << line << kEraseToEnd;
    out_.flush();
    lineOpen_ = true;
}

} // namespace vorn::cli
