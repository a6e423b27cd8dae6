#include "tests/window/dialog_reader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace vorn::test {

ShownBox ReadBox(const QMessageBox& box) {
    ShownBox shown;
    shown.title = box.windowTitle();
    shown.text = box.text();
    shown.icon = box.icon();
    for (const QAbstractButton* button : box.buttons()) {
        shown.buttons << button->text();
    }
    if (const QPushButton* byDefault = box.defaultButton()) {
        shown.defaultButton = byDefault->text();
    }
    shown.onTop = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    return shown;
}

void WhileOpen(const std::function<void()>& open, const std::function<void(QWidget*)>& handle) {
    QList<QPointer<QWidget>> handled;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || handled.contains(modal)) {
            return;
        }
        handled << modal;
        handle(modal);
    });
    poll.start(10);
    open();
}

ShownBox AnswerBox(const std::function<void()>& open, int key) {
    ShownBox shown;
    bool seen = false;
    WhileOpen(open, [&](QWidget* modal) {
        // A box that comes up over this one is the nested call's own to answer.
        if (seen) {
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            ADD_FAILURE() << "not a message box: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        seen = true;
        shown = ReadBox(*box);
        QTest::keyClick(box, static_cast<Qt::Key>(key));
        // A key the box does not answer to would leave the test waiting for ever.
        QTimer::singleShot(5000, box, [box] {
            ADD_FAILURE() << "the box did not close on its key: " << box->text().toStdString();
            box->done(QMessageBox::Cancel);
        });
    });
    EXPECT_TRUE(seen) << "no message box came up";
    return shown;
}

} // namespace vorn::test
