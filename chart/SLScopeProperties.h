#pragma once

#include "chart/SLDisplayAttributes.h"
#include "framework/locks/OWLock.h"

#include <QColor>
#include <QString>

#include <Qt>

#include <utility>

namespace zq::chart {

class TSLScope;

enum TSLNavigateMode { nmZoom = 0, nmPan = 1 };
enum TSLZoomMode { zmBoth = 0, zmXAxis = 1, zmYAxis = 2 };

// Platform cursor ids as the application passes them to the control.
inline constexpr int crDefault = 0;
inline constexpr int crArrow = -2;
inline constexpr int crCross = -3;
inline constexpr int crSizeNS = -7;
inline constexpr int crSizeNWSE = -8;
inline constexpr int crSizeWE = -9;
inline constexpr int crHSplit = -14;

Qt::CursorShape CursorShapeFor(int cursorId);

// A write section of the chart's lock; null without a chart, or while another
// thread stops the chart (it is going).
TOWLockSectionRef ChartWriteSection(const TSLScope* owner);

// Sub-objects of the chart tell it when a change needs a redraw.
class TSLScopeProperty {
public:
    TSLScopeProperty(const TSLScopeProperty&) = delete;
    TSLScopeProperty& operator=(const TSLScopeProperty&) = delete;

protected:
    explicit TSLScopeProperty(TSLScope* owner) : owner_(owner) {}
    ~TSLScopeProperty() = default;
    // Something drawn into the chart's image changed.
    void Changed() const;
    // Only something drawn over the image (cursors, marks) changed.
    void OverlayChanged() const;
    TSLScope* Owner() const { return owner_; }

    // Stores value under a write section of the chart's lock; true when the
    // field changed. While another thread stops the chart (it is going),
    // nothing is stored.
    template<class T, class V>
    bool Store(T& field, V&& value) const
    {
        const TOWLockSectionRef section = WriteSection();
        if ((owner_ && !section) || field == value)
            return false;
        field = std::forward<V>(value);
        return true;
    }
    TOWLockSectionRef WriteSection() const { return ChartWriteSection(owner_); }

private:
    TSLScope* owner_;
};

class TSLFont : public TSLScopeProperty {
public:
    explicit TSLFont(TSLScope* owner, QColor color = Qt::black) : TSLScopeProperty(owner), color_(color) {}
    QColor GetColor() const { return color_; }
    void SetColor(QColor color);

private:
    QColor color_;
};

// A line layer that can be switched off: grid lines, zero line, border. A
// change of its pen redraws the chart.
class TSLVisibleDisplayProperty : public TSLScopeProperty {
public:
    TSLVisibleDisplayProperty(TSLScope* owner, QColor color, bool visible = true, int width = 1);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible);

    TSLDisplayPen Pen;

private:
    void penChanged(TObject*) { Changed(); }
    bool visible_;
};

// A setting the control holds for the application without acting on it.
class TSLEnabledSetting : public TSLScopeProperty {
public:
    explicit TSLEnabledSetting(TSLScope* owner, bool enabled = true) : TSLScopeProperty(owner), enabled_(enabled) {}
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool enabled);

private:
    bool enabled_;
};

class TSLViewButtonSettings : public TSLEnabledSetting {
public:
    using TSLEnabledSetting::TSLEnabledSetting;
};

class TSLScopeAutoScaling : public TSLEnabledSetting {
public:
    using TSLEnabledSetting::TSLEnabledSetting;
};

class TSLBasicDisplayToolBar : public TSLScopeProperty {
public:
    explicit TSLBasicDisplayToolBar(TSLScope* owner) : TSLScopeProperty(owner) {}
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible) { Store(visible_, visible); }

private:
    bool visible_ = true;
};

class TSLOptionalView : public TSLScopeProperty {
public:
    explicit TSLOptionalView(TSLScope* owner, bool visible = true) : TSLScopeProperty(owner), visible_(visible) {}
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible);

private:
    bool visible_;
};

class TSLTextLabel : public TSLScopeProperty {
public:
    TSLTextLabel(TSLScope* owner, QString text) : TSLScopeProperty(owner), Font(owner), text_(std::move(text)) {}
    const QString& GetText() const { return text_; }
    void SetText(const QString& text);

    TSLFont Font;

private:
    QString text_;
};

class TSLScopeTitle : public TSLTextLabel {
public:
    explicit TSLScopeTitle(TSLScope* owner) : TSLTextLabel(owner, QString()) {}
    // Pixels kept free above the data area for the title.
    int GetHeight() const { return height_; }
    void SetHeight(int pixels);

private:
    int height_ = 20;
};

class TSLScopeDataView : public TSLScopeProperty {
public:
    explicit TSLScopeDataView(TSLScope* owner)
        : TSLScopeProperty(owner), Border(owner, Qt::gray), background_(Qt::white) {}
    QColor GetColor() const { return background_; }
    void SetColor(QColor color);

    TSLVisibleDisplayProperty Border;

private:
    QColor background_;
};

class TSLDisplayZoom : public TSLScopeProperty {
public:
    explicit TSLDisplayZoom(TSLScope* owner) : TSLScopeProperty(owner) {}
    TSLZoomMode GetMode() const { return mode_; }
    void SetMode(TSLZoomMode mode) { Store(mode_, mode); }
    QColor GetSelectionColor() const { return selectionColor_; }
    void SetSelectionColor(QColor color) { Store(selectionColor_, color); }

private:
    TSLZoomMode mode_ = zmBoth;
    QColor selectionColor_ = QColor(0, 0, 128);
};

} // namespace zq::chart
