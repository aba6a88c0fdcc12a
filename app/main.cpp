#include "app/AppServices.h"
#include "app/MainForm.h"
#include "app/ProgramIcon.h"
#include "app/WindowTour.h"
#include "app/ZorvanSettings.h"
#include "device/sim/DemoLogs.h"
#include "dsp/SLBasicDispatcher.h"
#include "framework/components/SLParkingForm.h"
#include "framework/pins/OWPins.h"
#include "framework/streams/SLBufferTypes.h"
#include "framework/text/FloatToDisplayText.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "platform/Translations.h"
#include "platform/hid/HidBackend.h"
#include "platform/hid/SimulatedHidBus.h"

#include <QApplication>
#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QLocale>
#include <QStatusBar>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace {

// One line that says what the main window shows, for the start-up check.
QString describe(const TMainForm& form)
{
    QStringList pages;
    for (int i = 0; i < form.PageControl1->count(); ++i)
        pages << form.PageControl1->tabText(i);
    QStringList panels;
    for (const QLabel* panel : form.StatusPanels)
        panels << QString::number(panel->width());
    return QStringLiteral("caption=\"%1\" pages=\"%2\" panels=\"%3\" connection=\"%4\"")
        .arg(form.windowTitle(), pages.join(QLatin1Char('|')), panels.join(QLatin1Char(',')), form.statusText(1));
}

// A box open at check time (a failure told at start) is described, pictured
// beside the window's picture (NAME-box.png) and closed; the check then runs
// once the window has gone on from it. True when there was one.
bool closeOpenBox(const QString& screenshot)
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr)
        return false;
    QStringList buttons;
    for (const QAbstractButton* button : box->buttons())
        buttons << button->text().remove(QLatin1Char('&'));
    std::printf("box: icon=%d buttons=\"%s\" text=\"%s\"\n", static_cast<int>(box->icon()),
                buttons.join(QLatin1Char('|')).toUtf8().constData(), box->text().toUtf8().constData());
    std::fflush(stdout);
    if (!screenshot.isEmpty()) {
        const QString picture = screenshot.left(screenshot.lastIndexOf(QLatin1Char('.'))) + QStringLiteral("-box.png");
        if (!box->grab().save(picture))
            std::fprintf(stderr, "could not save %s\n", picture.toUtf8().constData());
    }
    box->reject();
    return true;
}

void checkAndQuit(TMainForm& form)
{
    const QString screenshot = qEnvironmentVariable("ZQ_SCREENSHOT");
    if (closeOpenBox(screenshot)) {
        QTimer::singleShot(1000, &form, [&form] { checkAndQuit(form); });
        return;
    }
    std::printf("main window: %s\n", describe(form).toUtf8().constData());
    std::fflush(stdout);
    if (!screenshot.isEmpty() && !form.grab().save(screenshot))
        std::fprintf(stderr, "could not save %s\n", screenshot.toUtf8().constData());
    form.close();
}

// ZQ_QUIT_AFTER_MS: print the description that many milliseconds after the
// window shows, save a picture of it to ZQ_SCREENSHOT if set, and close it
// through its ordinary close sequence. With ZQ_TOUR_PICTURES set, the logger's
// logs are downloaded and the chart windows arranged first (WindowTour).
void scheduleCheckAndQuit(TMainForm& form)
{
    bool ok = false;
    const int delay = qEnvironmentVariableIntValue("ZQ_QUIT_AFTER_MS", &ok);
    if (!ok)
        return;
    const QString tourPictures = qEnvironmentVariable("ZQ_TOUR_PICTURES");
    QTimer::singleShot(delay, &form, [&form, tourPictures] {
        if (tourPictures.isEmpty())
            checkAndQuit(form);
        else
            new WindowTour(form, tourPictures, [&form] { checkAndQuit(form); });
    });
}

} // namespace

int main(int argc, char** argv)
{
    // The routine tables are settled before anything can call through them, and
    // the optional libraries are let go only once the windows are gone.
    dsp::InitRoutineTables();
    struct TablesShutdown {
        ~TablesShutdown() { dsp::ShutdownRoutineTables(); }
    } tablesShutdown;
    // The stream types and their converters, before any pin is made.
    OWPinsStartUp(OWStandardTypeUnits());
    // The pin unit's lists are freed once every window (and its pins) is gone.
    struct PinUnitFinalization {
        ~PinUnitFinalization() { OWPinsFinalize(); }
    } pinUnitFinalization;
    // Item controls wait on it while they belong to a list; it outlives every window.
    const TSLParkingFormScope parkingForm;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZORVAN Quillstone"));
    QApplication::setWindowIcon(programIcon());
    const std::unique_ptr<QTranslator> toolkitTexts = platform::installToolkitTranslations();
    if (!toolkitTexts)
        std::fprintf(stderr, "the toolkit's Portuguese translations are missing: boxes show English buttons\n");
    // Tick labels write real values with the user's decimal separator.
    if (const QList<uint> separator = QLocale().decimalPoint().toUcs4(); separator.size() == 1)
        SetDisplayDecimalSeparator(static_cast<char32_t>(separator.front()));

    platform::SettingsStore settings(platform::SettingsStore::defaultPath());
    platform::QtDialogs dialogs;
    AppServices services{dialogs, settings, zorvan_settings::standardLogDir()};

    // On the simulated bus a logger with a few logs is plugged in from the start.
    std::unique_ptr<zq::sim::SimulatedLogger> simulatedLogger;
    if (qEnvironmentVariable(zq::hid::BackendEnvironmentVariable) == QLatin1String("sim"))
        simulatedLogger = zq::sim::plugDemoLogger(zq::hid::SimulatedHidBus::shared());

    TMainForm form(services);
    dialogs.setParent(&form);
    // Before the show: a box the show opens is then answered by the check.
    scheduleCheckAndQuit(form);
    form.show();
    return app.exec();
}
