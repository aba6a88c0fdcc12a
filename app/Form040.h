#pragma once

#include <QDialog>

class QFrame;
class QLabel;

// The about box; a click anywhere on it closes it.
class TForm040 : public QDialog {
    Q_OBJECT

public:
    explicit TForm040(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;

    void Panel1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
