#pragma once

#include "chart/SLOptionalLabel.h"
#include "chart/SLScopeProperties.h"

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace zq::chart {

struct AxisSpan {
    double min;
    double max;
    double Width() const { return max - min; }
};

// A range limit of an axis; zooming and panning stay within it when enabled.
class TSLDisplayOptionalValue : public TSLScopeProperty {
public:
    TSLDisplayOptionalValue(TSLScope* owner, double value) : TSLScopeProperty(owner), value_(value) {}
    double GetValue() const { return value_; }
    void SetValue(double value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool enabled);

private:
    double value_;
    bool enabled_ = false;
};

class TSLAxisRange {
public:
    explicit TSLAxisRange(TSLScope* owner)
        : Low(owner, -std::numeric_limits<double>::max()), High(owner, std::numeric_limits<double>::max()) {}
    TSLDisplayOptionalValue Low;
    TSLDisplayOptionalValue High;
};

class TSLBasicAxisValue : public TSLScopeProperty {
public:
    TSLBasicAxisValue(TSLScope* owner, double value) : TSLScopeProperty(owner), value_(value) {}
    double GetValue() const { return value_; }
    void SetValue(double value);

private:
    double value_;
};

// An end of an axis: its value in display units and the data value that maps
// onto it.
class TSLBasicScopeAxisValue : public TSLBasicAxisValue {
public:
    TSLBasicScopeAxisValue(TSLScope* owner, double value)
        : TSLBasicAxisValue(owner, value), Range(owner), dataValue_(value) {}
    double GetDataValue() const { return dataValue_; }
    void SetDataValue(double value);

    TSLAxisRange Range;

private:
    double dataValue_;
};

class TSLAxisDataView {
public:
    explicit TSLAxisDataView(TSLScope* owner)
        : Lines(owner, QColor(215, 215, 215)), ZeroLine(owner, Qt::gray) {}
    TSLVisibleDisplayProperty Lines;
    TSLVisibleDisplayProperty ZeroLine;
};

// An axis: its full range (Min .. Max, or the data's extent while auto-scaling
// has one) and the part of it the user zoomed or panned to.
class TSLDisplayAxis : public TSLOptionalView {
public:
    TSLDisplayAxis(TSLScope* owner, const QString& label);
    virtual ~TSLDisplayAxis() = default;

    QColor GetColor() const { return color_; }
    void SetColor(QColor color);

    double DataToDisplay(double value) const;
    AxisSpan FullRange() const;
    AxisSpan View() const;
    bool IsZoomed() const { return zoomed_; }
    // Shows [a, b] (display units), kept inside the enabled range limits.
    void ZoomTo(double a, double b);
    // Shifts the view by delta display units without leaving the limits.
    void PanBy(const AxisSpan& from, double delta);
    void ZoomOff();
    // The chart passes the extent of the data drawn against this axis.
    void SetDataExtent(bool known, double min, double max);

    TSLFont Font;
    // The axis title, drawn in the label's own font.
    TSLOptionalLabel AxisLabel;
    TSLBasicScopeAxisValue Min;
    TSLBasicScopeAxisValue Max;
    TSLAxisDataView DataView;
    TSLViewButtonSettings ButtonSettings;
    TSLScopeAutoScaling AutoScaling;
    TSLBasicDisplayToolBar ToolBar;

private:
    void labelChanged(TObject*) { Changed(); }
    AxisSpan limits() const;
    AxisSpan clampToLimits(AxisSpan span) const;

    QColor color_ = Qt::black;
    bool zoomed_ = false;
    AxisSpan view_{0, 1};
    bool extentKnown_ = false;
    AxisSpan extent_{0, 1};
};

class TSLTrackingOptionalAxis : public TSLDisplayAxis {
public:
    using TSLDisplayAxis::TSLDisplayAxis;
    bool GetTrackCursor() const { return trackCursor_; }
    void SetTrackCursor(bool track);
    QColor GetTrackColor() const { return trackColor_; }
    void SetTrackColor(QColor color);

private:
    bool trackCursor_ = false;
    QColor trackColor_ = Qt::red;
};

class TSLBasicScopeYAxis : public TSLTrackingOptionalAxis {
public:
    using TSLTrackingOptionalAxis::TSLTrackingOptionalAxis;
    // Zooms the axis to [min, max] given in data units.
    void SetDataRange(double min, double max);
};

class TSLAdditionalScopeYAxis : public TSLBasicScopeYAxis {
public:
    explicit TSLAdditionalScopeYAxis(TSLScope* owner) : TSLBasicScopeYAxis(owner, "Y Axis") {}
};

class TSLScopeYAxesCollectionItem {
public:
    explicit TSLScopeYAxesCollectionItem(TSLScope* owner) : Axis(owner) {}
    TSLAdditionalScopeYAxis Axis;
};

class TSLScopeYAxesCollection {
public:
    explicit TSLScopeYAxesCollection(TSLScope* owner) : owner_(owner) {}
    TSLScopeYAxesCollectionItem& Add();
    TSLScopeYAxesCollectionItem& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear();

private:
    TSLScope* owner_;
    std::vector<std::unique_ptr<TSLScopeYAxesCollectionItem>> items_;
};

class TSLScopeYAxis : public TSLBasicScopeYAxis {
public:
    explicit TSLScopeYAxis(TSLScope* owner) : TSLBasicScopeYAxis(owner, "Y Axis"), AdditionalAxes(owner) {}
    TSLScopeYAxesCollection AdditionalAxes;
};

class TSLScopeXAxis : public TSLTrackingOptionalAxis {
public:
    explicit TSLScopeXAxis(TSLScope* owner) : TSLTrackingOptionalAxis(owner, "X Axis") {}
    // Lets the application write a tick label: (value, text in/out).
    std::function<void(double, QString&)> OnCustomLabel;
};

} // namespace zq::chart
