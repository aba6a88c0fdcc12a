#include "app/FolderWidgets.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int FolderRole = Qt::UserRole + 1;

bool isUnder(const QString& folder, const QString& root)
{
    if (root == QLatin1String("/"))
        return folder.startsWith(QLatin1Char('/'));
    return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

} // namespace

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent)
{
    addItems(mountRoots());
    connect(this, &QComboBox::activated, this, [this](int index) { emit driveChosen(itemText(index)); });
}

QStringList DriveComboBox::mountRoots()
{
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || roots.contains(root))
            continue;
        // Kernel and runtime mounts hold no user folders.
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys"))
            || root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")))
            continue;
        roots.push_back(root);
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

QString DriveComboBox::rootOf(const QString& folder, const QStringList& roots)
{
    QString best = QStringLiteral("/");
    for (const QString& root : roots) {
        if (isUnder(folder, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveComboBox::showDriveOf(const QString& folder)
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots.push_back(itemText(i));
    const QString root = rootOf(folder, roots);
    const int index = findText(root);
    if (index >= 0)
        setCurrentIndex(index);
}

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent)
{
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDirectory(itemFolder(item)); });
}

QString FolderListBox::itemFolder(const QListWidgetItem* item)
{
    return item == nullptr ? QString() : item->data(FolderRole).toString();
}

void FolderListBox::setDirectory(const QString& folder)
{
    QString target = folder.isEmpty() || QDir::isRelativePath(folder) ? QDir::homePath() : QDir::cleanPath(folder);
    while (!QFileInfo(target).isDir() && target != QLatin1String("/"))
        target = QFileInfo(target).path();
    if (!QFileInfo(target).isDir())
        target = QStringLiteral("/");
    const bool changed = target != directory_;
    directory_ = target;
    fill();
    if (changed)
        emit directoryChanged(directory_);
}

void FolderListBox::fill()
{
    clear();
    QStyle* style = QApplication::style();
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [this](const QString& text, const QString& path, const QIcon& icon, int depth) {
        auto* item = new QListWidgetItem(icon, QString(depth * 2, QLatin1Char(' ')) + text, this);
        item->setData(FolderRole, path);
        return item;
    };

    // The chain from the root down to the current folder.
    const QStringList parts = directory_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    QListWidgetItem* current = add(path, path, open, 0);
    for (int i = 0; i < parts.size(); ++i) {
        path = path == QLatin1String("/") ? path + parts[i] : path + QLatin1Char('/') + parts[i];
        current = add(parts[i], path, open, i + 1);
    }

    const QDir dir(directory_);
    const QStringList children =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children)
        add(child, dir.filePath(child), closed, static_cast<int>(parts.size()) + 1);
    setCurrentItem(current);
}
