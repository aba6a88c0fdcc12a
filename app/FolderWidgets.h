#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

// Choice of a mounted file system; shows the one holding a given folder.
class DriveComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveComboBox(QWidget* parent = nullptr);

    // Mount points of real file systems, "/" first.
    static QStringList mountRoots();
    // The root among roots that holds folder (longest match), "/" when none.
    static QString rootOf(const QString& folder, const QStringList& roots);

    QString drive() const { return currentText(); }
    void showDriveOf(const QString& folder);

signals:
    void driveChosen(const QString& root);
};

// A folder list: the chain of folders from "/" down to the current folder,
// then the current folder's sub-folders. Activating an entry (double click or
// Enter) makes it the current folder.
class FolderListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FolderListBox(QWidget* parent = nullptr);

    QString directory() const { return directory_; }
    // Goes to folder; when it does not exist, to its nearest existing ancestor
    // (the home folder for an empty or relative path).
    void setDirectory(const QString& folder);

    // The folder an entry stands for.
    static QString itemFolder(const QListWidgetItem* item);

signals:
    void directoryChanged(const QString& folder);

private:
    void fill();

    QString directory_;
};
