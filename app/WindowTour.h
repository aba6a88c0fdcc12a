#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class TMainForm;

// Drives the main window the way a user trying the program would, for the
// start-up check in a real X window: fills the screen with the main window
// (there may be no window manager to maximise it), downloads every log the
// connected logger lists (each opens as a chart window), then presses the
// arrange button through its three arrangements. After each press it prints
// whether every chart window lies inside the work area and saves a picture
// of the main window as <picturePrefix>-arranged-<press>.png.
class WindowTour : public QObject {
public:
    WindowTour(TMainForm& form, QString picturePrefix, std::function<void()> done);

private:
    void step();
    bool download();
    void arrange();

    TMainForm& form_;
    QString picturePrefix_;
    std::function<void()> done_;
    QTimer ticker_;
    int requested_ = 0;
    bool downloaded_ = false;
    int press_ = 0;
    int ticksLeft_;
    int settleTicks_ = 0;
};
