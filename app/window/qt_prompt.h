#pragma once

#include "app/window/prompt.h"

namespace vorn {

// The real dialogs: modal message boxes that stay on top, the file and folder dialogs, the
// desktop's opener, the beep and the taskbar's attention request.
class QtPrompt : public Prompt {
public:
    // From now on the program ends unasked: the open boxes and dialogs close unanswered, and any
    // later one answers at once as if so (No, nothing chosen).
    void Dismiss();

    void Information(QWidget* owner, const QString& text, const QString& caption) override;
    void Message(QWidget* owner, const QString& text) override;
    bool Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) override;
    void Error(QWidget* owner, const QString& text) override;
    std::optional<SaveChoice> SaveFileName(QWidget* owner, const QString& title, const QStringList& filters,
                                           const QString& folder, const QString& fileName, int selectedFilter) override;
    std::optional<QString> BrowseFolder(QWidget* owner, const QString& title, const QString& folder) override;
    void OpenFile(const QString& path) override;
    void Attention(QWidget* window) override;

private:
    bool dismissed_ = false;
};

} // namespace vorn
