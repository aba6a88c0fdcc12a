// Page 2 of the main window: the log files under the base folder as a tree,
// and the writing and opening of log files.
#include "app/ChildWin.h"
#include "app/LogFileReader.h"
#include "app/LogFileSystem.h"
#include "app/LogFileWriter.h"
#include "app/MainForm.h"
#include "app/ReportPlatformErrors.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/PlatformError.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace {

constexpr int FilesPage = 2;
constexpr int MaxOpenCharts = 15;
// Longest node text a rename accepts.
constexpr int MaxNodeText = 150;
// The extension a log file node's file really has (letter case may differ).
constexpr int ExtensionRole = Qt::UserRole;

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString fromLocal(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

// A name for a new folder or a renamed node: one path component, inside the
// folder it is made in.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// Whether the folder holds an entry of that name, letter case ignored.
bool nameTaken(const QString& folder, const QString& name)
{
    const std::vector<log_fs::Entry> entries = log_fs::ListFolder(local(folder));
    return std::any_of(entries.begin(), entries.end(),
                       [&](const log_fs::Entry& e) { return fromLocal(e.name).compare(name, Qt::CaseInsensitive) == 0; });
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& text)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == text)
            return parent->child(i);
    }
    return nullptr;
}

// The item of a model index of the tree, found through the row numbers.
QTreeWidgetItem* itemOf(QTreeWidget& tree, const QModelIndex& index)
{
    std::vector<int> rows;
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        rows.push_back(i.row());
    if (rows.empty())
        return nullptr;
    QTreeWidgetItem* item = tree.topLevelItem(rows.back());
    for (auto it = rows.rbegin() + 1; item != nullptr && it != rows.rend(); ++it)
        item = item->child(*it);
    return item;
}

// A finished node text edit goes through the rename before the text is set.
class NodeEditDelegate final : public QStyledItemDelegate {
public:
    NodeEditDelegate(TMainForm& form, QTreeWidget& tree) : QStyledItemDelegate(&tree), form_(form), tree_(tree) {}

    bool editing() const { return openEditors_ > 0; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++openEditors_;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        --openEditors_;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = itemOf(tree_, index);
        if (line == nullptr || item == nullptr)
            return;
        QString text = line->text();
        if (text == item->text(0))
            return;
        form_.TreeView1Edited(item, text);
        model->setData(index, text);
    }

private:
    TMainForm& form_;
    QTreeWidget& tree_;
    mutable int openEditors_ = 0;
};

// Drops on the tree move log files; the view's own item moving stays out of
// it (the drop is reported as ignored, so the drag source removes nothing).
// Only a drag that started in the tree is a move of its selected node: text
// or files dragged in from elsewhere are refused.
class TreeDropFilter final : public QObject {
public:
    TreeDropFilter(TMainForm& form, QTreeWidget& tree) : QObject(&tree), form_(form), tree_(tree) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* move = static_cast<QDragMoveEvent*>(event);
            if (!startedInTree(*move)) {
                move->ignore();
                return true;
            }
            move->setDropAction(Qt::MoveAction);
            move->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (startedInTree(*drop)) {
                const QPoint at = drop->position().toPoint();
                form_.TreeView1DragDrop(at.x(), at.y());
            }
            drop->setDropAction(Qt::IgnoreAction);
            drop->accept();
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    bool startedInTree(const QDropEvent& event) const
    {
        const QObject* source = event.source();
        return source != nullptr && (source == &tree_ || source == tree_.viewport());
    }

    TMainForm& form_;
    QTreeWidget& tree_;
};

// Chart windows show their file's path and save to it: after a rename or move
// in the tree, those of the file (or of files inside the folder) follow it.
void followMove(const TMainForm& form, const QString& from, const QString& to)
{
    const QString insideFrom = from + QLatin1Char('/');
    for (QMdiSubWindow* window : form.chartSubWindows()) {
        auto* child = dynamic_cast<TMDIChild*>(window->widget());
        if (child == nullptr)
            continue;
        const QString path = child->FolderName + QLatin1Char('/') + child->FileName;
        QString moved;
        if (path == from)
            moved = to;
        else if (path.startsWith(insideFrom))
            moved = to + path.mid(from.size());
        else
            continue;
        const qsizetype slash = moved.lastIndexOf(QLatin1Char('/'));
        child->FolderName = moved.left(slash);
        child->FileName = moved.mid(slash + 1);
        child->setWindowTitle(moved);
    }
}

constexpr Qt::ItemFlags nodeFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable |
                                    Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;

QTreeWidgetItem* newNode(const QString& text)
{
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setFlags(nodeFlags);
    return node;
}

QTreeWidgetItem* newFileNode(const QString& text, const QString& extension)
{
    QTreeWidgetItem* node = newNode(text);
    node->setData(0, ExtensionRole, extension);
    return node;
}

} // namespace

void TMainForm::setupFilesPart()
{
    TreeView1->setIndentation(19);
    TreeView1->setSortingEnabled(true);
    TreeView1->sortByColumn(0, Qt::AscendingOrder);
    TreeView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    TreeView1->setDragEnabled(true);
    TreeView1->setAcceptDrops(true);
    TreeView1->viewport()->setAcceptDrops(true);
    TreeView1->setDragDropMode(QAbstractItemView::DragDrop);
    TreeView1->setItemDelegate(new NodeEditDelegate(*this, *TreeView1));
    TreeView1->viewport()->installEventFilter(new TreeDropFilter(*this, *TreeView1));
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { TreeView1DblClick(); });
}

bool TMainForm::isDirectory(const QString& path)
{
    return log_fs::IsDirectory(local(path));
}

bool TMainForm::isFile(const QString& path)
{
    return log_fs::IsFile(local(path));
}

QStringList TMainForm::FindAll(const QString& mask, int attribute)
{
    QStringList names;
    for (const std::string& name : log_fs::FindAll(local(mask), attribute))
        names.append(fromLocal(name));
    return names;
}

QString TMainForm::CompleteRecursive(const QTreeWidgetItem* node, bool withOwnName) const
{
    QString path = withOwnName ? node->text(0) : QString();
    for (const QTreeWidgetItem* n = node; n->parent() != nullptr;) {
        n = n->parent();
        path.prepend(n->text(0) + QLatin1Char('/'));
    }
    return path;
}

QString TMainForm::logFilePath(const QTreeWidgetItem* node) const
{
    const QVariant extension = node->data(0, ExtensionRole);
    return CompleteRecursive(node, true) + (extension.isValid() ? extension.toString() : LogExtension);
}

QString TMainForm::logFolder(const QString& name) const
{
    return name.isEmpty() ? LogDir : LogDir + QLatin1Char('/') + name;
}

QString TMainForm::logStem(const QString& name, unsigned number)
{
    return name + QStringLiteral("_LOG_%1").arg(number, 5, 10, QLatin1Char('0'));
}

void TMainForm::RefreshFiles()
{
    TreeView1->clear();
    if (!isDirectory(LogDir))
        log_fs::MakeFolder(local(LogDir));
    if (!LogDir.isEmpty() && QFileInfo(LogDir).isDir()) {
        QTreeWidgetItem* top = newNode(LogDir);
        TreeView1->addTopLevelItem(top);
        AddFiles(top);
    }
    TreeView1->sortItems(0, Qt::AscendingOrder);
}

void TMainForm::AddFiles(QTreeWidgetItem* node)
{
    // A folder reached twice (through a link back up the tree) is filled once,
    // so a link loop cannot recurse without end.
    QSet<QString> visited;
    const std::function<void(QTreeWidgetItem*)> fill = [&](QTreeWidgetItem* folderNode) {
        const QString folder = CompleteRecursive(folderNode, true);
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (visited.contains(canonical))
            return;
        visited.insert(canonical);
        for (const log_fs::Entry& entry : log_fs::ListFolder(local(folder))) {
            const QString name = fromLocal(entry.name);
            if (name.startsWith(QLatin1Char('.')))
                continue;
            if (entry.attributes == log_fs::Archive && name.endsWith(LogExtension, Qt::CaseInsensitive)) {
                const qsizetype stem = name.size() - LogExtension.size();
                folderNode->addChild(newFileNode(name.left(stem), name.mid(stem)));
            } else if (entry.attributes == log_fs::Directory) {
                QTreeWidgetItem* child = newNode(name);
                folderNode->insertChild(0, child);
                fill(child);
            }
        }
    };
    fill(node);
}

void TMainForm::TreeView1DblClick()
{
    QTreeWidgetItem* node = TreeView1->currentItem();
    const auto* delegate = dynamic_cast<const NodeEditDelegate*>(TreeView1->itemDelegate());
    if (node == nullptr || (delegate != nullptr && delegate->editing()))
        return;
    const QString file = logFilePath(node);
    if (!isFile(file))
        return;
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    AbreArquivo(file.left(slash), file.mid(slash + 1));
}

void TMainForm::TreeView1Edited(QTreeWidgetItem* node, QString& newText)
{
    const QString oldText = node->text(0);
    if (node->parent() == nullptr || !isPlainName(newText) || newText.size() > MaxNodeText) {
        newText = oldText;
        return;
    }
    const QString old = CompleteRecursive(node, true);
    const QString folder = CompleteRecursive(node, false);
    const bool folderNode = isDirectory(old);
    const QString from = folderNode ? old : logFilePath(node);
    const QString to = folder + newText + (folderNode ? QString() : LogExtension);
    if (!log_fs::MoveNoReplace(local(from), local(to))) {
        newText = oldText;
        return;
    }
    if (!folderNode)
        node->setData(0, ExtensionRole, LogExtension);
    followMove(*this, from, to);
}

void TMainForm::TreeView1DragDrop(int x, int y)
{
    QTreeWidgetItem* dragged = TreeView1->currentItem();
    QTreeWidgetItem* target = TreeView1->itemAt(x, y);
    if (dragged == nullptr || target == nullptr || dragged == target)
        return;
    const QString source = logFilePath(dragged);
    const QString targetFolder = CompleteRecursive(target, true);
    const QString fileName = QFileInfo(source).fileName();
    if (!isDirectory(targetFolder) || !isFile(source) || nameTaken(targetFolder, fileName))
        return;
    const QString destination = targetFolder + QLatin1Char('/') + fileName;
    if (!log_fs::MoveNoReplace(local(source), local(destination)))
        return;
    followMove(*this, source, destination);
    // The node goes where the file went: into the target folder.
    QTreeWidgetItem* parent = dragged->parent();
    parent->removeChild(dragged);
    target->addChild(dragged);
    TreeView1->setCurrentItem(dragged);
}

void TMainForm::NovaPasta1Click()
{
    if (PageControl1->currentIndex() != FilesPage)
        return;
    QTreeWidgetItem* folderNode = TreeView1->currentItem();
    if (folderNode != nullptr && !isDirectory(CompleteRecursive(folderNode, true)))
        folderNode = folderNode->parent();
    if (folderNode == nullptr || !isDirectory(CompleteRecursive(folderNode, true)))
        return;

    const std::optional<QString> name = services().dialogs.inputBox(
        QStringLiteral("Criar Nova Pasta"), QStringLiteral("Qual o Nome da Nova Pasta ?"), QString());
    if (!name || !isPlainName(*name))
        return;
    if (!log_fs::MakeFolder(local(CompleteRecursive(folderNode, true) + QLatin1Char('/') + *name)))
        return;
    QTreeWidgetItem* node = newNode(*name);
    folderNode->addChild(node);
    TreeView1->setCurrentItem(node);
}

void TMainForm::Excluir1Click()
{
    if (PageControl1->currentIndex() != FilesPage || !TreeView1->hasFocus())
        return;
    QTreeWidgetItem* node = TreeView1->currentItem();
    if (node == nullptr || node->parent() == nullptr || node->childCount() > 0)
        return;
    const QString path = CompleteRecursive(node, true);
    const bool removed = isDirectory(path) ? log_fs::RemoveEmptyFolder(local(path))
                                           : log_fs::RemoveFile(local(logFilePath(node)));
    if (removed)
        delete node;
}

QString TMainForm::GeraNovoArquivo()
{
    const TDownloadState& d = DownloadState;
    // Rows fill one after the other, so every row before the one being filled
    // is complete; an early end stores those.
    const int rows = d.Columns == 0 ? 0 : std::min({d.Row, d.Rows, Dados.rowCount()});
    if (rows <= 0 || Dados.colCount() < d.Columns) {
        platform::showMessage(services().dialogs, platform::Message::LogNoCompleteRow);
        return {};
    }
    // A log the program could not open again is not left behind as one.
    const log_file::LogHead head = log_file::MakeDownloadHead(d, static_cast<std::uint32_t>(rows));
    if (const log_file::HeadFault fault = log_file::CheckHead(head); fault != log_file::HeadFault::None) {
        platform::showMessage(services().dialogs, platform::Message::LogNotStored,
                              {QString::fromStdString(log_file::HeadFaultText(head, fault))});
        return {};
    }

    if (TreeView1->topLevelItemCount() == 0 || !QFileInfo(LogDir).isDir())
        RefreshFiles();
    // Without a base folder the log would land beside the file system's root.
    if (LogDir.isEmpty() || !QFileInfo(LogDir).isDir())
        throw platform::PlatformError(LogDir.isEmpty()
                                          ? platform::messageUtf8(platform::Message::LogFolderNotChosen)
                                          : platform::messageUtf8(platform::Message::LogFolderMissing, {LogDir}));
    QTreeWidgetItem* top = TreeView1->topLevelItem(0);
    const QString folder = logFolder(d.Name);
    if (!QFileInfo(folder).isDir() && !log_fs::MakeFolder(local(folder)))
        throw platform::PlatformError(
            platform::messageUtf8(platform::Message::FolderCreate, {folder, platform::causeText(errno)}));

    QString stem = logStem(d.Name, d.LogNumber);
    if (nameTaken(folder, stem + LogExtension)) {
        int copy = 1;
        while (nameTaken(folder, stem + QStringLiteral("_Copia%1").arg(copy, 3, 10, QLatin1Char('0')) + LogExtension))
            ++copy;
        stem += QStringLiteral("_Copia%1").arg(copy, 3, 10, QLatin1Char('0'));
    }

    std::vector<std::span<const std::uint8_t>> columns;
    for (int c = 0; c < d.Columns; ++c)
        columns.push_back(std::span(Dados.column(c)).first(static_cast<std::size_t>(rows)));
    log_file::WriteLogFile(local(folder + QLatin1Char('/') + stem + LogExtension), head, columns, false);

    // Nodes only for a file that is there. The device's folder may exist
    // without a node (the tree was not rebuilt since): it gets one.
    if (top != nullptr) {
        QTreeWidgetItem* folderNode = top;
        if (!d.Name.isEmpty()) {
            folderNode = childNamed(top, d.Name);
            if (folderNode == nullptr) {
                folderNode = newNode(d.Name);
                top->insertChild(0, folderNode);
            }
        }
        QTreeWidgetItem* node = newFileNode(stem, LogExtension);
        folderNode->addChild(node);
        top->setExpanded(true);
        folderNode->setExpanded(true);
        node->setExpanded(true);
        TreeView1->setCurrentItem(node);
    }
    return stem + LogExtension;
}

void TMainForm::AbreArquivo(const QString& folder, const QString& fileName)
{
    const QString caption = folder + QLatin1Char('/') + fileName;
    const std::vector<QMdiSubWindow*> charts = chartSubWindows();
    for (QMdiSubWindow* window : charts) {
        if (window->widget()->windowTitle() == caption) {
            MdiArea->setActiveSubWindow(window);
            return;
        }
    }
    if (charts.size() >= MaxOpenCharts) {
        services().dialogs.warning(QStringLiteral("Impossivel abrir mais de 15 graficos ao mesmo tempo."));
        return;
    }

    log_file::LoadedLog log;
    if (!reportPlatformErrors(services().dialogs,
                              [&] { log = log_file::LoadLogFile(local(caption), BotaoAutoEscala->isChecked()); }))
        return;
    TMDIChild* child = TMDIChild::Create(*this, caption);
    child->ClearGrafico();
    child->WideBandChannel = -1;
    for (const log_file::LoadedLog::Channel& channel : log.channels)
        child->SignalChannel[static_cast<std::size_t>(channel.listPosition)] =
            static_cast<std::uint8_t>(child->AddDecodedSignal(channel.signal, log.x));
    std::copy(log.head.bytes.begin(), log.head.bytes.end(), child->FileBlocks.bytes.begin());
    child->RawColumns = std::move(log.rawColumns);
    child->RowCount = static_cast<std::int32_t>(log.rows);
    child->StartTime = log.start;
    child->TimeStep = log.step;
    child->ColumnCount = log.head.Columns();
    child->SignalCount = log.head.SignalCount();
    child->FolderName = folder;
    child->FileName = fileName;
    child->FinishOpening();
}
