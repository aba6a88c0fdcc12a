#include "AppTestEnv.h"

#include "app/Form030.h"
#include "app/FolderWidgets.h"
#include "app/MainForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

using platform::Answer;
using Kind = platform::ScriptedDialogs::Kind;

class MainFormTest : public AppTestEnv {
protected:
    TMainForm& show()
    {
        form_ = std::make_unique<TMainForm>(services_);
        form_->show();
        return *form_;
    }

    std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormTest, FirstStartCreatesTheKeyWithDefaults)
{
    TMainForm& form = show();
    EXPECT_EQ(storedValue("LogDir"), services_.defaultLogDir.toStdString());
    EXPECT_EQ(storedValue("AutoEscala"), "S");
    EXPECT_EQ(form.LogDir, services_.defaultLogDir);
    EXPECT_TRUE(form.BotaoAutoEscala->isChecked());
    EXPECT_TRUE(form.StartTimer->isActive());
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_EQ(form.statusText(1), QStringLiteral("DESCONECTADO"));
    EXPECT_EQ(form.LogExtension, QStringLiteral(".ZQL"));
}

struct StoredSettings {
    const char* name;
    const char* lines;
    const char* logDir;
    const char* autoEscala; // as read and as stored afterwards
    bool buttonDown;
};

class MainFormSettingsTest : public MainFormTest, public testing::WithParamInterface<StoredSettings> {};

TEST_P(MainFormSettingsTest, ShowReadsAndRepairsTheSettings)
{
    const StoredSettings& stored = GetParam();
    writeSettings(stored.lines);
    TMainForm& form = show();
    EXPECT_EQ(form.LogDir, QString::fromUtf8(stored.logDir));
    EXPECT_EQ(form.AutoEscala, QString::fromUtf8(stored.autoEscala));
    EXPECT_EQ(storedValue("AutoEscala"), stored.autoEscala);
    EXPECT_EQ(form.BotaoAutoEscala->isChecked(), stored.buttonDown);
    EXPECT_TRUE(form.StartTimer->isActive());
}

INSTANTIATE_TEST_SUITE_P(
    Values, MainFormSettingsTest,
    testing::Values(StoredSettings{"InvalidRewritten", "LogDir=/l\nAutoEscala=X\n", "/l", "S", true},
                    StoredSettings{"LowerCaseRewritten", "LogDir=/l\nAutoEscala=n\n", "/l", "S", true},
                    StoredSettings{"No", "LogDir=/l\nAutoEscala=N\n", "/l", "N", false},
                    StoredSettings{"Yes", "LogDir=/l\nAutoEscala=S\n", "/l", "S", true},
                    // An existing key is not refilled: an absent LogDir stays empty.
                    StoredSettings{"EmptyKey", "", "", "S", true}),
    [](const testing::TestParamInfo<StoredSettings>& info) { return std::string(info.param.name); });

TEST_F(MainFormTest, UnreadableSettingsShowTheErrorAndStopTheShow)
{
    std::filesystem::create_directories(settingsPath_);
    TMainForm& form = show();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].kind, Kind::Message);
    EXPECT_TRUE(dialogs_.shown()[0].text.contains(QString::fromStdString(settingsPath_.string())));
    EXPECT_FALSE(form.StartTimer->isActive());
    EXPECT_FALSE(form.BotaoAutoEscala->isChecked());
    EXPECT_TRUE(form.LogDir.isEmpty());
}

TEST_F(MainFormTest, AutoScaleButtonStoresEveryToggle)
{
    TMainForm& form = show();
    form.BotaoAutoEscala->click();
    EXPECT_EQ(form.AutoEscala, QStringLiteral("N"));
    EXPECT_EQ(storedValue("AutoEscala"), "N");
    form.BotaoAutoEscala->click();
    EXPECT_EQ(storedValue("AutoEscala"), "S");
    EXPECT_TRUE(dialogs_.shown().empty());

    // The key is not recreated behind the user's back; the failure is shown.
    std::filesystem::remove(settingsPath_);
    form.BotaoAutoEscala->click();
    EXPECT_EQ(form.AutoEscala, QStringLiteral("N"));
    EXPECT_FALSE(std::filesystem::exists(settingsPath_));
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].kind, Kind::Message);
}

TEST_F(MainFormTest, PanelButtonTogglesPanelImageAndHint)
{
    TMainForm& form = show();
    struct Expected {
        bool panelVisible;
        int image;
        const char* toolTip;
        const char* statusTip;
    };
    const Expected presses[] = {
        {false, ImageList48::ShowPanel, "Mostrar Painel", "Apresenta Painel de Trabalho"},
        {true, ImageList48::HidePanel, "Esconder Painel", "Esconde Painel liberando area de trabalho"},
        {false, ImageList48::ShowPanel, "Mostrar Painel", "Apresenta Painel de Trabalho"},
    };
    for (const Expected& expected : presses) {
        form.ToolButton14->click();
        EXPECT_EQ(form.PageControl1->isVisible(), expected.panelVisible);
        EXPECT_EQ(TMainForm::imageIndex(form.ToolButton14), expected.image);
        EXPECT_EQ(form.ToolButton14->toolTip(), QString::fromUtf8(expected.toolTip));
        EXPECT_EQ(form.ToolButton14->statusTip(), QString::fromUtf8(expected.statusTip));
    }
}

TEST_F(MainFormTest, LongHintShowsInFirstPanelWhileHovering)
{
    TMainForm& form = show();
    const std::pair<QToolButton*, const char*> hovers[] = {
        {form.ToolButton9, "Atualiza Listagem de Logs"},
        {form.ToolButton21, "Apaga todos LOGs armazenados no Datalogger"},
        {form.BotaoAutoEscala, "Utiliza Auto-Escala ao abrir Grafico"},
    };
    for (const auto& [button, longHint] : hovers) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button, &enter);
        EXPECT_EQ(form.statusText(0), QString::fromUtf8(longHint));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        EXPECT_EQ(form.statusText(0), QString());
    }
}

TEST_F(MainFormTest, ChannelListKeepsTheProtocolOrder)
{
    TMainForm& form = show();
    ASSERT_EQ(form.ListaCanais->count(), 15);
    const std::pair<int, const char*> items[] = {{0, "Sonda Lambda"}, {1, "Rotação"}, {9, "DWELL (Carga Bobina)"},
                                                 {14, "Tensão da Bateria"}};
    for (const auto& [index, text] : items) {
        EXPECT_EQ(form.ListaCanais->item(index)->text(), QString::fromUtf8(text));
        EXPECT_EQ(form.ListaCanais->item(index)->checkState(), Qt::Unchecked);
    }
}

class MainFormChartsTest : public MainFormTest {
protected:
    StandInChart* addChart(const QString& name, bool modified)
    {
        auto* chart = new StandInChart(dialogs_, name, modified);
        chart->resize(300, 200);
        QMdiSubWindow* window = form_->MdiArea->addSubWindow(chart);
        window->show();
        return chart;
    }

    QStringList openCharts() const
    {
        QStringList names;
        for (QMdiSubWindow* window : form_->chartSubWindows())
            names << window->widget()->objectName();
        names.sort();
        return names;
    }
};

TEST_F(MainFormChartsTest, ArrangeButtonCyclesCascadeHorizontalVertical)
{
    show();
    form_->resize(1000, 700);
    addChart(QStringLiteral("a"), false);
    addChart(QStringLiteral("b"), false);
    const auto windows = form_->MdiArea->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 2);
    const QRect area = form_->MdiArea->viewport()->rect();

    const auto isCascade = [&] {
        const QRect a = windows[0]->geometry(), b = windows[1]->geometry();
        return a.topLeft() != b.topLeft() && a.x() != b.x() && a.y() != b.y();
    };
    const auto isHorizontalTile = [&] {
        const QRect a = windows[0]->geometry(), b = windows[1]->geometry();
        return a.width() == area.width() && b.width() == area.width() && a.bottom() < b.top();
    };
    const auto isVerticalTile = [&] {
        const QRect a = windows[0]->geometry(), b = windows[1]->geometry();
        return a.height() == area.height() && b.height() == area.height() && a.right() < b.left();
    };
    const std::function<bool()> expected[] = {isCascade, isHorizontalTile, isVerticalTile, isCascade};
    const int nextStep[] = {2, 3, 1, 2};
    EXPECT_EQ(form_->ArrangeStep, 1);
    for (std::size_t press = 0; press < std::size(expected); ++press) {
        form_->ToolButton16->click();
        EXPECT_TRUE(expected[press]()) << "press " << press + 1;
        EXPECT_EQ(form_->ArrangeStep, nextStep[press]) << "press " << press + 1;
    }
}

struct CloseCase {
    const char* name;
    std::vector<Answer> answers;
    bool closes;
    int questions;
    int remaining; // chart windows left open
};

class MainFormCloseTest : public MainFormChartsTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(MainFormCloseTest, ChartWindowsAreAskedInTurnAndCancelStopsEverything)
{
    const CloseCase& c = GetParam();
    show();
    addChart(QStringLiteral("a"), true);
    addChart(QStringLiteral("b"), true);
    const QString firstAsked = form_->chartSubWindows().front()->widget()->objectName();
    form_->setStatusText(1, QStringLiteral("CONECTADO"));
    form_->DIR->addItem(QStringLiteral("LOG#00001 - [10segundos]"));
    for (Answer answer : c.answers)
        dialogs_.answer(answer);

    EXPECT_EQ(form_->close(), c.closes);
    EXPECT_EQ(static_cast<int>(dialogs_.shown().size()), c.questions);
    const QStringList open = openCharts();
    EXPECT_EQ(open.size(), c.remaining);
    if (c.remaining == 1) {
        EXPECT_FALSE(open.contains(firstAsked)) << "the first window asked is the one that went";
    }
    EXPECT_EQ(form_->isVisible(), !c.closes);
    EXPECT_EQ(form_->statusText(1), c.closes ? QStringLiteral("DESCONECTADO") : QStringLiteral("CONECTADO"));
    EXPECT_EQ(form_->DIR->count(), c.closes ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MainFormCloseTest,
    testing::Values(CloseCase{"CancelFirst", {Answer::Cancel}, false, 1, 2},
                    CloseCase{"NoThenCancel", {Answer::No, Answer::Cancel}, false, 2, 1},
                    CloseCase{"YesThenNo", {Answer::Yes, Answer::No}, true, 2, 0}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

class MainFormFolderTest : public MainFormTest {
protected:
    // Shows the main window on an existing base folder.
    TMainForm& showOn(const QString& logDir)
    {
        QDir().mkpath(logDir);
        writeSettings("LogDir=" + logDir.toStdString() + "\nAutoEscala=S\n");
        return show();
    }
};

TEST_F(MainFormFolderTest, ChoosingAnotherFolderMovesToTheFilesPage)
{
    const QString base = folder(QStringLiteral("logs"));
    const QString other = folder(QStringLiteral("elsewhere"));
    QDir().mkpath(other);
    TMainForm& form = showOn(base);
    dialogs_.onModal = [&](QDialog& dialog) {
        auto& chooser = static_cast<TForm030&>(dialog);
        chooser.Diretorio->setDirectory(other);
        chooser.BitBtn1->click();
    };
    form.ToolButton36->click();
    EXPECT_EQ(form.LogDir, other);
    EXPECT_EQ(storedValue("LogDir"), other.toStdString());
    EXPECT_EQ(form.PageControl1->currentIndex(), 2);
}

TEST_F(MainFormFolderTest, OkWithoutTouchingTheListChangesNothing)
{
    const QString base = folder(QStringLiteral("logs"));
    TMainForm& form = showOn(base);
    QString chosen;
    dialogs_.onModal = [&](QDialog& dialog) {
        auto& chooser = static_cast<TForm030&>(dialog);
        chosen = chooser.chosenFolder();
        chooser.BitBtn1->click();
    };
    form.ToolButton36->click();
    EXPECT_EQ(chosen, base);
    EXPECT_EQ(storedValue("LogDir"), base.toStdString());
    EXPECT_EQ(form.LogDir, base);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
}

TEST_F(MainFormFolderTest, CancelAfterCreatingAFolderKeepsFolderAndSetting)
{
    const QString base = folder(QStringLiteral("logs"));
    TMainForm& form = showOn(base);
    dialogs_.input(QStringLiteral("nova"));
    QString chosen;
    dialogs_.onModal = [&](QDialog& dialog) {
        auto& chooser = static_cast<TForm030&>(dialog);
        chooser.BitBtn2->click();
        chosen = chooser.chosenFolder();
        chooser.BitBtn3->click();
    };
    form.ToolButton36->click();
    EXPECT_EQ(chosen, base + QStringLiteral("/nova"));
    EXPECT_TRUE(QDir(base + QStringLiteral("/nova")).exists());
    EXPECT_EQ(storedValue("LogDir"), base.toStdString());
    EXPECT_EQ(form.LogDir, base);
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    ASSERT_EQ(dialogs_.shown().size(), 2u);
    EXPECT_EQ(dialogs_.shown()[1].caption, QStringLiteral("Criar pasta em ") + base);
}

TEST_F(MainFormTest, AboutBoxClosesOnAClickAnywhere)
{
    TMainForm& form = show();
    bool closedByClick = false;
    dialogs_.onModal = [&](QDialog& about) {
        auto* version = about.findChild<QLabel*>(QStringLiteral("Version"));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("Versão 1.00"));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), version->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), version->mapToGlobal(QPointF(2, 2)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(version, &press);
        QCoreApplication::sendEvent(version, &release);
        closedByClick = !about.isVisible();
    };
    form.HelpAbout1Execute();
    EXPECT_TRUE(closedByClick);
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].caption, QStringLiteral("Sobre o produto..."));
}

} // namespace
