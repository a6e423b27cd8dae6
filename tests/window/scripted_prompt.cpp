#include "tests/window/scripted_prompt.h"

#include <gtest/gtest.h>

namespace vorn::test {

std::vector<PromptCall> ScriptedPrompt::CallsOf(PromptCall::Kind kind) const {
    std::vector<PromptCall> found;
    for (const PromptCall& call : calls_) {
        if (call.kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<PromptCall> ScriptedPrompt::Messages() const {
    std::vector<PromptCall> found;
    for (const PromptCall& call : calls_) {
        if (call.kind == PromptCall::Kind::Information || call.kind == PromptCall::Kind::Message ||
            call.kind == PromptCall::Kind::Question || call.kind == PromptCall::Kind::Error) {
            found.push_back(call);
        }
    }
    return found;
}

void ScriptedPrompt::Record(PromptCall::Kind kind, const QString& text, const QString& caption, bool yesIsDefault) {
    PromptCall call;
    call.kind = kind;
    call.text = text;
    call.caption = caption;
    call.yesIsDefault = yesIsDefault;
    calls_.push_back(call);
}

void ScriptedPrompt::ShowReal(const std::function<void()>& open, int key) {
    // Other calls may come while the box is open.
    const std::size_t index = calls_.size() - 1;
    const ShownBox shown = AnswerBox(open, key);
    calls_[index].shown = shown;
}

void ScriptedPrompt::Information(QWidget* owner, const QString& text, const QString& caption) {
    Record(PromptCall::Kind::Information, text, caption);
    if (real_) {
        ShowReal([&] { real_->Information(owner, text, caption); }, Qt::Key_Return);
    }
}

void ScriptedPrompt::Message(QWidget* owner, const QString& text) {
    Record(PromptCall::Kind::Message, text);
    if (real_) {
        ShowReal([&] { real_->Message(owner, text); }, Qt::Key_Return);
    }
}

bool ScriptedPrompt::Question(QWidget* owner, const QString& text, const QString& caption, bool yesIsDefault) {
    Record(PromptCall::Kind::Question, text, caption, yesIsDefault);
    if (questions_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const QueuedAnswer answer = questions_.front();
    questions_.pop_front();
    if (answer.before) {
        answer.before();
    }
    if (!real_) {
        return answer.yes;
    }
    bool yes = false;
    ShowReal([&] { yes = real_->Question(owner, text, caption, yesIsDefault); }, answer.yes ? Qt::Key_Y : Qt::Key_N);
    EXPECT_EQ(yes, answer.yes) << "the key did not give its answer: " << text.toStdString();
    return yes;
}

void ScriptedPrompt::Error(QWidget* owner, const QString& text) {
    Record(PromptCall::Kind::Error, text);
    if (real_) {
        ShowReal([&] { real_->Error(owner, text); }, Qt::Key_Return);
    }
}

std::optional<SaveChoice> ScriptedPrompt::SaveFileName(QWidget*, const QString& title, const QStringList& filters,
                                                       const QString& folder, const QString& fileName,
                                                       int selectedFilter) {
    Record(PromptCall::Kind::SaveFile, title);
    calls_.back().folder = folder;
    lastSaveFilters = filters;
    lastSaveFileName = fileName;
    lastSaveFilter = selectedFilter;
    if (saveFiles_.empty()) {
        ADD_FAILURE() << "unexpected save dialog";
        return std::nullopt;
    }
    std::optional<SaveChoice> answer = saveFiles_.front();
    saveFiles_.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompt::BrowseFolder(QWidget*, const QString& title, const QString& folder) {
    Record(PromptCall::Kind::BrowseFolder, title);
    calls_.back().folder = folder;
    if (folders_.empty()) {
        ADD_FAILURE() << "unexpected folder browser";
        return std::nullopt;
    }
    std::optional<QString> answer = folders_.front();
    folders_.pop_front();
    return answer;
}

void ScriptedPrompt::OpenFile(const QString& path) { Record(PromptCall::Kind::OpenFile, path); }

void ScriptedPrompt::Attention(QWidget*) { Record(PromptCall::Kind::Attention, {}); }

} // namespace vorn::test
