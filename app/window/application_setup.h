#pragma once

#include <QString>

namespace vorn {

// What the program sets on the application before its window exists: its name, the desktop
// entry it belongs to, and Qt's own Japanese texts for the standard dialogs and buttons. The
// tests that open real dialogs start the same way.
void SetUpApplication();

// Where the save dialog opens before any file was chosen, and where the folder browser opens:
// the desktop's standard folders, or the home folder where the desktop has none.
QString DocumentsFolder();
QString DesktopFolder();

} // namespace vorn
