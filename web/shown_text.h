#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Text as the outputs that are ours show it (the workbook, the alerts, `changes`, the window's
// dialogs), never as the CSV of a crawl keeps it: every HTML character reference the CSV's
// cleaning leaves ("&quot;", "&#39;", "&hellip;", "&#x1F600;" ...) becomes its character. The
// crawl hands the store characters CP932 lacks as numeric references, so they come back here too.
// An "&" that begins no known reference stays as it is. UTF-8 in, UTF-8 out.
std::string ShownText(std::string_view utf8);
// The same for text of the engine (CP932).
std::string ShownTextOfAnsi(std::string_view cp932);

} // namespace vorn
