#include "app/WindowTour.h"

#include "app/MainForm.h"
#include "app/MdiArrange.h"

#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QToolButton>

#include <cstdio>

namespace {

constexpr int tickMs = 50;
constexpr int giveUpAfterMs = 30000;
// Charts commit their data on a 100 ms timer: a picture waits for that.
constexpr int settleTicks = 6;
constexpr int arrangements = 3;

} // namespace

WindowTour::WindowTour(TMainForm& form, QString picturePrefix, std::function<void()> done)
    : QObject(&form), form_(form), picturePrefix_(std::move(picturePrefix)), done_(std::move(done)),
      ticksLeft_(giveUpAfterMs / tickMs)
{
    if (const QScreen* screen = form_.screen())
        form_.setGeometry(screen->availableGeometry());
    ticker_.setInterval(tickMs);
    connect(&ticker_, &QTimer::timeout, this, [this] { step(); });
    ticker_.start();
}

void WindowTour::step()
{
    if (!downloaded_) {
        if (--ticksLeft_ > 0 && download())
            return;
        downloaded_ = true;
        std::printf("tour: listed=%d opened=%zu\n", form_.DIR->count(), form_.chartSubWindows().size());
    }
    if (++settleTicks_ < settleTicks)
        return;
    settleTicks_ = 0;
    if (press_ > 0)
        arrange();
    if (press_ == arrangements) {
        ticker_.stop();
        std::fflush(stdout);
        done_();
        return;
    }
    form_.ToolButton16->click();
    ++press_;
}

// Starts the next download once the last one's chart is open; true while
// there is more to wait for.
bool WindowTour::download()
{
    const int listed = form_.DIR->count();
    const int opened = static_cast<int>(form_.chartSubWindows().size());
    if (listed == 0 || form_.Downloading || opened < requested_)
        return true;
    if (requested_ == listed)
        return false;
    form_.DIR->setCurrentRow(requested_++);
    form_.ToolButton19Click();
    return true;
}

void WindowTour::arrange()
{
    const QRect area = visibleArea(*form_.MdiArea);
    int inside = 0;
    const auto windows = form_.chartSubWindows();
    for (const QMdiSubWindow* window : windows)
        inside += area.contains(window->geometry());
    std::printf("arranged %d: windows=%zu inside=%d\n", press_, windows.size(), inside);
    const QString picture = picturePrefix_ + QStringLiteral("-arranged-%1.png").arg(press_);
    if (!form_.grab().save(picture))
        std::fprintf(stderr, "could not save %s\n", picture.toUtf8().constData());
}
