#include "app/cli/terminal_messages.h"

#include <iostream>

#include "app/cli/terminal_progress.h"
#include "web/cp932.h"

namespace vorn::cli {

std::string ForTerminal(const std::string& cp932) {
    std::string text = AnsiToUtf8(cp932);
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    // Messages carry names from the catalogue and the site, which must not drive the terminal.
    return PrintableLines(text);
}

int Fail(std::string_view text, int code) {
    std::cerr << "vorn-search-cli: " << PrintableLines(text) << '\n';
    return code;
}

int Refuse(const std::string& messageCp932, int code) {
    std::cerr << ForTerminal(messageCp932) << '\n';
    return code;
}

} // namespace vorn::cli
