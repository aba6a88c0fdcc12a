#pragma once

#include "app/AppServices.h"

#include <QDialog>
#include <QString>

class DriveComboBox;
class FolderListBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Choice (and creation) of the base folder of the log files, stored as the
// LogDir setting.
class TForm030 : public QDialog {
    Q_OBJECT

public:
    explicit TForm030(AppServices& services, QWidget* parent = nullptr);

    DriveComboBox* Drive = nullptr;
    FolderListBox* Diretorio = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr; // folder in use
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr; // folder chosen now
    QPushButton* BitBtn2 = nullptr;  // "Criar Nova Pasta"
    QPushButton* BitBtn1 = nullptr;  // "OK"
    QPushButton* BitBtn3 = nullptr;  // "Cancelar"

    QString chosenFolder() const { return chosen_; }

    void FormShow();
    void DiretorioClick();
    void BitBtn1Click();
    void BitBtn3Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppServices& services_;
    QString chosen_;
};
