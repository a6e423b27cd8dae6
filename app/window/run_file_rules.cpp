#include "app/window/run_file_rules.h"

#include <QDir>

#include "app/window/window_texts.h"

namespace vorn {

namespace {

bool IsBlank(QChar c) { return c.unicode() <= 32; }

const QString kSeparator = QStringLiteral("/");

} // namespace

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString DefaultCsvFileName(int comboIndex, const QString& comboText) {
    if (comboIndex > 0) {
        return comboText + QStringLiteral("_") + texts::kDefaultFileName;
    }
    return texts::kDefaultFileName;
}

QString WithCsvExtension(const QString& path) {
    const qsizetype nameStart = path.lastIndexOf(kSeparator) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= nameStart ? path.mid(dot) : QString();
    if (extension.compare(QStringLiteral(".csv"), Qt::CaseInsensitive) == 0) {
        return path;
    }
    return path + QStringLiteral(".csv");
}

QString WithTrailingSeparator(const QString& folder) {
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

QString InitialImageFolder() { return WithTrailingSeparator(QDir::homePath()); }

} // namespace vorn
