#pragma once

#include <string>

#include <QString>

namespace vorn {

// The one crossing between engine text (CP932 bytes) and widget text.
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

} // namespace vorn
