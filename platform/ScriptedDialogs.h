#pragma once

#include "platform/Dialogs.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// Dialogs for tests: records every box in the order shown and answers from a
// queue. With the queue empty, questions get defaultAnswer (No stands in for
// Cancel on a Yes/No question), input boxes are cancelled and modal windows are
// rejected unless onModal is set.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Message, YesNo, YesNoCancel, Input, Modal };

    struct Shown {
        Kind kind;
        QString caption; // input box caption or modal window title; empty otherwise
        QString text;    // message, question or input prompt
        Severity severity = Severity::Information; // of a message
    };

    // Next question answer.
    void answer(Answer reply) { replies_.push_back(Reply{reply, {}}); }
    // Next input box answer; nullopt cancels.
    void input(std::optional<QString> text) { replies_.push_back(Reply{Answer::Yes, std::move(text)}); }

    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<QString> texts() const;
    void clearShown() { shown_.clear(); }
    std::size_t pendingReplies() const { return replies_.size(); }

    Answer defaultAnswer = Answer::Cancel;
    // Drives a modal window while it is open (shown, not yet closed); its
    // result is the window's result once the callback returns.
    std::function<void(QDialog&)> onModal;

    void showMessage(const QString& text, Severity severity) override;
    Answer askYesNo(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    int runModal(QDialog& dialog) override;

private:
    struct Reply {
        Answer answer = Answer::Cancel;
        std::optional<QString> text;
    };
    bool popReply(Reply& reply);

    std::deque<Reply> replies_;
    std::vector<Shown> shown_;
};

} // namespace platform
