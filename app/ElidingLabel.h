#pragma once

#include <QLabel>

// A one-line label for a row of fixed-width neighbours: it asks for its
// preferred width, gives way down to a few pixels when its row is short of
// room, and then shows as much of its text as fits, ending in "…". text()
// stays the whole text.
class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // The width it asks for, and the most it takes.
    void setPreferredWidth(int width);
    // The text as painted at the present width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the text goes: the contents less the margin and, as a plain
    // framed label does, half an "x" on the side it is aligned to.
    QRect textRect() const;

    int preferredWidth_ = 0;
};
