#include "app/window/main_window.h"

#include "app/window/application_setup.h"
#include "app/window/history_dialog.h"

namespace vorn {

void TFrmMain::btnHistoryClick() {
    HistoryDialog dialog(db_, prompt_, lastCsvFolder_.isEmpty() ? DocumentsFolder() : lastCsvFolder_, this);
    dialog.exec();
}

} // namespace vorn
