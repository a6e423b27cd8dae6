#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace vorn {

// What the user chose in the save dialog: the file, and the file type by its place in the list.
struct SaveChoice {
    QString path;
    int filter = 0;
};

// Everything the window asks of a person or of the desktop. The program shows real dialogs
// (QtPrompt); tests answer in place of a person.
class Prompt {
public:
    virtual ~Prompt() = default;

    // OK button, information icon, on top.
    virtual void Information(QWidget* owner, const QString& text, const QString& caption) = 0;
    // A plain box: the text and an OK button, captioned with the program's title, no icon.
    virtual void Message(QWidget* owner, const QString& text) = 0;
    // Yes and No, question icon, on top; true for Yes.
    virtual bool Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) = 0;
    // The display for an error that no handler expected; the command that raised it stops.
    virtual void Error(QWidget* owner, const QString& text) = 0;

    // The save dialog, opened in folder with fileName proposed and the first of filters chosen;
    // nothing when the user cancels.
    virtual std::optional<SaveChoice> SaveFileName(QWidget* owner, const QString& title, const QStringList& filters,
                                                   const QString& folder, const QString& fileName,
                                                   int selectedFilter) = 0;
    // The folder browser, opened at folder with nothing preselected; nothing when the user cancels.
    virtual std::optional<QString> BrowseFolder(QWidget* owner, const QString& title, const QString& folder) = 0;

    // Opens a file with the desktop's default program.
    virtual void OpenFile(const QString& path) = 0;
    // Beep and ask the desktop to draw the user's eye to the window.
    virtual void Attention(QWidget* window) = 0;
};

} // namespace vorn
