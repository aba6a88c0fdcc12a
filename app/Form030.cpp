#include "app/Form030.h"

#include "app/FolderWidgets.h"
#include "app/ZorvanSettings.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

TForm030::TForm030(AppServices& services, QWidget* parent) : QDialog(parent), services_(services)
{
    setObjectName(QStringLiteral("Form030"));
    setWindowTitle(QStringLiteral("Escolha a Pasta para os arquivos do DataLogger"));

    Drive = new DriveComboBox(this);
    Drive->setObjectName(QStringLiteral("Drive"));
    Diretorio = new FolderListBox(this);
    Diretorio->setObjectName(QStringLiteral("Diretorio"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setEnabled(false);
    // Not editable, but the folders must stay as easy to read as when enabled.
    QPalette readable = Panel1->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::Base, QPalette::Window})
        readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
    Panel1->setPalette(readable);
    Label1 = new QLabel(QStringLiteral("Atualmente usando a Pasta:"), Panel1);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Label2 = new QLabel(QStringLiteral("Nova Pasta Selecionada:"), Panel1);
    Memo2 = new QPlainTextEdit(Panel1);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    for (QPlainTextEdit* memo : {Memo1, Memo2}) {
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    }
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(Label1);
    panelLayout->addWidget(Memo1);
    panelLayout->addWidget(Label2);
    panelLayout->addWidget(Memo2);

    BitBtn2 = new QPushButton(QStringLiteral("Criar Nova Pasta"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn3 = new QPushButton(QStringLiteral("Cancelar"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));

    // The buttons run under both columns, so each has room for its text.
    auto* left = new QVBoxLayout;
    left->addWidget(Drive);
    left->addWidget(Diretorio, 1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(Panel1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);
    // Grows past its usual size only where this platform's fonts need it.
    setFixedSize(QSize(528, 341).expandedTo(minimumSizeHint()));

    connect(Drive, &DriveComboBox::driveChosen, Diretorio, &FolderListBox::setDirectory);
    connect(Diretorio, &FolderListBox::directoryChanged, Drive, &DriveComboBox::showDriveOf);
    connect(Diretorio, &FolderListBox::directoryChanged, this, [this] { DiretorioClick(); });
    connect(Diretorio, &QListWidget::itemClicked, this, [this] { DiretorioClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

void TForm030::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm030::FormShow()
{
    namespace zs = zorvan_settings;
    // A file that cannot be read leaves the folder this run uses.
    const QString folder = zs::heldValue(services_, zs::LogDirValue, services_.defaultLogDir);

    // A base folder that is gone leaves the list on its nearest existing parent.
    Diretorio->setDirectory(folder);
    Memo1->setPlainText(folder);
    chosen_ = Diretorio->directory();
    Memo2->setPlainText(chosen_);
}

void TForm030::DiretorioClick()
{
    chosen_ = Diretorio->directory();
    Memo2->setPlainText(chosen_);
}

void TForm030::BitBtn1Click()
{
    namespace zs = zorvan_settings;
    // A choice the file cannot take holds for this run, which is told.
    zs::saveChange(services_, zs::LogDirValue, Diretorio->directory(), zs::MissingKey::Create);
    accept();
}

void TForm030::BitBtn3Click()
{
    reject();
}

void TForm030::BitBtn2Click()
{
    const auto name = services_.dialogs.inputBox(QStringLiteral("Criar pasta em ") + chosen_,
                                                 QStringLiteral("Digite o nome da nova pasta:"), QString());
    if (!name || name->isEmpty())
        return;
    const QString folder = QDir(chosen_).filePath(*name);
    std::error_code error;
    const bool created = std::filesystem::create_directory(std::filesystem::path(folder.toStdString()), error);
    if (!created || error) {
        services_.dialogs.error(QStringLiteral("Erro ao criar nova pasta. Verifique o nome digitado !"));
        return;
    }
    Diretorio->setDirectory(folder);
    DiretorioClick();
}
