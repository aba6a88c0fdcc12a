#include "platform/Dialogs.h"
#include "platform/Translations.h"

#include <gmock/gmock.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QTranslator>

#include <functional>

namespace {

using testing::ElementsAreArray;

struct BoxButtons {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> open;
    std::vector<QString> expected; // in the order the box lays them out
};

// The texts of a box's buttons as the user reads them, mnemonics left out.
std::vector<QString> buttonTexts(QDialog& box)
{
    box.show();
    QApplication::processEvents();
    const auto* bar = box.findChild<QDialogButtonBox*>();
    std::vector<QString> texts;
    if (bar == nullptr)
        return texts;
    for (const QAbstractButton* button : bar->buttons())
        texts.push_back(button->text().remove(QLatin1Char('&')));
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::vector<QString> sorted(std::vector<QString> texts)
{
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The boxes speak Portuguese whatever the locale the program starts in.
TEST(DialogsTest, StandardButtonsReadInPortuguese)
{
    const std::unique_ptr<QTranslator> translations = platform::installToolkitTranslations();
    ASSERT_NE(translations, nullptr) << "the toolkit's Portuguese translations are not installed";

    const auto question = [](QMessageBox::StandardButtons buttons) {
        return [buttons]() -> std::unique_ptr<QDialog> {
            return platform::makeMessageBox(nullptr, QMessageBox::Question, QStringLiteral("Pergunta ?"), buttons,
                                            QMessageBox::Yes);
        };
    };
    const BoxButtons cases[] = {
        {"YesNo", question(QMessageBox::Yes | QMessageBox::No), {"Sim", "Não"}},
        {"YesNoCancel", question(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
         {"Sim", "Não", "Cancelar"}},
        {"Message",
         [] {
             return platform::makeMessageBox(nullptr, QMessageBox::Warning, QStringLiteral("Aviso."), QMessageBox::Ok,
                                             QMessageBox::Ok);
         },
         {"OK"}},
        {"InputBox",
         [] { return platform::makeInputDialog(nullptr, QStringLiteral("Criar Nova Pasta"), QStringLiteral("Nome:"), {}); },
         {"OK", "Cancelar"}},
    };
    for (const BoxButtons& c : cases) {
        const std::unique_ptr<QDialog> box = c.open();
        EXPECT_THAT(buttonTexts(*box), ElementsAreArray(sorted(c.expected))) << c.name;
    }

    // A picture of a question for review in a real window.
    if (const QString path = qEnvironmentVariable("ZQ_DIALOG_SCREENSHOT"); !path.isEmpty()) {
        const std::unique_ptr<QDialog> box = question(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)();
        box->show();
        QApplication::processEvents();
        EXPECT_TRUE(box->grab().save(path));
    }
}

} // namespace
