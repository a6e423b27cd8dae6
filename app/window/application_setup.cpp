#include "app/window/application_setup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

namespace vorn {

namespace {

QString StandardFolderOrHome(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

} // namespace

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("vorn-search"));
    // No display name: Qt would append it to every dialog's caption. The main window sets the
    // program's title itself.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorn-search"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorn-search.png")));

    // The program speaks Japanese whatever the desktop's language, so Qt's dialogs do too.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

QString DocumentsFolder() { return StandardFolderOrHome(QStandardPaths::DocumentsLocation); }

QString DesktopFolder() { return StandardFolderOrHome(QStandardPaths::DesktopLocation); }

} // namespace vorn
