#include "app/window/qt_prompt.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "app/window/window_texts.h"

namespace vorn {

namespace {

int ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& text, const QString& caption,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, caption, text, buttons, owner);
    // Error texts may quote the site or a file name: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // Set on the buttons themselves, so that they read the same whatever translation Qt has;
    // the mnemonics keep Y and N as the keyboard's answers.
    const std::pair<QMessageBox::StandardButton, const QString*> labels[] = {{QMessageBox::Yes, &texts::kYesButton},
                                                                             {QMessageBox::No, &texts::kNoButton},
                                                                             {QMessageBox::Ok, &texts::kOkButton}};
    for (const auto& [button, label] : labels) {
        if (QAbstractButton* shown = box.button(button)) {
            shown->setText(*label);
        }
    }
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

void QtPrompt::Dismiss() {
    dismissed_ = true;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

void QtPrompt::Information(QWidget* owner, const QString& text, const QString& caption) {
    if (dismissed_) {
        return;
    }
    ShowBox(owner, QMessageBox::Information, text, caption, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompt::Message(QWidget* owner, const QString& text) {
    if (dismissed_) {
        return;
    }
    ShowBox(owner, QMessageBox::NoIcon, text, texts::kTitle, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtPrompt::Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) {
    if (dismissed_) {
        return false;
    }
    const int answer = ShowBox(owner, QMessageBox::Question, text, caption, QMessageBox::Yes | QMessageBox::No,
                               yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void QtPrompt::Error(QWidget* owner, const QString& text) {
    if (dismissed_) {
        return;
    }
    ShowBox(owner, QMessageBox::Critical, text, texts::kTitle, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<SaveChoice> QtPrompt::SaveFileName(QWidget* owner, const QString& title, const QStringList& filters,
                                                 const QString& folder, const QString& fileName, int selectedFilter) {
    if (dismissed_) {
        return std::nullopt;
    }
    QFileDialog dialog(owner, title, folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(selectedFilter, filters.value(0)));
    // The name is taken as typed; the window adds the extension itself.
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return SaveChoice{dialog.selectedFiles().constFirst(),
                      static_cast<int>(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())))};
}

std::optional<QString> QtPrompt::BrowseFolder(QWidget* owner, const QString& title, const QString& folder) {
    if (dismissed_) {
        return std::nullopt;
    }
    QFileDialog dialog(owner, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    // Picks a folder that exists: no new folders, no renaming or deleting from the browser.
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::ReadOnly);
    if (auto* newFolder = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton"))) {
        newFolder->hide();
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void QtPrompt::OpenFile(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void QtPrompt::Attention(QWidget* window) {
    QApplication::beep();
    QApplication::alert(window, 0);
}

} // namespace vorn
