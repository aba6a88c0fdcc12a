#include "app/ImageList48.h"

#include <QApplication>
#include <QStyle>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, QStyle::StandardPixmap>, 12> glyphs{{
    {ImageList48::Arrange, QStyle::SP_TitleBarNormalButton},
    {ImageList48::Save, QStyle::SP_DialogSaveButton},
    {ImageList48::SaveCopy, QStyle::SP_DriveFDIcon},
    {ImageList48::ZoomBoth, QStyle::SP_FileDialogContentsView},
    {ImageList48::ZoomTime, QStyle::SP_ToolBarHorizontalExtensionButton},
    {ImageList48::ZoomValue, QStyle::SP_ToolBarVerticalExtensionButton},
    {ImageList48::Pan, QStyle::SP_BrowserReload},
    {ImageList48::ZeroPoint, QStyle::SP_MediaSeekBackward},
    {ImageList48::Cut, QStyle::SP_DialogDiscardButton},
    {ImageList48::AutoScale, QStyle::SP_FileDialogDetailedView},
    {ImageList48::ShowPanel, QStyle::SP_ArrowRight},
    {ImageList48::HidePanel, QStyle::SP_ArrowLeft},
}};

} // namespace

ImageList48::ImageList48()
{
    icons_.resize(HidePanel + 1);
    QStyle* style = QApplication::style();
    for (const auto& [index, glyph] : glyphs) {
        QPixmap image = style->standardIcon(glyph).pixmap(Size, Size);
        // Some glyphs only come small; the strip's images are all full size.
        if (image.width() < Size && !image.isNull())
            image = image.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        icons_[static_cast<std::size_t>(index)] = QIcon(image);
    }
}

QIcon ImageList48::icon(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return icons_[static_cast<std::size_t>(index)];
}
