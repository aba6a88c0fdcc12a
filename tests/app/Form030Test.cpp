#include "AppTestSupport.h"

namespace {

struct NewFolder {
    const char* name;
    std::optional<QString> answer;
    const char* expectedChosen; // relative to the base folder; nullptr: unchanged
    bool error;
};

class Form030NewFolderTest : public AppTestEnv, public testing::WithParamInterface<NewFolder> {};

TEST_P(Form030NewFolderTest, CreatesOneLevelOrSaysWhyNot)
{
    const NewFolder& c = GetParam();
    const QString base = folder(QStringLiteral("logs"));
    QDir().mkpath(base + QStringLiteral("/dup"));
    writeSettings("LogDir=" + base.toStdString() + "\n");
    TForm030 dialog(services_);
    dialog.show();
    dialogs_.input(c.answer);

    dialog.BitBtn2->click();
    const QString expected = c.expectedChosen ? base + QLatin1Char('/') + QString::fromUtf8(c.expectedChosen) : base;
    EXPECT_EQ(dialog.chosenFolder(), expected);
    EXPECT_EQ(dialog.Memo2->toPlainText(), expected);
    EXPECT_EQ(dialog.Diretorio->directory(), expected);
    EXPECT_TRUE(QDir(expected).exists());
    const auto texts = dialogs_.texts();
    EXPECT_EQ(texts.back() == QStringLiteral("Erro ao criar nova pasta. Verifique o nome digitado !"), c.error);
    EXPECT_EQ(storedValue("LogDir"), base.toStdString()) << "only OK stores the folder";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Form030NewFolderTest,
    testing::Values(NewFolder{"Created", QStringLiteral("nova"), "nova", false},
                    NewFolder{"AlreadyThere", QStringLiteral("dup"), nullptr, true},
                    NewFolder{"TwoLevels", QStringLiteral("a/b"), nullptr, true},
                    NewFolder{"Empty", QString(), nullptr, false},
                    NewFolder{"Cancelled", std::nullopt, nullptr, false}),
    caseName);

TEST_F(AppTestEnv, FolderDialogOnAMissingFolderStartsAtItsNearestParent)
{
    const QString missing = folder(QStringLiteral("gone/deeper"));
    writeSettings("LogDir=" + missing.toStdString() + "\n");
    TForm030 dialog(services_);
    dialog.show();
    EXPECT_EQ(dialog.Memo1->toPlainText(), missing);
    EXPECT_EQ(dialog.Diretorio->directory(), root_.path());
    EXPECT_EQ(dialog.chosenFolder(), root_.path());
}

TEST_F(AppTestEnv, FolderDialogCreatesTheKeyWhenMissing)
{
    TForm030 dialog(services_);
    dialog.show();
    EXPECT_EQ(storedValue("LogDir"), services_.defaultLogDir.toStdString());
    EXPECT_EQ(storedValue("AutoEscala"), "") << "the dialog writes LogDir only";
    EXPECT_EQ(dialog.Memo1->toPlainText(), services_.defaultLogDir);
}

} // namespace
