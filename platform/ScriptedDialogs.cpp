#include "platform/ScriptedDialogs.h"

#include <QDialog>

namespace platform {

std::vector<QString> ScriptedDialogs::texts() const
{
    std::vector<QString> out;
    out.reserve(shown_.size());
    for (const Shown& box : shown_)
        out.push_back(box.text);
    return out;
}

bool ScriptedDialogs::popReply(Reply& reply)
{
    if (replies_.empty())
        return false;
    reply = std::move(replies_.front());
    replies_.pop_front();
    return true;
}

void ScriptedDialogs::showMessage(const QString& text, Severity severity)
{
    shown_.push_back({Kind::Message, {}, text, severity});
}

Answer ScriptedDialogs::askYesNo(const QString& text)
{
    shown_.push_back({Kind::YesNo, {}, text, Severity::Information});
    Reply reply;
    const Answer answer = popReply(reply) ? reply.answer : defaultAnswer;
    return answer == Answer::Cancel ? Answer::No : answer;
}

Answer ScriptedDialogs::askYesNoCancel(const QString& text)
{
    shown_.push_back({Kind::YesNoCancel, {}, text, Severity::Information});
    Reply reply;
    return popReply(reply) ? reply.answer : defaultAnswer;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& caption, const QString& prompt,
                                                 const QString& defaultText)
{
    shown_.push_back({Kind::Input, caption, prompt, Severity::Information});
    Reply reply;
    return popReply(reply) ? reply.text : std::nullopt;
}

int ScriptedDialogs::runModal(QDialog& dialog)
{
    shown_.push_back({Kind::Modal, dialog.windowTitle(), {}, Severity::Information});
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (onModal)
        onModal(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

} // namespace platform
