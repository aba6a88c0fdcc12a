#pragma once

#include "chart/SLScopeAxes.h"
#include "chart/SLScopeChannels.h"
#include "chart/SLScopeProperties.h"
#include "framework/ClassLibrary/Component.h"
#include "framework/components/LPControlDrawLayer.h"
#include "framework/pins/OWPinList.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

namespace zq::chart {

// Oscilloscope-style chart: channels of (x, y) samples drawn over a common X
// axis, each against its own Y axis, with mouse zoom and pan. The traces are
// drawn into an off-screen image that is only rebuilt when something in it
// changes; cursors, the zoom selection and the hit label are painted over it.
//
// It is also a component of the class library: its name and its published
// pin lists InputPins and XInputPins name its channels' pins, whose owner it is,
// so that links to them are found by path and stored with a form. Qt (its
// parent widget) or its owner component frees it, whichever comes first.
class TSLScope : public QWidget, public TComponent {
    Q_OBJECT

    // First, so that every sub-object can be handed the lock they share. The
    // chart is a draw layer; the layer's lock is the chart's lock, and the
    // counted reference keeps it for the sub-objects until the last is gone.
    TOwned<TLPControlDrawLayer> layer_;
    TLPLockRef lock_;

public:
    explicit TSLScope(QWidget* parent = nullptr);
    // Owned by a component (a form) as well, which frees it with itself.
    explicit TSLScope(TComponent* owner, QWidget* parent = nullptr);
    ~TSLScope() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Data, views and drawing go under sections of it; another thread that
    // holds it holds up the chart's redraw.
    ILPLock& Lock() const { return *lock_; }
    TLPControlDrawLayer& DrawLayer() const { return *layer_; }

    TSLScopeChannels& GetChannels() { return Channels; }
    TOWPinList* GetInputPins() const { return InputPins.get(); }
    TOWPinList* GetXInputPins() const { return XInputPins.get(); }
    TSLDisplayCursors& GetCursors() { return Cursors; }

    TSLNavigateMode GetNavigateMode() const { return navigateMode_; }
    void SetNavigateMode(TSLNavigateMode mode);
    int GetCursor() const { return cursorId_; }
    void SetCursor(int cursorId);

    // Every axis back to its full range.
    virtual void ZoomOff();

    // Chart values under a point of the control: X axis and default Y axis.
    void GetValuesAtPoint(int pixelX, int pixelY, double& x, double& y) const;

    // Takes what the channels' input pins queued, then commits channel data
    // handed over since the last refresh; the refresh
    // timer calls this every 100 ms. True when something changed.
    bool CommitPendingData();

    // The off-screen image as it stands after drawing any pending change.
    const QImage& RenderedImage();
    // The data area inside the axes, in control coordinates.
    QRect DataRect() const;

    // Index of the visible channel whose trace passes within a few pixels of
    // the point, topmost first; -1 when none.
    int ChannelAt(QPoint point) const;

    // Sub-objects call these when they change.
    void Invalidate();
    void InvalidateOverlay();
    void AxisRemoved(const TSLBasicScopeYAxis& axis);

    // The channels' input pins, each named "Channel" and the count of input
    // pins before it: InputPins their samples, XInputPins their X values.
    // The chart is the pins' owner component and its lock their owner lock;
    // the channels hold them, the lists do not free them.
    TOwned<TOWPinList> InputPins;
    TOwned<TOWPinList> XInputPins;
    TSLScopeTitle Title;
    TSLScopeDataView DataView;
    TSLScopeXAxis XAxis;
    TSLScopeYAxis YAxis;
    TSLDisplayZoom Zooming;
    TSLScopeChannels Channels;
    TSLDisplayCursors Cursors;

    std::function<void()> OnClick;
    std::function<void(Qt::KeyboardModifiers, int, int)> OnMouseMove;
    std::function<void()> OnZoomChanged;
    std::function<void(int)> OnOverChannel;
    std::function<void()> OnLeaveChannel;
    std::function<void(QString&)> OnCustomMouseHitLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Drag {
        QPoint start;
        QPoint current;
        bool moved = false;
        AxisSpan xView{};
        std::vector<std::pair<TSLDisplayAxis*, AxisSpan>> yViews;
    };

    std::vector<TSLBasicScopeYAxis*> yAxes() const;
    void updateDataExtents();
    void render();
    void paintOverlay(QPainter& painter) const;
    void applyZoom(const QRect& selection);
    void applyPan(const Drag& drag, QPoint to);
    void setHoveredChannel(int index);
    QRect selectionRect(const Drag& drag) const;

    TSLNavigateMode navigateMode_ = nmZoom;
    int cursorId_ = crDefault;
    QTimer refreshTimer_;
    QImage image_;
    bool imageDirty_ = true;
    std::optional<Drag> drag_;
    int hoveredChannel_ = -1;
    QString hitLabel_;
    QPoint mousePos_;
};

} // namespace zq::chart
