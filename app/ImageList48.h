#pragma once

#include <QIcon>

#include <vector>

// The 48 x 48 image strip of the main tool bar. Buttons refer to images by
// index; the index of the panel button's image tells whether the panel shows.
class ImageList48 {
public:
    enum Index {
        Arrange = 0,
        Save = 1,
        SaveCopy = 2,
        ZoomBoth = 3,
        ZoomTime = 4,
        ZoomValue = 5,
        Pan = 6,
        ZeroPoint = 7,
        Cut = 8,
        AutoScale = 9,
        ShowPanel = 13,
        HidePanel = 14,
    };

    ImageList48();

    static constexpr int Size = 48;
    QIcon icon(int index) const;
    int count() const { return static_cast<int>(icons_.size()); }

private:
    std::vector<QIcon> icons_;
};
