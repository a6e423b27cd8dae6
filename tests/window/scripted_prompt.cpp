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

void ScriptedPrompt::Information(QWidget*, const QString& text, const QString& caption) {
    calls_.push_back({PromptCall::Kind::Information, text, caption});
}

void ScriptedPrompt::Message(QWidget*, const QString& text) {
    calls_.push_back({PromptCall::Kind::Message, text, QString()});
}

bool ScriptedPrompt::Question(QWidget*, const QString& text, const QString& caption, bool yesIsDefault) {
    calls_.push_back({PromptCall::Kind::Question, text, caption, yesIsDefault});
    if (questions_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool yes = questions_.front();
    questions_.pop_front();
    return yes;
}

void ScriptedPrompt::Error(QWidget*, const QString& text) { calls_.push_back({PromptCall::Kind::Error, text, {}}); }

std::optional<QString> ScriptedPrompt::SaveFileName(QWidget*, const QString& title, const QString& filter,
                                                    const QString& fileName) {
    calls_.push_back({PromptCall::Kind::SaveFile, title, {}});
    lastSaveFilter = filter;
    lastSaveFileName = fileName;
    if (saveFiles_.empty()) {
        ADD_FAILURE() << "unexpected save dialog";
        return std::nullopt;
    }
    std::optional<QString> answer = saveFiles_.front();
    saveFiles_.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompt::BrowseFolder(QWidget*, const QString& title) {
    calls_.push_back({PromptCall::Kind::BrowseFolder, title, {}});
    if (folders_.empty()) {
        ADD_FAILURE() << "unexpected folder browser";
        return std::nullopt;
    }
    std::optional<QString> answer = folders_.front();
    folders_.pop_front();
    return answer;
}

void ScriptedPrompt::OpenFile(const QString& path) { calls_.push_back({PromptCall::Kind::OpenFile, path, {}}); }

void ScriptedPrompt::Attention(QWidget*) { calls_.push_back({PromptCall::Kind::Attention, {}, {}}); }

} // namespace vorn::test
