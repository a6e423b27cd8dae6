#include "app/window/run_file_rules.h"

#include <QDir>
#include <QFile>

#include "app/core/run_conditions.h"
#include "app/window/window_texts.h"

namespace vorn {

namespace {

const QString kSeparator = QStringLiteral("/");

} // namespace

QString DefaultCsvFileName(int comboIndex, const QString& comboText) {
    if (comboIndex > 0) {
        return comboText + QStringLiteral("_") + texts::kDefaultFileName;
    }
    return texts::kDefaultFileName;
}

QString WithCsvExtension(const QString& path) { return WithExtension(path, QStringLiteral(".csv")); }

QString WithExtension(const QString& path, const QString& wanted) {
    const qsizetype nameStart = path.lastIndexOf(kSeparator) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= nameStart ? path.mid(dot) : QString();
    if (extension.compare(wanted, Qt::CaseInsensitive) == 0) {
        return path;
    }
    return path + wanted;
}

SaveTarget SaveTargetFor(const QString& path, int selectedType) {
    const QString name = path.mid(path.lastIndexOf(kSeparator) + 1);
    if (name.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        return {path, kSaveWorkbook};
    }
    if (name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        return {path, selectedType == kSaveCsvUtf8 ? kSaveCsvUtf8 : kSaveCsvCp932};
    }
    if (selectedType == kSaveWorkbook) {
        return {WithExtension(path, QStringLiteral(".xlsx")), kSaveWorkbook};
    }
    return {WithCsvExtension(path), selectedType == kSaveCsvUtf8 ? kSaveCsvUtf8 : kSaveCsvCp932};
}

QString InitialImageFolder() {
    return QFile::decodeName(
        QByteArray::fromStdString(WithFolderSeparator(QFile::encodeName(QDir::homePath()).toStdString())));
}

} // namespace vorn
