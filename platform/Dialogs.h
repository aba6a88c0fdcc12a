#pragma once

#include <QString>

#include <memory>
#include <optional>

#include <QMessageBox>

class QDialog;
class QInputDialog;
class QWidget;

namespace platform {

enum class Answer { Yes, No, Cancel };

// What a message tells: its box shows the matching icon.
enum class Severity { Information, Warning, Error };

// Every message and question the program puts to the user goes through this
// interface, so that tests can script the answers and read what was shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Message box with an OK button and the icon of its severity.
    virtual void showMessage(const QString& text, Severity severity) = 0;
    void message(const QString& text) { showMessage(text, Severity::Information); }
    void warning(const QString& text) { showMessage(text, Severity::Warning); }
    void error(const QString& text) { showMessage(text, Severity::Error); }
    // Confirmation with Yes and No; closing the box counts as No.
    virtual Answer askYesNo(const QString& text) = 0;
    // Confirmation with Yes, No and Cancel; closing the box counts as Cancel.
    virtual Answer askYesNoCancel(const QString& text) = 0;
    // One-line input; nullopt when the user cancels.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText) = 0;
    // Shows a dialog window modally and returns its QDialog result code.
    virtual int runModal(QDialog& dialog) = 0;
};

// The one-line input box QtDialogs shows, wide enough for its whole caption
// (as far as the screen allows).
std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& caption, const QString& prompt,
                                              const QString& defaultText);

// The message box QtDialogs shows, with the program's caption. Its buttons
// read in the application's language (see installToolkitTranslations).
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton);

// The real boxes, owned by the given window (or centred on the screen without one).
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(const QString& text, Severity severity) override;
    Answer askYesNo(const QString& text) override;
    Answer askYesNoCancel(const QString& text) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    int runModal(QDialog& dialog) override;

private:
    QWidget* parent_;
};

} // namespace platform
