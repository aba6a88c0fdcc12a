#pragma once

#include "AppTestEnv.h"

#include "app/MainForm.h"
#include "device/sim/SimulatedLogger.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QLocale>
#include <QTimer>

#include <chrono>
#include <functional>

namespace loggertest {

namespace lp = logger_protocol;

// Runs the event loop until pred holds or the time is up.
inline bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    QTimer tick;
    tick.start(5);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A reply report: its code, then bytes placed at offsets.
inline lp::Report reply(std::uint8_t code, std::initializer_list<std::pair<std::size_t, std::vector<std::uint8_t>>> at = {})
{
    lp::Report report{};
    report[lp::ReplyCode] = code;
    for (const auto& [offset, bytes] : at)
        std::copy(bytes.begin(), bytes.end(), report.begin() + static_cast<std::ptrdiff_t>(offset));
    return report;
}

inline std::vector<QString> itemTexts(const QListWidget& list)
{
    std::vector<QString> texts;
    for (int i = 0; i < list.count(); ++i)
        texts.push_back(list.item(i)->text());
    return texts;
}

inline std::vector<int> tickedItems(const QListWidget& list)
{
    std::vector<int> ticked;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked)
            ticked.push_back(i);
    return ticked;
}

// The main window on a bus of its own, in a locale with a decimal comma and
// a thousands dot; the simulated logger is made on first use.
class LoggerFormTest : public AppTestEnv {
protected:
    LoggerFormTest() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    ~LoggerFormTest() override
    {
        form_.reset();
        logger_.reset();
        QLocale::setDefault(savedLocale_);
    }

    TMainForm& form()
    {
        if (!form_) {
            form_ = std::make_unique<TMainForm>(services_);
            form_->show();
        }
        return *form_;
    }

    void feed(const lp::Report& report) { form().ShowRead(nullptr, report[0], report.data() + 1, 64); }

    zq::sim::SimulatedLogger& logger()
    {
        if (!logger_)
            logger_ = std::make_unique<zq::sim::SimulatedLogger>(hidBus_);
        return *logger_;
    }

    void connectLogger()
    {
        TMainForm& f = form();
        logger().plug();
        ASSERT_TRUE(waitUntil([&] { return f.LoggerDevice != nullptr; }));
    }

    void select(unsigned logNumber)
    {
        const auto found = form().DIR->findItems(QStringLiteral("LOG#%1").arg(logNumber, 5, 10, QLatin1Char('0')),
                                                 Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1);
        form().DIR->setCurrentItem(found.front());
    }

    std::vector<std::uint8_t> commandCodes() const
    {
        std::vector<std::uint8_t> codes;
        if (logger_)
            for (const auto& report : logger_->received())
                codes.push_back(report[lp::CommandCode]);
        return codes;
    }

    std::unique_ptr<zq::sim::SimulatedLogger> logger_;
    std::unique_ptr<TMainForm> form_;

private:
    QLocale savedLocale_;
};

} // namespace loggertest
