#pragma once

#include <string>
#include <string_view>

namespace vorn {

// A cell's text (UTF-8) as the sheet's XML may hold it and every reader gives it back as written.
// A reader takes "_xHHHH_" for the character HHHH, so such text of the site's own has its "_"
// written as "_x005F_". Characters XML does not allow, and those it only tolerates (DEL, C1
// controls, noncharacters such as U+FFFE and U+FFFF), are written in that same form, as the
// library writes the C0 controls; a byte that is not UTF-8 becomes U+FFFD.
std::string WorkbookCellText(std::string_view utf8);

} // namespace vorn
