#include "AppTestSupport.h"

#include "app/Form040.h"
#include "app/MdiArrange.h"
#include "app/ProgramIcon.h"
#include "platform/Dialogs.h"

#include <QContextMenuEvent>
#include <QInputDialog>
#include <QCoreApplication>
#include <QMenuBar>
#include <QToolBar>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

using platform::Answer;
using Kind = platform::ScriptedDialogs::Kind;

using MainFormTest = AppTestEnv;

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
    if (stored.lines)
        writeSettings(stored.lines);
    TMainForm& form = this->form();
    const QString logDir = stored.logDir ? QString::fromUtf8(stored.logDir) : services_.defaultLogDir;
    EXPECT_EQ(form.LogDir, logDir);
    EXPECT_EQ(storedValue("LogDir"), logDir.toStdString());
    EXPECT_EQ(form.AutoEscala, QString::fromUtf8(stored.autoEscala));
    EXPECT_EQ(storedValue("AutoEscala"), stored.autoEscala);
    EXPECT_EQ(form.BotaoAutoEscala->isChecked(), stored.buttonDown);
    EXPECT_TRUE(form.StartTimer->isActive());
    EXPECT_EQ(form.PageControl1->currentIndex(), 0);
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_EQ(form.statusText(1), QStringLiteral("DESCONECTADO"));
    EXPECT_EQ(form.LogExtension, QStringLiteral(".ZQL"));
}

INSTANTIATE_TEST_SUITE_P(
    Values, MainFormSettingsTest,
    // First start: the key is made with the defaults.
    testing::Values(StoredSettings{"FirstStart", nullptr, nullptr, "S", true},
                    StoredSettings{"InvalidRewritten", "LogDir=/l\nAutoEscala=X\n", "/l", "S", true},
                    StoredSettings{"LowerCaseRewritten", "LogDir=/l\nAutoEscala=n\n", "/l", "S", true},
                    StoredSettings{"No", "LogDir=/l\nAutoEscala=N\n", "/l", "N", false},
                    StoredSettings{"Yes", "LogDir=/l\nAutoEscala=S\n", "/l", "S", true},
                    // An existing key is not refilled: an absent LogDir stays empty.
                    StoredSettings{"EmptyKey", "", "", "S", true}),
    caseName);

TEST_F(MainFormTest, UnreadableSettingsAreToldAndTheRunGoesOnWithTheDefaults)
{
    std::filesystem::create_directories(settingsPath_);
    TMainForm& form = this->form();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].kind, Kind::Message);
    EXPECT_EQ(dialogs_.shown()[0].severity, platform::Severity::Error);
    EXPECT_TRUE(dialogs_.shown()[0].text.contains(QString::fromStdString(settingsPath_.string())));
    EXPECT_TRUE(form.StartTimer->isActive());
    EXPECT_TRUE(form.BotaoAutoEscala->isChecked());
    EXPECT_EQ(form.LogDir, services_.defaultLogDir);
    EXPECT_EQ(form.TreeView1->topLevelItemCount(), 1);
}

TEST_F(MainFormTest, AutoScaleButtonStoresEveryToggle)
{
    TMainForm& form = this->form();
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
    TMainForm& form = this->form();
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
    TMainForm& form = this->form();
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

// A right click on a bar offers no menu with which a tool bar could be hidden
// for good.
TEST_F(MainFormTest, RightClickOnTheBarsOffersNoMenu)
{
    TMainForm& form = this->form();
    QWidget* bars[] = {form.ToolBar1, form.menuBar(), form.ToolBar3};
    for (QWidget* bar : bars) {
        QWidget* popup = nullptr;
        // A menu would run its own loop; this ends it and tells.
        QTimer::singleShot(0, &form, [&popup] {
            if ((popup = QApplication::activePopupWidget()) != nullptr)
                popup->close();
        });
        const QPoint at(bar->width() - 3, bar->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &click);
        QApplication::processEvents();
        EXPECT_EQ(popup, nullptr) << bar->objectName().toStdString();
        EXPECT_TRUE(form.ToolBar1->isVisible());
    }
}

struct MemoryLine {
    const char* name;
    const char* text;
    const char* fitsWidthOf; // the text that just fits across
    std::vector<QString> lines;
};

// The memory line breaks only after its ":::" separators.
TEST_F(MainFormTest, MemoryLineBreaksOnlyAtItsSeparators)
{
    SeparatorWrapLabel& panel = *this->form().Panel3;
    const MemoryLine cases[] = {
        {"AllOnOneLine", "::: Mem.Livre: 4.096 KBytes  :::  # Ultimo Log: 300 :::",
         "::: Mem.Livre: 4.096 KBytes  :::  # Ultimo Log: 300 :::",
         {"::: Mem.Livre: 4.096 KBytes  :::  # Ultimo Log: 300 :::"}},
        {"TwoItems", "::: Mem.Livre: 34.318 KBytes  :::  # Ultimo Log: 65535 :::",
         "::: Mem.Livre: 34.318 KBytes  :::  # Ultimo Lo",
         {"::: Mem.Livre: 34.318 KBytes  :::", "# Ultimo Log: 65535 :::"}},
        {"ItemWiderThanTheLine", "::: Memoria Livre: 0 Bytes ::: # Ultimo Log: 0 :::", "::: Memoria",
         {"::: Memoria Livre: 0 Bytes :::", "# Ultimo Log: 0 :::"}},
        {"ThreeItems", "::: a ::: b ::: c :::", "::: a ::: b :::", {"::: a ::: b :::", "c :::"}},
        {"NoSeparator", "sem separador", "sem", {"sem separador"}},
    };
    for (const MemoryLine& c : cases) {
        panel.setText(QString::fromUtf8(c.text));
        const int width = panel.fontMetrics().horizontalAdvance(QString::fromUtf8(c.fitsWidthOf));
        const QStringList lines = panel.lines(width);
        EXPECT_EQ(std::vector<QString>(lines.begin(), lines.end()), c.lines) << c.name;
        EXPECT_EQ(panel.text(), QString::fromUtf8(c.text)) << c.name;
    }
}

// Every window of the program shows its own icon, not the toolkit's.
TEST_F(MainFormTest, EveryWindowShowsTheProgramsIcon)
{
    TMainForm& form = this->form();
    const QImage own = programIcon().pixmap(32, 32).toImage();
    TMDIChild::Create(form, QStringLiteral("grafico"));
    const TForm030 folders(services_, &form);
    const TForm040 about(&form);
    const auto input = platform::makeInputDialog(&form, QStringLiteral("Criar Nova Pasta"), QStringLiteral("Nome"), {});
    const auto box = platform::makeMessageBox(&form, QMessageBox::Warning, QStringLiteral("Aviso."), QMessageBox::Ok,
                                              QMessageBox::Ok);
    const std::pair<const char*, const QWidget*> windows[] = {
        {"MainWindow", &form},          {"ChartWindow", form.chartSubWindows().front()},
        {"FolderDialog", &folders},     {"AboutBox", &about},
        {"InputBox", input.get()},      {"MessageBox", box.get()},
    };
    for (const auto& [name, window] : windows)
        EXPECT_EQ(window->windowIcon().pixmap(32, 32).toImage(), own) << name;
}

TEST_F(MainFormTest, ChannelListKeepsTheProtocolOrder)
{
    TMainForm& form = this->form();
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
    // Chart windows named a, b, ... with the given modified flags.
    void addCharts(std::initializer_list<bool> modified)
    {
        char name = 'a';
        for (bool m : modified)
            TMDIChild::Create(form(), QString(QLatin1Char(name++)))->Modified = m;
    }
};

// New chart windows open inside the area, each one step from the last; one
// dragged off the area makes it scroll, and every press of the arrange button
// brings them all back, in turn cascaded, one above the other, side by side.
TEST_F(MainFormChartsTest, ChartWindowsOpenAndAreArrangedInsideTheArea)
{
    form().StartTimer->stop(); // kept at this size, not maximised to the screen
    form().resize(1000, 700);
    QApplication::processEvents();
    addCharts({false, false, false});
    QApplication::processEvents();
    const auto windows = form_->MdiArea->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 3);
    const auto rects = [&] {
        std::vector<QRect> out;
        for (QMdiSubWindow* w : windows)
            out.push_back(w->geometry());
        return out;
    };
    const auto scrolls = [&] {
        return form_->MdiArea->horizontalScrollBar()->isVisible() || form_->MdiArea->verticalScrollBar()->isVisible();
    };
    const QRect area = form_->MdiArea->viewport()->rect();
    const std::vector<QRect> opened = rects();
    for (std::size_t i = 0; i < opened.size(); ++i) {
        EXPECT_TRUE(area.contains(opened[i])) << i;
        EXPECT_GE(opened[i].width(), area.width() / 2) << i;
        if (i > 0) {
            const QPoint offset = opened[i].topLeft() - opened[i - 1].topLeft();
            EXPECT_TRUE(offset.x() > 0 && offset.x() == offset.y()) << i;
        }
    }
    EXPECT_FALSE(scrolls());
    windows[1]->move(2000, 1500);
    QApplication::processEvents();
    EXPECT_TRUE(scrolls());

    // The rectangles themselves are MdiArrange's (tested there); here each
    // press must apply the next arrangement to every window.
    const auto arranged = [&](MdiArrangement arrangement) {
        const QRect space = visibleArea(*form_->MdiArea);
        if (arrangement != MdiArrangement::Cascade)
            return rects() == tileRects(3, space, arrangement);
        std::vector<QRect> r = rects();
        std::vector<QRect> expected = cascadeRects(3, space, cascadeStep(*form_->MdiArea));
        const auto byCorner = [](const QRect& x, const QRect& y) { return x.x() < y.x(); };
        std::sort(r.begin(), r.end(), byCorner);
        std::sort(expected.begin(), expected.end(), byCorner);
        return r == expected;
    };
    const struct {
        MdiArrangement arrangement;
        int nextStep;
    } presses[] = {{MdiArrangement::Cascade, 2},
                   {MdiArrangement::TileHorizontal, 3},
                   {MdiArrangement::TileVertical, 1},
                   {MdiArrangement::Cascade, 2}};
    EXPECT_EQ(form_->ArrangeStep, 1);
    for (std::size_t press = 0; press < std::size(presses); ++press) {
        form_->ToolButton16->click();
        QApplication::processEvents();
        EXPECT_TRUE(arranged(presses[press].arrangement)) << "press " << press + 1;
        EXPECT_EQ(form_->ArrangeStep, presses[press].nextStep) << "press " << press + 1;
        EXPECT_FALSE(scrolls()) << "press " << press + 1;
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
    addCharts({true, true});
    const QString firstAsked = charts().front()->windowTitle();
    form_->setStatusText(1, QStringLiteral("CONECTADO"));
    form_->DIR->addItem(QStringLiteral("LOG#00001 - [10segundos]"));
    for (Answer answer : c.answers)
        dialogs_.answer(answer);

    EXPECT_EQ(form_->close(), c.closes);
    EXPECT_EQ(static_cast<int>(dialogs_.shown().size()), c.questions);
    ASSERT_EQ(charts().size(), std::size_t(c.remaining));
    if (c.remaining == 1) {
        EXPECT_NE(charts().front()->windowTitle(), firstAsked) << "the first window asked is the one that went";
    }
    EXPECT_EQ(form_->isVisible(), !c.closes);
    EXPECT_EQ(form_->statusText(1), c.closes ? QStringLiteral("DESCONECTADO") : QStringLiteral("CONECTADO"));
    EXPECT_EQ(form_->DIR->count(), c.closes ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MainFormCloseTest,
    testing::Values(CloseCase{"CancelFirst", {Answer::Cancel}, false, 1, 2},
                    CloseCase{"NoThenCancel", {Answer::No, Answer::Cancel}, false, 2, 1},
                    CloseCase{"NoThenNo", {Answer::No, Answer::No}, true, 2, 0}),
    caseName);

struct FolderChoice {
    const char* name;
    std::function<void(TForm030&, const QString& other)> act;
    bool moves; // to the other folder, and to the files page
};

class MainFormFolderTest : public MainFormTest, public testing::WithParamInterface<FolderChoice> {};

TEST_P(MainFormFolderTest, OnlyOkOnAnotherFolderStoresItAndShowsTheFiles)
{
    const QString base = folder(QStringLiteral("logs"));
    const QString other = folder(QStringLiteral("elsewhere"));
    QDir().mkpath(base);
    QDir().mkpath(other);
    writeSettings("LogDir=" + base.toStdString() + "\nAutoEscala=S\n");
    dialogs_.input(QStringLiteral("nova"));
    dialogs_.onModal = [&](QDialog& dialog) { GetParam().act(static_cast<TForm030&>(dialog), other); };
    form().ToolButton36->click();
    const QString expected = GetParam().moves ? other : base;
    EXPECT_EQ(form().LogDir, expected);
    EXPECT_EQ(storedValue("LogDir"), expected.toStdString());
    EXPECT_EQ(form().PageControl1->currentIndex(), GetParam().moves ? 2 : 0);
    if (dialogs_.shown().size() > 1) {
        EXPECT_EQ(dialogs_.shown()[1].caption, QStringLiteral("Criar pasta em ") + base);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, MainFormFolderTest,
    testing::Values(FolderChoice{"Other",
                                 [](TForm030& chooser, const QString& other) {
                                     chooser.Diretorio->setDirectory(other);
                                     chooser.BitBtn1->click();
                                 },
                                 true},
                    FolderChoice{"OkUntouched",
                                 [](TForm030& chooser, const QString&) {
                                     EXPECT_EQ(chooser.chosenFolder(), chooser.Memo1->toPlainText());
                                     chooser.BitBtn1->click();
                                 },
                                 false},
                    // The new folder stays; the setting does not follow it.
                    FolderChoice{"CancelAfterCreating",
                                 [](TForm030& chooser, const QString&) {
                                     const QString base = chooser.chosenFolder();
                                     chooser.BitBtn2->click();
                                     EXPECT_EQ(chooser.chosenFolder(), base + QStringLiteral("/nova"));
                                     EXPECT_TRUE(QDir(base + QStringLiteral("/nova")).exists());
                                     chooser.BitBtn3->click();
                                 },
                                 false}),
    caseName);

// A settings file the run cannot use, from the start or from a moment on.
struct UnusableSettings {
    const char* name;
    std::function<void(const std::filesystem::path& file)> atStart, later; // either may be empty
    std::vector<const char*> told; // the run's messages, by their opening words
};

class UnusableSettingsTest : public MainFormTest, public testing::WithParamInterface<UnusableSettings> {};

// What the file holds, or that a folder stands in its place.
std::string settingsContent(const std::filesystem::path& file)
{
    if (std::filesystem::is_directory(file))
        return "<folder>";
    const auto bytes = fileBytes(file.string());
    return {bytes.begin(), bytes.end()};
}

// A file that cannot be read is told at start, a change that cannot be saved
// at the first such change, and nothing is told twice; the changes hold for
// the run, and the file is left as it was.
TEST_P(UnusableSettingsTest, IsToldOnceAndTheChangesHoldForTheRun)
{
    const UnusableSettings& c = GetParam();
    const QString base = folder(QStringLiteral("logs"));
    const QString other = folder(QStringLiteral("elsewhere"));
    QDir().mkpath(base);
    QDir().mkpath(other);
    writeSettings("LogDir=" + base.toStdString() + "\nAutoEscala=S\n");
    if (c.atStart)
        c.atStart(settingsPath_);
    TMainForm& f = form();
    const QString startDir = f.LogDir;
    if (c.later)
        c.later(settingsPath_);
    const std::string content = settingsContent(settingsPath_);

    for (int press = 0; press < 3; ++press)
        f.BotaoAutoEscala->click();
    EXPECT_EQ(f.AutoEscala, QStringLiteral("N"));

    bool closedOnOk = false;
    dialogs_.onModal = [&](QDialog& dialog) {
        auto& chooser = static_cast<TForm030&>(dialog);
        EXPECT_EQ(chooser.Memo1->toPlainText(), startDir);
        chooser.Diretorio->setDirectory(other);
        chooser.BitBtn1->click();
        closedOnOk = !chooser.isVisible() && chooser.result() == QDialog::Accepted;
    };
    f.ToolButton36->click();
    EXPECT_TRUE(closedOnOk);
    EXPECT_EQ(f.LogDir, other);
    EXPECT_EQ(f.PageControl1->currentIndex(), 2);

    // Opened again, the dialog starts from this run's choice.
    dialogs_.onModal = [&](QDialog& dialog) {
        auto& chooser = static_cast<TForm030&>(dialog);
        EXPECT_EQ(chooser.Memo1->toPlainText(), other);
        chooser.BitBtn3->click();
    };
    f.ToolButton36->click();
    EXPECT_EQ(f.LogDir, other);

    std::vector<QString> messages;
    for (const auto& shown : dialogs_.shown())
        if (shown.kind == Kind::Message)
            messages.push_back(shown.text);
    ASSERT_EQ(messages.size(), c.told.size()) << testing::PrintToString(messages);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_TRUE(messages[i].startsWith(QString::fromUtf8(c.told[i]))) << messages[i].toStdString();
        EXPECT_TRUE(messages[i].contains(QString::fromStdString(settingsPath_.string()))) << messages[i].toStdString();
    }
    if (!messages.empty()) {
        EXPECT_TRUE(messages.back().contains(QStringLiteral("não será mantida"))) << messages.back().toStdString();
    }
    EXPECT_EQ(settingsContent(settingsPath_), content);
}

const auto folderInstead = [](const std::filesystem::path& file) {
    std::filesystem::remove(file);
    std::filesystem::create_directories(file);
};

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableSettingsTest,
    testing::Values(
        UnusableSettings{"FolderFromStart",
                         folderInstead,
                         {},
                         {"Erro ao ler o arquivo de configurações", "Erro ao gravar o arquivo de configurações"}},
        UnusableSettings{"DamagedFromStart",
                         [](const std::filesystem::path& file) {
                             std::ofstream(file) << "[SOFTWARE\\Zorvan]\nLogDir\n";
                         },
                         {},
                         {"Erro ao ler o arquivo de configurações", "Erro ao gravar o arquivo de configurações"}},
        // Read as usual, but the new file cannot take the old one's place.
        UnusableSettings{"WriteBlocked",
                         [](const std::filesystem::path& file) {
                             std::filesystem::create_directories(file.string() + ".tmp");
                         },
                         {},
                         {"Erro ao gravar o arquivo de configurações"}},
        UnusableSettings{"FolderLater", {}, folderInstead, {"Erro ao gravar o arquivo de configurações"}}),
    caseName);

// A settings file that cannot be written, from the start or from a change on.
struct UnwritableSettings {
    const char* name;
    bool atStart; // else blocked after the start
    void (*block)(const std::filesystem::path& file);
    const char* cause;
};

class UnwritableSettingsTest : public MainFormTest, public testing::WithParamInterface<UnwritableSettings> {};

// Told once a run wherever it is met first, in words of the file itself: a
// user can act on a path or a folder, not on a registry key.
TEST_P(UnwritableSettingsTest, IsToldOnceWithTheFilesOwnProblem)
{
    const UnwritableSettings& c = GetParam();
    if (c.atStart)
        c.block(settingsPath_);
    TMainForm& f = form();
    if (!c.atStart)
        c.block(settingsPath_);
    for (int press = 0; press < 3; ++press)
        f.BotaoAutoEscala->click();
    EXPECT_EQ(f.AutoEscala, QStringLiteral("N"));
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    const std::string told = dialogs_.shown()[0].text.toStdString();
    EXPECT_THAT(told, testing::StartsWith("Erro ao gravar o arquivo de configurações \"" + settingsPath_.string()
                                          + "\": " + c.cause));
    EXPECT_THAT(told, testing::Not(testing::HasSubstr("chave")));
}

// A regular file where the settings folder belongs.
void fileForFolder(const std::filesystem::path& file)
{
    std::filesystem::remove_all(file.parent_path());
    std::ofstream(file.parent_path()) << "not a folder";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnwritableSettingsTest,
    testing::Values(UnwritableSettings{"FolderCannotBeMadeAtStart", true, fileForFolder,
                                       "uma parte do caminho não é uma pasta"},
                    UnwritableSettings{"FolderCannotBeMadeLater", false, fileForFolder,
                                       "uma parte do caminho não é uma pasta"},
                    UnwritableSettings{"FileEmptiedLater", false,
                                       [](const std::filesystem::path& file) { std::ofstream{file}; },
                                       "o arquivo não guarda as configurações do programa"}),
    caseName);

TEST_F(MainFormTest, AboutBoxClosesOnAClickAnywhere)
{
    TMainForm& form = this->form();
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
