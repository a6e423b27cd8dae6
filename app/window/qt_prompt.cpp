#include "app/window/qt_prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace vorn {

namespace {

int ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& text, const QString& caption,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, owner);
    // Error texts may quote the site or a file name: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void QtPrompt::Information(QWidget* owner, const QString& text, const QString& caption) {
    ShowBox(owner, QMessageBox::Information, text, caption, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompt::Message(QWidget* owner, const QString& text) {
    ShowBox(owner, QMessageBox::NoIcon, text, QApplication::applicationDisplayName(), QMessageBox::Ok, QMessageBox::Ok);
}

bool QtPrompt::Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) {
    const int answer = ShowBox(owner, QMessageBox::Question, text, caption, QMessageBox::Yes | QMessageBox::No,
                               yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void QtPrompt::Error(QWidget* owner, const QString& text) {
    ShowBox(owner, QMessageBox::Critical, text, QApplication::applicationDisplayName(), QMessageBox::Ok,
            QMessageBox::Ok);
}

std::optional<QString> QtPrompt::SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                              const QString& fileName) {
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // The name is taken as typed; the window adds the extension itself.
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPrompt::BrowseFolder(QWidget* owner, const QString& title) {
    const QString folder = QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

void QtPrompt::OpenFile(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void QtPrompt::Attention(QWidget* window) {
    QApplication::beep();
    QApplication::alert(window, 0);
}

} // namespace vorn
