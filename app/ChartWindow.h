#pragma once

// What the main window needs of a chart window. A chart window is the widget of
// a QMdiSubWindow in TMainForm's MdiArea and implements this interface
// (class TMDIChild : public QWidget, public ChartWindow).
//
// Closing the main window walks the chart windows in MDI order and calls
// askToClose() on each. The chart window runs its own close handling there: when
// modified it asks "save before closing?" with Yes/No/Cancel through
// platform::Dialogs, saves on Yes, and frees its chart. It returns Closed when
// the window may go; the main window then deletes the QMdiSubWindow itself and
// lets pending events run before the next one. Cancelled keeps the window and
// ends the main window's close with every remaining chart window open.
//
// The chart window's own closeEvent (title-bar close) should route through
// askToClose() as well and ignore the event on Cancelled, so both paths ask the
// same question.
class ChartWindow {
public:
    enum class CloseResult { Closed, Cancelled };

    virtual ~ChartWindow() = default;

    virtual CloseResult askToClose() = 0;
    // Data changed since the last save.
    virtual bool isModified() const = 0;
};
