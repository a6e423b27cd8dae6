#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace vorn::test {

// What a person sees of a message box.
struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    bool onTop = false;
};

ShownBox ReadBox(const QMessageBox& box);

// Runs open, which shows a modal dialog and waits for it. Each modal widget that comes up
// meanwhile (a dialog, or a box the dialog opens in turn) is handed to handle once; handle
// reads it and answers it as a person would.
void WhileOpen(const std::function<void()>& open, const std::function<void(QWidget*)>& handle);

// Shows a message box through open and answers it with one key; what it showed.
ShownBox AnswerBox(const std::function<void()>& open, int key);

} // namespace vorn::test
