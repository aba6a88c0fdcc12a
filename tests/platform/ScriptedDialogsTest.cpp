#include "platform/ScriptedDialogs.h"

#include <gmock/gmock.h>

#include <QDialog>

namespace {

using platform::Answer;
using platform::ScriptedDialogs;
using Kind = ScriptedDialogs::Kind;

TEST(ScriptedDialogsTest, AnswersInOrderThenFallsBackToDefault)
{
    ScriptedDialogs dialogs;
    dialogs.answer(Answer::Yes);
    dialogs.input(QStringLiteral("pasta"));
    dialogs.answer(Answer::Cancel);

    EXPECT_EQ(dialogs.askYesNoCancel("q1"), Answer::Yes);
    EXPECT_EQ(dialogs.inputBox("c", "p", ""), QStringLiteral("pasta"));
    // A scripted Cancel on a two-button question reads as No.
    EXPECT_EQ(dialogs.askYesNo("q2"), Answer::No);
    dialogs.message("m");
    EXPECT_EQ(dialogs.askYesNoCancel("q3"), Answer::Cancel);
    dialogs.defaultAnswer = Answer::Yes;
    EXPECT_EQ(dialogs.askYesNo("q4"), Answer::Yes);
    EXPECT_EQ(dialogs.inputBox("c2", "p2", "d"), std::nullopt);

    ASSERT_EQ(dialogs.shown().size(), 7u);
    const Kind kinds[] = {Kind::YesNoCancel, Kind::Input, Kind::YesNo, Kind::Message,
                          Kind::YesNoCancel, Kind::YesNo, Kind::Input};
    for (std::size_t i = 0; i < std::size(kinds); ++i)
        EXPECT_EQ(dialogs.shown()[i].kind, kinds[i]) << i;
    EXPECT_EQ(dialogs.shown()[1].caption, QStringLiteral("c"));
    EXPECT_EQ(dialogs.texts()[3], QStringLiteral("m"));
}

TEST(ScriptedDialogsTest, ModalWindowIsDrivenByCallbackOrRejected)
{
    ScriptedDialogs dialogs;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Janela"));
    EXPECT_EQ(dialogs.runModal(dialog), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());

    bool wasVisible = false;
    dialogs.onModal = [&](QDialog& open) {
        wasVisible = open.isVisible();
        open.accept();
    };
    EXPECT_EQ(dialogs.runModal(dialog), QDialog::Accepted);
    EXPECT_TRUE(wasVisible);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].kind, Kind::Modal);
    EXPECT_EQ(dialogs.shown()[0].caption, QStringLiteral("Janela"));
}

} // namespace
