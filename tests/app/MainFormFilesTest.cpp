#include "AppTestSupport.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class MainFormFilesTest : public AppTestEnv {
protected:
    MainFormFilesTest() : base_(folder(QStringLiteral("logs")).toStdString()) {}

    TMainForm& show()
    {
        writeSettings("LogDir=" + base_ + "\nAutoEscala=S\n");
        return form();
    }

    // A small log: engine speed and throttle, `rows` rows at 10 per second.
    void makeLog(const std::string& relative, std::uint32_t rows = 50) const
    {
        const fs::path path = fs::path(base_) / relative;
        fs::create_directories(path.parent_path());
        const auto columns = makeColumns(3, rows, [](std::size_t c, std::uint32_t r) { return std::uint8_t(c + r); });
        writeLog(path.string(), log_file::MakeDownloadHead(makeDownload({0, 1, 10}, rows), rows), columns);
    }

    // The tree as text: node(children...) with children in name order.
    static std::string treeText(const QTreeWidgetItem* node, bool top = true)
    {
        std::vector<std::string> children;
        for (int i = 0; i < node->childCount(); ++i)
            children.push_back(treeText(node->child(i), false));
        std::sort(children.begin(), children.end());
        std::string text = top ? "<base>" : node->text(0).toStdString();
        if (children.empty())
            return text;
        text += "(";
        for (std::size_t i = 0; i < children.size(); ++i)
            text += (i ? "," : "") + children[i];
        return text + ")";
    }
    std::string tree() const
    {
        return form_->TreeView1->topLevelItemCount() ? treeText(form_->TreeView1->topLevelItem(0)) : "";
    }

    // The node at a path of texts below the top node.
    QTreeWidgetItem* node(const std::vector<const char*>& texts) const
    {
        QTreeWidgetItem* n = form_->TreeView1->topLevelItem(0);
        for (const char* t : texts) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; n != nullptr && i < n->childCount(); ++i)
                if (n->child(i)->text(0) == QString::fromUtf8(t))
                    next = n->child(i);
            n = next;
        }
        return n;
    }

    bool exists(const std::string& relative) const { return fs::exists(fs::path(base_) / relative); }

    std::string base_;
};

TEST_F(MainFormFilesTest, TreeListsLogsAndFoldersButNotReadOnlyHiddenOrOtherFiles)
{
    makeLog("Carro/Carro_LOG_00001.ZQL");
    makeLog("Carro/minusculo.zql");
    makeLog("Carro/somente.ZQL");
    fs::permissions(base_ + "/Carro/somente.ZQL", fs::perms::owner_read);
    makeLog(".oculto.ZQL");
    makeLog("Carro/Treino/t.ZQL");
    makeLog("Bloqueada/b.ZQL");
    fs::permissions(base_ + "/Bloqueada", fs::perms::owner_read | fs::perms::owner_exec);
    fs::create_directories(base_ + "/Vazia");
    std::ofstream(base_ + "/notas.txt") << "x";
    // A link back up the tree is listed once, not followed for ever.
    fs::create_directory_symlink(base_, base_ + "/Carro/volta");

    TMainForm& form = show();
    EXPECT_EQ(form.TreeView1->topLevelItem(0)->text(0).toStdString(), base_);
    EXPECT_EQ(tree(), "<base>(Carro(Carro_LOG_00001,Treino(t),minusculo,volta),Vazia)");
    fs::permissions(base_ + "/Bloqueada", fs::perms::owner_all);

    EXPECT_EQ(form.CompleteRecursive(node({"Carro", "Treino", "t"}), true).toStdString(), base_ + "/Carro/Treino/t");
    EXPECT_EQ(form.CompleteRecursive(node({"Carro", "Treino", "t"}), false).toStdString(), base_ + "/Carro/Treino/");
    QStringList found = TMainForm::FindAll(QString::fromStdString(base_ + "/Carro/*.zql"), log_fs::Archive);
    found.sort();
    EXPECT_EQ(found, QStringList({QStringLiteral("Carro_LOG_00001.ZQL"), QStringLiteral("minusculo.zql")}));
}

TEST_F(MainFormFilesTest, MissingBaseFolderIsCreatedOneLevelOnly)
{
    TMainForm& form = show();
    EXPECT_TRUE(fs::is_directory(base_));
    EXPECT_EQ(tree(), "<base>");

    form.LogDir = QString::fromStdString(base_ + "/a/b");
    form.RefreshFiles();
    EXPECT_EQ(form.TreeView1->topLevelItemCount(), 0);
    EXPECT_FALSE(exists("a"));
}

TEST_F(MainFormFilesTest, DoubleClickOpensALogOnceAndBringsItBackToTheFront)
{
    makeLog("Carro/um.ZQL", 30);
    makeLog("Carro/dois.zql", 40);
    TMainForm& form = show();

    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    form.TreeView1DblClick();
    form.TreeView1->setCurrentItem(node({"Carro", "dois"}));
    form.ToolButton26->click();
    ASSERT_EQ(charts().size(), 2u);
    TMDIChild* first = charts().back();
    EXPECT_EQ(first->windowTitle().toStdString(), base_ + "/Carro/um.ZQL");
    EXPECT_EQ(first->SLScope1->Channels.Count(), 2);
    EXPECT_EQ(first->SLScope1->Channels.GetItem(1).Data.GetCount(), 30u);
    EXPECT_EQ(first->RowCount, 30);
    EXPECT_EQ(first->FileName, QStringLiteral("um.ZQL"));
    EXPECT_EQ(charts().front()->FileName, QStringLiteral("dois.zql"));

    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    form.TreeView1DblClick();
    EXPECT_EQ(charts().size(), 2u);
    EXPECT_EQ(form.MdiArea->activeSubWindow()->widget(), first);

    form.TreeView1->setCurrentItem(node({"Carro"}));
    form.TreeView1DblClick();
    EXPECT_EQ(charts().size(), 2u);
    EXPECT_TRUE(dialogs_.shown().empty());
}

// A sixteenth chart and a damaged log are refused with their messages.
TEST_F(MainFormFilesTest, SixteenthChartAndDamagedLogOpenNoWindow)
{
    makeLog("Carro/um.ZQL");
    makeLog("Carro/ruim.ZQL", 100);
    fs::resize_file(base_ + "/Carro/ruim.ZQL", 200);
    TMainForm& form = show();
    form.TreeView1->setCurrentItem(node({"Carro", "ruim"}));
    form.TreeView1DblClick();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_THAT(dialogs_.texts()[0].toStdString(), testing::HasSubstr(base_ + "/Carro/ruim.ZQL"));
    EXPECT_TRUE(form.MdiArea->subWindowList().isEmpty());

    dialogs_.clearShown();
    for (int i = 0; i < 15; ++i)
        TMDIChild::Create(form, QStringLiteral("c%1").arg(i));
    form.AbreArquivo(QString::fromStdString(base_ + "/Carro"), QStringLiteral("um.ZQL"));
    EXPECT_THAT(dialogs_.texts(), testing::ElementsAre(QStringLiteral("Impossivel abrir mais de 15 graficos ao mesmo tempo.")));
    EXPECT_EQ(charts().size(), 15u);
}

struct RenameCase {
    const char* name;
    std::vector<const char*> node;
    std::string newText;
    bool renamed;
    std::string onDisk; // relative path that must exist afterwards
};

class MainFormRenameTest : public MainFormFilesTest, public testing::WithParamInterface<RenameCase> {};

TEST_P(MainFormRenameTest, RenamesOrPutsTheTextBack)
{
    makeLog("Carro/um.ZQL");
    makeLog("Carro/dois.ZQL");
    fs::create_directories(base_ + "/Outra");
    TMainForm& form = show();
    const RenameCase& c = GetParam();
    QTreeWidgetItem* n = node(c.node);
    const QString old = n->text(0);
    QString text = QString::fromStdString(c.newText);
    form.TreeView1Edited(n, text);
    EXPECT_EQ(text, c.renamed ? QString::fromStdString(c.newText) : old);
    EXPECT_TRUE(exists(c.onDisk)) << c.onDisk;
    EXPECT_TRUE(exists("Carro/dois.ZQL"));
    // Nothing ever appears beside the base folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(base_).parent_path()), fs::directory_iterator()), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainFormRenameTest,
    testing::Values(RenameCase{"File150", {"Carro", "um"}, std::string(150, 'x'), true, "Carro/" + std::string(150, 'x') + ".ZQL"},
                    RenameCase{"File151", {"Carro", "um"}, std::string(151, 'x'), false, "Carro/um.ZQL"},
                    RenameCase{"Empty", {"Carro", "um"}, "", false, "Carro/um.ZQL"},
                    RenameCase{"Slash", {"Carro", "um"}, "../../fora", false, "Carro/um.ZQL"},
                    RenameCase{"DotDot", {"Outra"}, "..", false, "Outra"},
                    RenameCase{"Dot", {"Outra"}, ".", false, "Outra"},
                    RenameCase{"OntoSibling", {"Carro", "um"}, "dois", false, "Carro/um.ZQL"},
                    RenameCase{"FolderOntoFolder", {"Outra"}, "Carro", false, "Outra"},
                    RenameCase{"Folder", {"Outra"}, "Nova", true, "Nova"},
                    RenameCase{"File", {"Carro", "um"}, "tres", true, "Carro/tres.ZQL"},
                    RenameCase{"TopNode", {}, "base2", false, "Carro"}),
    caseName);

TEST_F(MainFormFilesTest, DragMovesALogIntoAFolderOnly)
{
    makeLog("Carro/um.ZQL");
    makeLog("Carro/dois.ZQL");
    makeLog("Outra/dois.ZQL", 7);
    TMainForm& form = show();
    const auto dropOn = [&](const std::vector<const char*>& dragged, const std::vector<const char*>& target) {
        form.TreeView1->expandAll();
        form.TreeView1->setCurrentItem(node(dragged));
        const QRect r = form.TreeView1->visualItemRect(node(target));
        form.TreeView1DragDrop(r.center().x(), r.center().y());
    };

    dropOn({"Carro", "dois"}, {"Outra"}); // the folder holds that name already
    dropOn({"Carro", "um"}, {"Carro", "dois"}); // onto a file
    dropOn({"Outra"}, {"Carro"});               // folders do not move
    EXPECT_EQ(tree(), "<base>(Carro(dois,um),Outra(dois))");
    EXPECT_EQ(fileBytes(base_ + "/Outra/dois.ZQL").size(), 159u + 3 * 7 + 6);

    dropOn({"Carro", "um"}, {"Outra"});
    EXPECT_EQ(tree(), "<base>(Carro(dois),Outra(dois,um))");
    EXPECT_TRUE(exists("Outra/um.ZQL"));
    EXPECT_FALSE(exists("Carro/um.ZQL"));
}

// Through the view itself: an edit ends in the rename.
TEST_F(MainFormFilesTest, EditorReachesTheRename)
{
    makeLog("Carro/um.ZQL");
    TMainForm& form = show();
    form.TreeView1->expandAll();

    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    form.TreeView1->editItem(node({"Carro", "um"}));
    auto* editor = form.TreeView1->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("novo"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits through a queued call
    EXPECT_TRUE(exists("Carro/novo.ZQL"));
    ASSERT_NE(node({"Carro", "novo"}), nullptr);
}

// Data dragged in from elsewhere (text of another program, files of a file
// manager) is refused, whatever node is selected: nothing moves.
TEST_F(MainFormFilesTest, ForeignDropsMoveNothing)
{
    makeLog("Carro/um.ZQL");
    makeLog("solto.ZQL");
    fs::create_directories(base_ + "/Outra");
    TMainForm& form = show();
    form.TreeView1->expandAll();
    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    const QPoint at = form.TreeView1->visualItemRect(node({"Outra"})).center();
    QMimeData text, files, items;
    text.setText(QStringLiteral("Carro/um"));
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(base_ + "/solto.ZQL"))});
    // What a view of another program would give.
    items.setData(QStringLiteral("application/x-qabstractitemmodeldatalist"), QByteArray(8, '\0'));
    for (QMimeData* mime : {&text, &files, &items}) {
        SCOPED_TRACE(mime->formats().join(QLatin1Char(' ')).toStdString());
        QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.TreeView1->viewport(), &enter);
        EXPECT_FALSE(enter.isAccepted());
        QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.TreeView1->viewport(), &drop);
        EXPECT_NE(drop.dropAction(), Qt::MoveAction);
    }
    EXPECT_EQ(tree(), "<base>(Carro(um),Outra,solto)");
    EXPECT_TRUE(exists("Carro/um.ZQL"));
    EXPECT_TRUE(exists("solto.ZQL"));
}

// A file renamed or moved in the tree while its chart is open: the window
// follows, so its save lands on the file where it now is.
struct FollowCase {
    const char* name;
    std::vector<const char*> node;
    const char* newText; // renamed to it; null: dropped on the folder "Outra"
    std::string nowAt;
};

class MainFormFollowTest : public MainFormFilesTest, public testing::WithParamInterface<FollowCase> {};

TEST_P(MainFormFollowTest, RenameThenSaveLeavesOneFileAtTheNewPlace)
{
    const FollowCase& c = GetParam();
    makeLog("Carro/Treino/um.ZQL", 100);
    makeLog("dois.ZQL");
    fs::create_directories(base_ + "/Outra");
    TMainForm& form = show();
    form.TreeView1->expandAll();
    form.AbreArquivo(QString::fromStdString(base_ + "/Carro/Treino"), QStringLiteral("um.ZQL"));
    form.AbreArquivo(QString::fromStdString(base_), QStringLiteral("dois.ZQL"));
    ASSERT_EQ(charts().size(), 2u);
    TMDIChild& chart = *charts().back();

    form.TreeView1->setCurrentItem(node(c.node));
    if (c.newText != nullptr) {
        QString text = QString::fromUtf8(c.newText);
        form.TreeView1Edited(node(c.node), text);
    } else {
        const QPoint at = form.TreeView1->visualItemRect(node({"Outra"})).center();
        form.TreeView1DragDrop(at.x(), at.y());
    }
    const std::string nowAt = base_ + "/" + c.nowAt;
    EXPECT_EQ(chart.windowTitle().toStdString(), nowAt);
    EXPECT_EQ(charts().front()->windowTitle().toStdString(), base_ + "/dois.ZQL");

    pickZeroAt(chart, 2.5);
    chart.SalvarArquivo();
    EXPECT_EQ(log_file::LoadLogFile(nowAt, false).head.ZeroOffsetMs(), 2500);
    EXPECT_EQ(std::count_if(fs::recursive_directory_iterator(base_), {},
                            [](const fs::directory_entry& e) { return e.path().extension() == ".ZQL"; }),
              2);
}

INSTANTIATE_TEST_SUITE_P(Moves, MainFormFollowTest,
                         testing::Values(FollowCase{"RenameFile", {"Carro", "Treino", "um"}, "tres", "Carro/Treino/tres.ZQL"},
                                         FollowCase{"RenameItsFolder", {"Carro", "Treino"}, "Pista", "Carro/Pista/um.ZQL"},
                                         FollowCase{"RenameTheFolderAbove", {"Carro"}, "Moto", "Moto/Treino/um.ZQL"},
                                         FollowCase{"DragIntoAnotherFolder", {"Carro", "Treino", "um"}, nullptr, "Outra/um.ZQL"}),
                         caseName);

TEST_F(MainFormFilesTest, NewFolderGoesIntoTheSelectedFolderOrTheFilesFolder)
{
    makeLog("Carro/um.ZQL");
    TMainForm& form = show();
    form.NovaPasta1Click(); // not on the files page
    EXPECT_TRUE(dialogs_.shown().empty());

    form.PageControl1->setCurrentIndex(2);
    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    dialogs_.input(QStringLiteral("Treino"));
    form.ToolButton28->click();
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.shown()[0].caption, QStringLiteral("Criar Nova Pasta"));
    EXPECT_EQ(dialogs_.shown()[0].text, QStringLiteral("Qual o Nome da Nova Pasta ?"));
    EXPECT_TRUE(fs::is_directory(base_ + "/Carro/Treino"));
    EXPECT_EQ(form.TreeView1->currentItem(), node({"Carro", "Treino"}));

    for (const char* refused : {"../fora", "..", "", "a/b"}) {
        form.TreeView1->setCurrentItem(node({"Carro"}));
        dialogs_.input(QString::fromUtf8(refused));
        form.NovaPasta1Click();
    }
    dialogs_.input(std::nullopt);
    form.NovaPasta1Click();
    EXPECT_EQ(tree(), "<base>(Carro(Treino,um))");
    EXPECT_EQ(std::distance(fs::directory_iterator(base_ + "/Carro"), fs::directory_iterator()), 2);
    EXPECT_FALSE(exists("fora"));
}

TEST_F(MainFormFilesTest, DeleteRemovesEmptyFoldersAndLogsWithoutAsking)
{
    makeLog("Carro/um.ZQL");
    fs::create_directories(base_ + "/Vazia");
    TMainForm& form = show();
    form.PageControl1->setCurrentIndex(2);
    QApplication::setActiveWindow(&form);
    form.TreeView1->setFocus();
    ASSERT_TRUE(form.TreeView1->hasFocus());

    for (const std::vector<const char*>& path : {std::vector<const char*>{"Carro"}, std::vector<const char*>{}}) {
        form.TreeView1->setCurrentItem(path.size() ? node(path) : form.TreeView1->topLevelItem(0));
        form.ToolButton30->click();
        form.TreeView1->setFocus();
    }
    EXPECT_EQ(tree(), "<base>(Carro(um),Vazia)");

    form.TreeView1->setCurrentItem(node({"Vazia"}));
    form.Excluir1Click();
    form.TreeView1->setCurrentItem(node({"Carro", "um"}));
    form.Excluir1Click();
    EXPECT_EQ(tree(), "<base>(Carro)");
    EXPECT_FALSE(exists("Vazia"));
    EXPECT_FALSE(exists("Carro/um.ZQL"));
    EXPECT_TRUE(dialogs_.shown().empty());
}

class MainFormDownloadFileTest : public MainFormFilesTest {
protected:
    // A download of log 7 with `received` complete rows of `rows`.
    void download(std::uint32_t rows, int received, std::vector<std::uint8_t> ids = {0, 1, 10, 16}, std::uint8_t rate = 10)
    {
        TMainForm& form = *form_;
        form.DownloadState = makeDownload(ids, rows, rate);
        form.Dados.setRowCount(int(rows));
        form.Dados.setColCount(int(ids.size()));
        for (int r = 0; r < received; ++r)
            for (int c = 0; c < int(ids.size()); ++c)
                form.Dados.setCell(c, r, std::uint8_t(r + c));
        form.DownloadState.Row = received;
    }
};

// The logger's folder is there already but not in the tree: it gets a node.
TEST_F(MainFormDownloadFileTest, SameLogThreeTimesGetsCopyNumbers)
{
    TMainForm& form = show();
    fs::create_directories(base_ + "/MeuCarro");
    std::vector<QString> names;
    for (int i = 0; i < 3; ++i) {
        download(100, 100);
        names.push_back(form.GeraNovoArquivo());
    }
    EXPECT_THAT(names, testing::ElementsAre(QStringLiteral("MeuCarro_LOG_00007.ZQL"),
                                            QStringLiteral("MeuCarro_LOG_00007_Copia001.ZQL"),
                                            QStringLiteral("MeuCarro_LOG_00007_Copia002.ZQL")));
    EXPECT_EQ(tree(), "<base>(MeuCarro(MeuCarro_LOG_00007,MeuCarro_LOG_00007_Copia001,MeuCarro_LOG_00007_Copia002))");
    EXPECT_EQ(form.TreeView1->currentItem(), node({"MeuCarro", "MeuCarro_LOG_00007_Copia002"}));
    const std::vector<std::uint8_t> bytes = fileBytes(base_ + "/MeuCarro/MeuCarro_LOG_00007.ZQL");
    ASSERT_EQ(bytes.size(), 565u);
    EXPECT_EQ(bytes[159 + 100 + 5], 6); // column 1, row 5
}

TEST_F(MainFormDownloadFileTest, WithoutABaseFolderNothingIsWrittenElsewhere)
{
    TMainForm& form = show();
    form.LogDir.clear();
    download(10, 10);
    EXPECT_THROW(form.GeraNovoArquivo(), platform::PlatformError);
    EXPECT_FALSE(fs::exists("/MeuCarro"));
}

// A zero point and a cut, then the save button: the file holds the header and
// rows the chart shows, and reads back the same.
TEST_F(MainFormDownloadFileTest, SavedZeroPointAndCutReadBack)
{
    TMainForm& form = show();
    download(100, 100);
    const QString name = form.GeraNovoArquivo();
    form.AbreArquivo(QString::fromStdString(base_ + "/MeuCarro"), name);
    ASSERT_EQ(charts().size(), 1u);
    TMDIChild& chart = *charts().front();
    pickZeroAt(chart, 2.5);
    chart.Grafico_Cut();
    ASSERT_TRUE(chart.Modified);
    form.ToolButton13->click();
    EXPECT_FALSE(chart.Modified);
    EXPECT_TRUE(dialogs_.shown().empty());

    const std::string path = base_ + "/MeuCarro/" + name.toStdString();
    const log_file::LoadedLog log = log_file::LoadLogFile(path, false);
    EXPECT_EQ(log.rows, 76u); // the row at -0.1 s and the 75 from zero on
    EXPECT_EQ(log.head.ZeroOffsetMs(), 100);
    EXPECT_NEAR(log.start, -0.1, 1e-12);
    ASSERT_EQ(log.channels.size(), 3u);
    std::vector<double> y;
    chart.SLScope1->Channels.GetItem(2).Data.GetYData(y);
    EXPECT_EQ(log.channels[2].signal.values, y);
    EXPECT_EQ(fileBytes(path).size(), 159u + 4 * 76 + 6);
}

// A download the reader would refuse is not stored: the user is told why
// when it ends, and no file is left to fail on opening.
TEST_F(MainFormDownloadFileTest, RefusedHeadIsToldAtTheEndAndLeavesNoFile)
{
    const struct {
        const char* name;
        std::vector<std::uint8_t> ids;
        std::uint8_t rate;
        const char* reason;
    } cases[] = {{"RateZero", {0, 1, 10}, 0, "a taxa de amostragem é zero"},
                 {"HighByteColumnMissing", {1, 10}, 10, "faltam colunas para os sinais da lista (há só 2)"},
                 {"LambdaWithoutItsHighByte", {10, 9}, 10, "faltam colunas para os sinais da lista (há só 2)"},
                 {"SeventeenSignals", {10, 11, 12, 13, 16, 17, 18, 19, 20, 10, 11, 12, 13, 16, 17, 18, 19}, 10,
                  "tem 17 sinais para exibir (no máximo 16)"}};
    TMainForm& form = show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs_.clearShown();
        download(20, 20, c.ids, c.rate);
        form.Downloading = true;
        const std::uint8_t end[64] = {lp::ReplyEnd};
        form.ShowRead(nullptr, 0, end, sizeof end);
        EXPECT_FALSE(form.Downloading);
        EXPECT_THAT(dialogs_.texts(), testing::ElementsAre(QStringLiteral("O LOG recebido não pode ser gravado: ") +
                                                           QString::fromUtf8(c.reason) + QStringLiteral(". Nada foi gravado.")));
        EXPECT_FALSE(exists("MeuCarro"));
        EXPECT_EQ(tree(), "<base>");
        EXPECT_TRUE(charts().empty());
    }
}

} // namespace
