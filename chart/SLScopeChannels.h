#pragma once

#include "chart/SLChannelData.h"
#include "chart/SLScopeAxes.h"
#include "chart/SLScopeChannelInputs.h"
#include "chart/SLScopeProperties.h"
#include "framework/streams/SLOWQueuedSinkPins.h"

#include <memory>
#include <vector>

namespace zq::chart {

class TSLDisplayCollectionItem : public TSLScopeProperty {
public:
    explicit TSLDisplayCollectionItem(TSLScope* owner) : TSLScopeProperty(owner) {}
    virtual ~TSLDisplayCollectionItem() = default;
    const QString& GetName() const { return name_; }
    void SetName(const QString& name);

private:
    QString name_;
};

class TSLOptionalDisplayCollectionItem : public TSLDisplayCollectionItem {
public:
    using TSLDisplayCollectionItem::TSLDisplayCollectionItem;
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible);

private:
    bool visible_ = true;
};

class TSLDisplayChannel : public TSLOptionalDisplayCollectionItem {
public:
    TSLDisplayChannel(TSLScope* owner, TSLScopeXAxis& xAxis, TSLBasicScopeYAxis& yAxis)
        : TSLOptionalDisplayCollectionItem(owner), xAxis_(&xAxis), yAxis_(&yAxis) {}

    QColor GetColor() const { return color_; }
    void SetColor(QColor color);
    int GetWidth() const { return width_; }
    void SetWidth(int pixels);

    TSLBasicScopeYAxis* GetYAxis() const { return yAxis_; }
    void SetYAxis(TSLBasicScopeYAxis& axis);
    TSLScopeXAxis* GetXAxis() const { return xAxis_; }
    void SetXAxis(TSLScopeXAxis& axis);

    virtual std::vector<double> GetValuesAtX(double x) const = 0;

private:
    QColor color_ = Qt::red;
    int width_ = 1;
    TSLScopeXAxis* xAxis_;
    TSLBasicScopeYAxis* yAxis_;
};

class TSLScopeChannel : public TSLDisplayChannel {
public:
    TSLScopeChannel(TSLScope* owner, IOWLock& lock, TSLScopeXAxis& xAxis, TSLBasicScopeYAxis& yAxis);
    ~TSLScopeChannel() override;

    std::vector<double> GetValuesAtX(double x) const override { return Data.GetValuesAtX(x); }

    // Appends what the input pins queued and is ready; the chart's refresh
    // calls it without holding the chart's lock. True when samples came in.
    bool TakeQueuedData();
    TSLScopeChannelInputs& Inputs() { return inputs_; }
    // The channel's samples and their X values; the chart is their owner
    // component, and they are in its InputPins and XInputPins while the
    // channel stands.
    TSLOWComboRealIntComplexPairedQueuedSinkPin& InputPin() const { return *yPin_; }
    TSLOWQueuedIntegerRealSinkPin& XInputPin() const { return *xPin_; }

    TSLChannelData Data;

private:
    // Made before the inputs, which hold their queued state, and freed
    // before them by the destructor.
    TSLScope* scope_;
    TOwned<TSLOWComboRealIntComplexPairedQueuedSinkPin> yPin_;
    TOwned<TSLOWQueuedIntegerRealSinkPin> xPin_;
    TSLScopeChannelInputs inputs_;
};

class TSLScopeChannels {
public:
    TSLScopeChannels(TSLScope* owner, IOWLock& lock, TSLScopeXAxis& xAxis, TSLBasicScopeYAxis& yAxis)
        : owner_(owner), lock_(lock), xAxis_(xAxis), yAxis_(yAxis) {}

    TSLScopeChannel& Add();
    TSLScopeChannel& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear();

private:
    TSLScope* owner_;
    IOWLock& lock_;
    TSLScopeXAxis& xAxis_;
    TSLBasicScopeYAxis& yAxis_;
    std::vector<std::unique_ptr<TSLScopeChannel>> items_;
};

class TSLDisplayCursorPosition : public TSLScopeProperty {
public:
    explicit TSLDisplayCursorPosition(TSLScope* owner) : TSLScopeProperty(owner) {}
    double GetX() const { return x_; }
    void SetX(double x);

private:
    double x_ = 0;
};

// A vertical cursor line across the data area.
class TSLDisplayCursor : public TSLScopeProperty {
public:
    explicit TSLDisplayCursor(TSLScope* owner) : TSLScopeProperty(owner), Position(owner) {}
    const QString& GetName() const { return name_; }
    void SetName(const QString& name) { Store(name_, name); }
    QColor GetColor() const { return color_; }
    void SetColor(QColor color);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool visible);

    TSLDisplayCursorPosition Position;

private:
    QString name_;
    QColor color_ = Qt::black;
    bool visible_ = true;
};

class TSLDisplayCursors {
public:
    explicit TSLDisplayCursors(TSLScope* owner) : owner_(owner) {}
    TSLDisplayCursor& Add();
    TSLDisplayCursor& GetItem(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear();

private:
    TSLScope* owner_;
    std::vector<std::unique_ptr<TSLDisplayCursor>> items_;
};

} // namespace zq::chart
