#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace vorn::cli {

// The run's progress bar and status line in a terminal. On a terminal one line is redrawn in
// place, cut to the terminal's width; elsewhere (cron mail, a log file) every new status is a
// line of its own. Never colours. Text is UTF-8.
class TerminalProgress {
public:
    // columns tells the terminal's width (0 when unknown); used only when redrawing in place.
    TerminalProgress(std::ostream& out, bool inPlace, std::function<int()> columns = {});

    void Init(int maximum);
    void Step();
    void ShowStatus(std::string_view statusUtf8);
    // A line of its own that stays above the progress line.
    void Note(std::string_view textUtf8);
    // Ends the progress line; later output starts on a fresh line.
    void Finish();

private:
    std::string ProgressLine() const;
    void Redraw();

    std::ostream& out_;
    bool inPlace_;
    std::function<int()> columns_;
    int maximum_ = 0;
    int position_ = 0;
    std::string status_;
    std::string lastPrinted_;
    bool lineOpen_ = false;
};

// Columns the text takes in a terminal: wide and full-width characters count two.
int DisplayWidth(std::string_view utf8);
// The longest start of the text, cut at a character, that fits the columns.
std::string FitToWidth(std::string_view utf8, int columns);

// The text with every control character (C0, DEL, C1) and every byte that is not UTF-8 made a
// "?": status texts carry names from the site, which must not drive the terminal.
std::string PrintableText(std::string_view utf8);
// PrintableText that keeps tab and line feed, for text of several lines laid out by them.
std::string PrintableLines(std::string_view utf8);

// Width of the terminal on that descriptor, 0 when it is not one.
int TerminalColumns(int fd);

} // namespace vorn::cli
