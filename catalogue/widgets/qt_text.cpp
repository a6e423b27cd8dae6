#include "catalogue/widgets/qt_text.h"

#include "web/cp932.h"

namespace vorn {

QString FromCp932(const std::string& cp932) { return QString::fromStdString(AnsiToUtf8(cp932)); }

std::string ToCp932(const QString& text) { return UTF8ToAnsi(text.toStdString()); }

} // namespace vorn
