#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "app/window/prompt.h"
#include "app/window/qt_prompt.h"
#include "tests/window/dialog_reader.h"

namespace vorn::test {

// One thing the window asked of the person or the desktop.
struct PromptCall {
    enum class Kind { Information, Message, Question, Error, SaveFile, BrowseFolder, OpenFile, Attention };
    Kind kind = Kind::Information;
    QString text;    // message, dialog title, or the opened file
    QString caption; // message caption
    bool yesIsDefault = true;
    QString folder;  // where a file or folder dialog opened
    ShownBox shown;  // what the real box showed, with ShowRealBoxes
};

// Answers dialogs from queues filled by the test, and records every call. A dialog without a
// queued answer is a test failure (answered No / cancelled).
class ScriptedPrompt : public Prompt {
public:
    // before runs while the question is open, just before the answer.
    void QueueQuestion(bool yes, std::function<void()> before = {}) { questions_.push_back({yes, std::move(before)}); }
    // filter: the file type chosen, by its place in the dialog's list.
    void QueueSaveFile(std::optional<QString> path, int filter = 0) {
        saveFiles_.push_back(path ? std::optional<SaveChoice>(SaveChoice{*path, filter}) : std::nullopt);
    }
    void QueueFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }

    const std::vector<PromptCall>& calls() const { return calls_; }
    std::vector<PromptCall> CallsOf(PromptCall::Kind kind) const;
    // Message boxes only (information, plain message, question, error), in order.
    std::vector<PromptCall> Messages() const;
    bool AllAnswersUsed() const { return questions_.empty() && saveFiles_.empty() && folders_.empty(); }
    void ClearCalls() { calls_.clear(); }
    // From now on message boxes are the program's real ones, answered from the keyboard as a
    // person would (Return for OK, Y or N for a question); each call records what it showed.
    void ShowRealBoxes() { real_ = std::make_unique<QtPrompt>(); }

    void Information(QWidget* owner, const QString& text, const QString& caption) override;
    void Message(QWidget* owner, const QString& text) override;
    bool Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) override;
    void Error(QWidget* owner, const QString& text) override;
    std::optional<SaveChoice> SaveFileName(QWidget* owner, const QString& title, const QStringList& filters,
                                           const QString& folder, const QString& fileName, int selectedFilter) override;
    std::optional<QString> BrowseFolder(QWidget* owner, const QString& title, const QString& folder) override;
    void OpenFile(const QString& path) override;
    void Attention(QWidget* window) override;

    // What the save dialog was opened with, last time.
    QStringList lastSaveFilters;
    QString lastSaveFileName;
    int lastSaveFilter = -1;

private:
    struct QueuedAnswer {
        bool yes;
        std::function<void()> before;
    };

    void Record(PromptCall::Kind kind, const QString& text, const QString& caption = {}, bool yesIsDefault = true);
    // Shows the real box for the call just recorded and keeps what it showed.
    void ShowReal(const std::function<void()>& open, int key);

    std::vector<PromptCall> calls_;
    std::unique_ptr<QtPrompt> real_;
    std::deque<QueuedAnswer> questions_;
    std::deque<std::optional<SaveChoice>> saveFiles_;
    std::deque<std::optional<QString>> folders_;
};

} // namespace vorn::test
