#include "app/Form040.h"

#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QVBoxLayout>

TForm040::TForm040(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Form040"));
    setWindowTitle(QStringLiteral("Sobre o produto..."));
    setFixedSize(329, 143);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    const auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), Panel1);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        return l;
    };
    ProductName = label("ProductName", "Brindlewick - Analisador de Dados para Datalogger ZORVAN");
    Version = label("Version", "Versão 1.00");
    Copyright = label("Copyright", "Zorvan Performance Parts.");
    Comments = label("Comments", "www.zorvan.example");

    auto* panelLayout = new QVBoxLayout(Panel1);
    for (QLabel* l : {ProductName, Version, Copyright, Comments})
        panelLayout->addWidget(l);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);

    // Clicks on the labels reach the panel too.
    Panel1->installEventFilter(this);
}

void TForm040::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen rather than on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

bool TForm040::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::MouseButtonRelease) {
        Panel1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm040::Panel1Click()
{
    accept();
}
