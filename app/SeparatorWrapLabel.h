#pragma once

#include <QLabel>
#include <QStringList>

// A label whose text breaks into lines only right after a separator (not
// after one that opens the text), never between the words of an item:
// "::: Mem.Livre: 64 KBytes  :::  # Ultimo Log: 3 :::" shows as
// "::: Mem.Livre: 64 KBytes  :::" over "# Ultimo Log: 3 :::" when it does
// not fit on one line. text() stays the caption as set; an item wider than
// the label keeps a line of its own.
class SeparatorWrapLabel : public QLabel {
public:
    SeparatorWrapLabel(QString separator, const QString& text, QWidget* parent = nullptr);

    // The lines the text shows in when `width` pixels are free for it.
    QStringList lines(int width) const;
    // The pixels the text may use on each line.
    int textWidth() const { return textRect().width(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
    int chrome() const; // frame and margin on both sides
    // Where lines may break: the text's spans between break points, trimmed.
    struct Item {
        qsizetype begin, end;
    };
    std::vector<Item> items() const;

    QString separator_;
};
