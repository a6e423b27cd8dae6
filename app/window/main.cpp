#include <exception>

#include <QApplication>

#include "app/core/instance_lock.h"
#include "app/core/program_dir.h"
#include "app/window/application_setup.h"
#include "app/window/close_on_terminate.h"
#include "app/window/main_window.h"
#include "app/window/qt_prompt.h"

int main(int argc, char* argv[]) {
    // First of all, so that a SIGTERM during the start waits for the window instead of ending it.
    vorn::CloseOnTerminate closeOnTerminate;
    // Only one instance per user: a second start ends at once and shows nothing.
    const std::unique_ptr<vorn::InstanceLock> lock = vorn::InstanceLock::Acquire("Vorn_Search");
    if (!lock) {
        return 1;
    }
    QApplication app(argc, argv);
    vorn::SetUpApplication();

    vorn::QtPrompt prompt;
    try {
        vorn::TFrmMain window(vorn::ProgramDir(), prompt);
        QObject::connect(&window, &vorn::TFrmMain::terminateRequested, &app, [] { QCoreApplication::exit(0); });
        window.FormCreate();
        window.show();
        closeOnTerminate.Watch(window, [&prompt, &window] {
            prompt.Dismiss();
            window.ShutDown();
        });
        QApplication::exec();
    } catch (const std::exception& error) {
        prompt.Error(nullptr, QString::fromUtf8(error.what()));
    } catch (...) {
        prompt.Error(nullptr, QString());
    }
    return 0;
}
