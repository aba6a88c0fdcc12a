#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

namespace {

QString boxCaption()
{
    return QApplication::applicationDisplayName();
}

} // namespace

void QtDialogs::message(const QString& text)
{
    QMessageBox::information(parent_, boxCaption(), text, QMessageBox::Ok);
}

Answer QtDialogs::askYesNo(const QString& text)
{
    const auto button = QMessageBox::question(parent_, boxCaption(), text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Answer QtDialogs::askYesNoCancel(const QString& text)
{
    const auto button =
        QMessageBox::question(parent_, boxCaption(), text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

std::optional<QString> QtDialogs::inputBox(const QString& caption, const QString& prompt,
                                           const QString& defaultText)
{
    bool accepted = false;
    QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

int QtDialogs::runModal(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace platform
