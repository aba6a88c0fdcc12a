#include "chart/SLScope.h"

#include "chart/ScopeRenderer.h"
#include "framework/ClassLibrary/TypeInfo.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zq::chart {

namespace {

constexpr int refreshIntervalMs = 100;
constexpr int dragThreshold = 3;
constexpr int hitTolerance = 3;

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

} // namespace

TSLScope::TSLScope(QWidget* parent) : TSLScope(static_cast<TComponent*>(nullptr), parent) {}

TSLScope::TSLScope(TComponent* owner, QWidget* parent)
    : QWidget(parent), TComponent(owner), layer_(MakeObject<TLPControlDrawLayer>(nullptr)), lock_(&layer_->Lock()),
      InputPins(MakeObject<TOWPinList>(this, false, lock_.Get())),
      XInputPins(MakeObject<TOWPinList>(this, false, lock_.Get())), Title(this), DataView(this), XAxis(this),
      YAxis(this), Zooming(this), Channels(this, *lock_, XAxis, YAxis), Cursors(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    refreshTimer_.setInterval(refreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { CommitPendingData(); });
    refreshTimer_.start();
}

TSLScope::~TSLScope()
{
    // Freed by Qt (a plain delete) the component's own destruction step has
    // not run: its pins are told their owner is going all the same.
    if (!ComponentState().destroying)
        TComponent::BeforeDestruction();
    refreshTimer_.stop();
    // Other threads give up on the chart from here on instead of waiting. The
    // layer goes through the class library whether Qt freed the widget through
    // its parent or a plain delete, so its whole destruction runs (clients,
    // keyed store), and while the channels its clients may use still stand.
    const TOWLockSectionRef stop = lock_->StopSection();
    layer_.reset();
    Channels.Clear();
}

const TClassInfo& TSLScope::StaticClassInfo()
{
    static const TClassInfo info("TSLScope", &TComponent::StaticClassInfo(),
                                 {Published<&TSLScope::GetInputPins, nullptr>("InputPins"),
                                  Published<&TSLScope::GetXInputPins, nullptr>("XInputPins")});
    return info;
}

void TSLScope::SetNavigateMode(TSLNavigateMode mode)
{
    const TOWLockSectionRef section = lock_->WriteSection();
    navigateMode_ = mode;
}

void TSLScope::SetCursor(int cursorId)
{
    cursorId_ = cursorId;
    setCursor(CursorShapeFor(cursorId));
}

std::vector<TSLBasicScopeYAxis*> TSLScope::yAxes() const
{
    std::vector<TSLBasicScopeYAxis*> axes{const_cast<TSLScopeYAxis*>(&YAxis)};
    for (int i = 0; i < YAxis.AdditionalAxes.Count(); ++i)
        axes.push_back(&YAxis.AdditionalAxes.GetItem(i).Axis);
    return axes;
}

void TSLScope::ZoomOff()
{
    {
        const TOWLockSectionRef section = lock_->WriteSection();
        XAxis.ZoomOff();
        for (auto* axis : yAxes())
            axis->ZoomOff();
    }
    if (OnZoomChanged)
        OnZoomChanged();
}

void TSLScope::GetValuesAtPoint(int pixelX, int pixelY, double& x, double& y) const
{
    const TOWLockSectionRef section = lock_->ReadSection();
    const ScopeLayout layout = ComputeLayout(*this, size());
    x = layout.XMap(XAxis).ToValue(pixelX);
    y = layout.YMap(YAxis).ToValue(pixelY);
}

void TSLScope::updateDataExtents()
{
    const auto extentOf = [this](auto bound) {
        double lo = std::numeric_limits<double>::infinity();
        double hi = -std::numeric_limits<double>::infinity();
        for (int i = 0; i < Channels.Count(); ++i) {
            const TSLScopeChannel& channel = Channels.GetItem(i);
            const auto xs = channel.Data.CommittedX();
            if (xs.empty())
                continue;
            bound(channel, xs, lo, hi);
        }
        return std::pair{lo, hi};
    };
    const auto [xLo, xHi] = extentOf([this](const TSLScopeChannel& c, std::span<const double> xs, double& lo,
                                            double& hi) {
        if (c.GetXAxis() != &XAxis)
            return;
        if (c.Data.IsSortedByX()) {
            lo = std::min(lo, xs.front());
            hi = std::max(hi, xs.back());
        } else {
            const auto [a, b] = std::minmax_element(xs.begin(), xs.end());
            lo = std::min(lo, *a);
            hi = std::max(hi, *b);
        }
    });
    XAxis.SetDataExtent(std::isfinite(xLo) && std::isfinite(xHi), xLo, xHi);

    for (auto* axis : yAxes()) {
        const auto [lo, hi] = extentOf([axis](const TSLScopeChannel& c, std::span<const double> xs, double& lo,
                                              double& hi) {
            if (c.GetYAxis() != axis)
                return;
            const MinMax mm = c.Data.Extremes(0, xs.size());
            lo = std::min(lo, axis->DataToDisplay(mm.min));
            hi = std::max(hi, axis->DataToDisplay(mm.max));
        });
        axis->SetDataExtent(std::isfinite(lo) && std::isfinite(hi), lo, hi);
    }
}

bool TSLScope::CommitPendingData()
{
    // Outside the lock: the channels take their own sections to append.
    for (int i = 0; i < Channels.Count(); ++i)
        Channels.GetItem(i).TakeQueuedData();
    bool changed = false;
    {
        const TOWLockSectionRef section = lock_->WriteSection();
        for (int i = 0; i < Channels.Count(); ++i)
            changed = Channels.GetItem(i).Data.Commit() || changed;
        if (changed)
            updateDataExtents();
    }
    if (changed)
        Invalidate();
    return changed;
}

void TSLScope::Invalidate()
{
    imageDirty_ = true;
    update();
}

void TSLScope::InvalidateOverlay()
{
    update();
}

void TSLScope::AxisRemoved(const TSLBasicScopeYAxis& axis)
{
    const TOWLockSectionRef section = lock_->WriteSection();
    for (int i = 0; i < Channels.Count(); ++i) {
        TSLScopeChannel& channel = Channels.GetItem(i);
        if (channel.GetYAxis() == &axis)
            channel.SetYAxis(YAxis);
    }
}

QRect TSLScope::DataRect() const
{
    const TOWLockSectionRef section = lock_->ReadSection();
    return ComputeLayout(*this, size()).dataRect;
}

void TSLScope::render()
{
    const TOWLockSectionRef section = lock_->ReadSection();
    const QSize target = size().expandedTo(QSize(1, 1));
    if (image_.size() != target)
        image_ = QImage(target, QImage::Format_RGB32);
    RenderScope(*this, ComputeLayout(*this, target), image_);
    imageDirty_ = false;
}

const QImage& TSLScope::RenderedImage()
{
    if (imageDirty_ || image_.size() != size().expandedTo(QSize(1, 1)))
        render();
    return image_;
}

void TSLScope::paintEvent(QPaintEvent*)
{
    RenderedImage();
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
    paintOverlay(painter);
}

void TSLScope::resizeEvent(QResizeEvent* event)
{
    imageDirty_ = true;
    QWidget::resizeEvent(event);
}

void TSLScope::paintOverlay(QPainter& painter) const
{
    const TOWLockSectionRef section = lock_->ReadSection();
    const ScopeLayout layout = ComputeLayout(*this, size());
    const QRect& data = layout.dataRect;
    const LinearMap xMap = layout.XMap(XAxis);

    for (int i = 0; i < Cursors.Count(); ++i) {
        const TSLDisplayCursor& cursor = Cursors.GetItem(i);
        const double px = xMap.ToPixel(cursor.Position.GetX());
        if (!cursor.GetVisible() || !(px >= data.left() && px <= data.right()))
            continue;
        painter.setPen(QPen(cursor.GetColor(), 1));
        const int x = static_cast<int>(std::lround(px));
        painter.drawLine(x, data.top(), x, data.bottom());
    }

    if (Cursors.Count() > 0) {
        const double cursorX = Cursors.GetItem(0).Position.GetX();
        const double px = xMap.ToPixel(cursorX);
        if (XAxis.GetVisible() && XAxis.GetTrackCursor() && px >= data.left() && px <= data.right()) {
            painter.setPen(QPen(XAxis.GetTrackColor(), 2));
            const int x = static_cast<int>(std::lround(px));
            painter.drawLine(x, data.bottom() + 1, x, data.bottom() + 8);
        }
        for (const AxisStrip& strip : layout.yStrips) {
            if (!strip.axis->GetTrackCursor())
                continue;
            for (int i = 0; i < Channels.Count(); ++i) {
                const TSLScopeChannel& channel = Channels.GetItem(i);
                if (channel.GetYAxis() != strip.axis || !channel.GetVisible())
                    continue;
                const auto values = channel.GetValuesAtX(cursorX);
                if (values.empty())
                    continue;
                const double py = layout.YDataMap(*strip.axis).ToPixel(values.front());
                if (py >= data.top() && py <= data.bottom()) {
                    painter.setPen(QPen(strip.axis->GetTrackColor(), 2));
                    const int y = static_cast<int>(std::lround(py));
                    painter.drawLine(strip.rect.right() - 8, y, strip.rect.right(), y);
                }
                break;
            }
        }
    }

    if (drag_ && drag_->moved && navigateMode_ == nmZoom) {
        const QColor color = Zooming.GetSelectionColor();
        QColor fill = color;
        fill.setAlpha(40);
        painter.setPen(QPen(color, 1, Qt::DashLine));
        painter.setBrush(fill);
        painter.drawRect(selectionRect(*drag_));
        painter.setBrush(Qt::NoBrush);
    }

    if (hoveredChannel_ >= 0 && !hitLabel_.isEmpty()) {
        const QFontMetrics fm(font());
        QRect box(mousePos_ + QPoint(12, 12), QSize(fm.horizontalAdvance(hitLabel_) + 8, fm.height() + 4));
        painter.fillRect(box, QColor(255, 255, 225));
        painter.setPen(Qt::black);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.drawText(box, Qt::AlignCenter, hitLabel_);
    }
}

QRect TSLScope::selectionRect(const Drag& drag) const
{
    const QRect data = DataRect();
    QRect r = QRect(drag.start, drag.current).normalized();
    if (Zooming.GetMode() == zmXAxis)
        r = QRect(QPoint(r.left(), data.top()), QPoint(r.right(), data.bottom()));
    else if (Zooming.GetMode() == zmYAxis)
        r = QRect(QPoint(data.left(), r.top()), QPoint(data.right(), r.bottom()));
    return r.intersected(data);
}

void TSLScope::applyZoom(const QRect& selection)
{
    {
        const TOWLockSectionRef section = lock_->WriteSection();
        const ScopeLayout layout = ComputeLayout(*this, size());
        const TSLZoomMode mode = Zooming.GetMode();
        if (mode != zmYAxis) {
            const LinearMap map = layout.XMap(XAxis);
            XAxis.ZoomTo(map.ToValue(selection.left()), map.ToValue(selection.right()));
        }
        if (mode != zmXAxis) {
            for (auto* axis : yAxes()) {
                const LinearMap map = layout.YMap(*axis);
                axis->ZoomTo(map.ToValue(selection.bottom()), map.ToValue(selection.top()));
            }
        }
    }
    if (OnZoomChanged)
        OnZoomChanged();
}

void TSLScope::applyPan(const Drag& drag, QPoint to)
{
    const TOWLockSectionRef section = lock_->WriteSection();
    const ScopeLayout layout = ComputeLayout(*this, size());
    const TSLZoomMode mode = Zooming.GetMode();
    const QPoint delta = to - drag.start;
    if (mode != zmYAxis) {
        const LinearMap map = MapSpan(drag.xView, layout.dataRect.left(), layout.dataRect.right());
        XAxis.PanBy(drag.xView, -delta.x() / map.scale);
    }
    if (mode != zmXAxis) {
        for (const auto& [axis, view] : drag.yViews) {
            const LinearMap map = MapSpan(view, layout.dataRect.bottom(), layout.dataRect.top());
            axis->PanBy(view, -delta.y() / map.scale);
        }
    }
}

void TSLScope::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    Drag drag;
    drag.start = drag.current = event->position().toPoint();
    {
        const TOWLockSectionRef section = lock_->ReadSection();
        drag.xView = XAxis.View();
        for (auto* axis : yAxes())
            drag.yViews.emplace_back(axis, axis->View());
    }
    drag_ = std::move(drag);
}

void TSLScope::mouseMoveEvent(QMouseEvent* event)
{
    mousePos_ = event->position().toPoint();
    if (drag_) {
        drag_->current = mousePos_;
        if ((drag_->current - drag_->start).manhattanLength() >= dragThreshold)
            drag_->moved = true;
        if (drag_->moved && navigateMode_ == nmPan)
            applyPan(*drag_, drag_->current);
        update();
    } else {
        setHoveredChannel(ChannelAt(mousePos_));
    }
    if (OnMouseMove)
        OnMouseMove(event->modifiers(), mousePos_.x(), mousePos_.y());
    if (hoveredChannel_ >= 0)
        update();
}

void TSLScope::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !drag_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    Drag drag = std::move(*drag_);
    drag_.reset();
    drag.current = event->position().toPoint();
    update();
    if (!drag.moved) {
        if (OnClick)
            OnClick();
        return;
    }
    if (navigateMode_ == nmZoom) {
        const QRect selection = selectionRect(drag);
        if (selection.width() >= dragThreshold || selection.height() >= dragThreshold)
            applyZoom(selection);
    } else {
        applyPan(drag, drag.current);
    }
}

void TSLScope::leaveEvent(QEvent* event)
{
    setHoveredChannel(-1);
    QWidget::leaveEvent(event);
}

void TSLScope::setHoveredChannel(int index)
{
    if (index == hoveredChannel_)
        return;
    if (hoveredChannel_ >= 0 && OnLeaveChannel)
        OnLeaveChannel();
    hoveredChannel_ = index;
    hitLabel_.clear();
    if (index >= 0) {
        hitLabel_ = Channels.GetItem(index).GetName();
        if (OnCustomMouseHitLabel)
            OnCustomMouseHitLabel(hitLabel_);
        if (OnOverChannel)
            OnOverChannel(index);
    }
    update();
}

int TSLScope::ChannelAt(QPoint point) const
{
    const TOWLockSectionRef section = lock_->ReadSection();
    const ScopeLayout layout = ComputeLayout(*this, size());
    const QRect& data = layout.dataRect;
    if (!data.contains(point))
        return -1;
    const int first = std::max(point.x() - hitTolerance, data.left());
    const int last = std::min(point.x() + hitTolerance, data.right());
    thread_local std::vector<QPoint> points;
    for (int i = Channels.Count() - 1; i >= 0; --i) {
        const TSLScopeChannel& channel = Channels.GetItem(i);
        if (!channel.GetVisible())
            continue;
        BuildTrace(channel.Data, layout.XMap(*channel.GetXAxis()), layout.YDataMap(*channel.GetYAxis()), first,
                   last, points);
        const double tolerance = hitTolerance + channel.GetWidth() / 2.0;
        if (points.size() == 1 && distanceToSegment(point, points[0], points[0]) <= tolerance)
            return i;
        for (std::size_t k = 1; k < points.size(); ++k)
            if (distanceToSegment(point, points[k - 1], points[k]) <= tolerance)
                return i;
    }
    return -1;
}

} // namespace zq::chart
