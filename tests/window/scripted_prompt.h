#pragma once

#include <deque>
#include <optional>
#include <vector>

#include <QString>

#include "app/window/prompt.h"

namespace vorn::test {

// One thing the window asked of the person or the desktop.
struct PromptCall {
    enum class Kind { Information, Message, Question, Error, SaveFile, BrowseFolder, OpenFile, Attention };
    Kind kind;
    QString text;    // message, dialog title, or the opened file
    QString caption; // message caption
    bool yesIsDefault = true;
};

// Answers dialogs from queues filled by the test, and records every call. A dialog without a
// queued answer is a test failure (answered No / cancelled).
class ScriptedPrompt : public Prompt {
public:
    void QueueQuestion(bool yes) { questions_.push_back(yes); }
    void QueueSaveFile(std::optional<QString> path) { saveFiles_.push_back(std::move(path)); }
    void QueueFolder(std::optional<QString> folder) { folders_.push_back(std::move(folder)); }

    const std::vector<PromptCall>& calls() const { return calls_; }
    std::vector<PromptCall> CallsOf(PromptCall::Kind kind) const;
    // Message boxes only (information, plain message, question, error), in order.
    std::vector<PromptCall> Messages() const;
    bool AllAnswersUsed() const { return questions_.empty() && saveFiles_.empty() && folders_.empty(); }
    void ClearCalls() { calls_.clear(); }

    void Information(QWidget* owner, const QString& text, const QString& caption) override;
    void Message(QWidget* owner, const QString& text) override;
    bool Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) override;
    void Error(QWidget* owner, const QString& text) override;
    std::optional<QString> SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                        const QString& fileName) override;
    std::optional<QString> BrowseFolder(QWidget* owner, const QString& title) override;
    void OpenFile(const QString& path) override;
    void Attention(QWidget* window) override;

    // What the save dialog was opened with, last time.
    QString lastSaveFilter;
    QString lastSaveFileName;

private:
    std::vector<PromptCall> calls_;
    std::deque<bool> questions_;
    std::deque<std::optional<QString>> saveFiles_;
    std::deque<std::optional<QString>> folders_;
};

} // namespace vorn::test
