#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace platform {

namespace {

QString boxCaption()
{
    return QApplication::applicationDisplayName();
}

// Width a title bar needs for a caption: the text in the bold face window
// managers commonly use, plus the window icon and up to three buttons.
int titleBarWidth(const QWidget& window, const QString& caption)
{
    QFont bold = window.font();
    bold.setBold(true);
    const int buttons = 4 * window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(bold).horizontalAdvance(caption) + buttons;
}

} // namespace

std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& caption, const QString& prompt,
                                              const QString& defaultText)
{
    auto dialog = std::make_unique<QInputDialog>(parent);
    dialog->setWindowTitle(caption);
    dialog->setLabelText(prompt);
    dialog->setTextValue(defaultText);
    dialog->setInputMode(QInputDialog::TextInput);
    int width = titleBarWidth(*dialog, caption);
    if (const QScreen* screen = dialog->screen())
        width = std::min(width, screen->availableGeometry().width());
    // The dialog's own layout sets its minimum size, so the width is asked of
    // the line edit, which spans it.
    if (auto* edit = dialog->findChild<QLineEdit*>()) {
        const QMargins margins = dialog->layout() ? dialog->layout()->contentsMargins() : QMargins();
        edit->setMinimumWidth(width - margins.left() - margins.right());
    }
    return dialog;
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton)
{
    auto box = std::make_unique<QMessageBox>(icon, boxCaption(), text, buttons, parent);
    box->setDefaultButton(defaultButton);
    return box;
}

void QtDialogs::showMessage(const QString& text, Severity severity)
{
    static constexpr QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Warning,
                                                  QMessageBox::Critical};
    makeMessageBox(parent_, icons[static_cast<int>(severity)], text, QMessageBox::Ok, QMessageBox::Ok)->exec();
}

namespace {

QMessageBox::StandardButton ask(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons)
{
    const auto box = makeMessageBox(parent, QMessageBox::Question, text, buttons, QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

} // namespace

Answer QtDialogs::askYesNo(const QString& text)
{
    const auto button = ask(parent_, text, QMessageBox::Yes | QMessageBox::No);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Answer QtDialogs::askYesNoCancel(const QString& text)
{
    const auto button = ask(parent_, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

std::optional<QString> QtDialogs::inputBox(const QString& caption, const QString& prompt,
                                           const QString& defaultText)
{
    const auto dialog = makeInputDialog(parent_, caption, prompt, defaultText);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->textValue();
}

int QtDialogs::runModal(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace platform
