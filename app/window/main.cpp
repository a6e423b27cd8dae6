#include <exception>

#include <QApplication>
#include <QIcon>

#include "app/core/instance_lock.h"
#include "app/core/program_dir.h"
#include "app/window/main_window.h"
#include "app/window/qt_prompt.h"
#include "app/window/window_texts.h"

int main(int argc, char* argv[]) {
    // Only one instance per user: a second start ends at once and shows nothing.
    const std::unique_ptr<vorn::InstanceLock> lock = vorn::InstanceLock::Acquire("Vorn_Search");
    if (!lock) {
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn-search"));
    QApplication::setApplicationDisplayName(vorn::texts::kTitle);
    // Lets the desktop match the taskbar progress to vorn-search.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorn-search"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vorn-search.png")));

    vorn::QtPrompt prompt;
    try {
        vorn::TFrmMain window(vorn::ProgramDir(), prompt);
        QObject::connect(&window, &vorn::TFrmMain::terminateRequested, &app, [] { QCoreApplication::exit(0); });
        window.FormCreate();
        window.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        prompt.Error(nullptr, QString::fromUtf8(error.what()));
    } catch (...) {
        prompt.Error(nullptr, QString());
    }
    return 0;
}
