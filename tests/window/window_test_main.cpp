#include <QApplication>

#include <gtest/gtest.h>

#include "app/window/application_setup.h"

// Widget tests need a QApplication for the whole program; they run on the offscreen platform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program starts: the same names and Qt's Japanese texts in its dialogs.
    vorn::SetUpApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
