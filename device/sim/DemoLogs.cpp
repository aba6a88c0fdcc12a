#include "device/sim/DemoLogs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace zq::sim {

namespace {

// Signal ids the logger records (a pair is the high then the low byte).
enum SignalId : std::uint8_t {
    RpmHigh = 0, RpmLow = 1,
    InjAHigh = 2, InjALow = 3,
    MapHigh = 6, MapLow = 7,
    LambdaHigh = 8, LambdaLow = 9,
    Throttle = 10, Ignition = 11,
    EngineTemp = 16, AirTemp = 17, Battery = 18,
};

// One moment of a simulated drive in engineering units.
struct EngineState {
    double rpm;
    double mapBar;     // manifold pressure, bar relative
    double lambdaV;    // narrow-band probe voltage
    double throttle;   // per cent
    double ignition;   // degrees before top dead centre
    double injectionMs;
    double engineTemp; // deg C
    double airTemp;
    double battery;    // volts
};

std::uint8_t byteOf(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

unsigned wordOf(double v)
{
    return static_cast<unsigned>(std::clamp(std::lround(v), 0L, 65535L));
}

// The stored bytes of one signal id for a state (inverse of the decoding).
std::uint8_t encode(std::uint8_t id, const EngineState& s)
{
    const auto high = [](unsigned w) { return static_cast<std::uint8_t>(w >> 8); };
    const auto low = [](unsigned w) { return static_cast<std::uint8_t>(w & 0xFF); };
    switch (id) {
    case RpmHigh: return high(wordOf(s.rpm / 10));
    case RpmLow: return low(wordOf(s.rpm / 10));
    case InjAHigh: return high(wordOf(s.injectionMs * 1000));
    case InjALow: return low(wordOf(s.injectionMs * 1000));
    case MapHigh: return high(wordOf(s.mapBar * 100 + 100));
    case MapLow: return low(wordOf(s.mapBar * 100 + 100));
    case LambdaHigh: return high(wordOf(s.lambdaV * 1000));
    case LambdaLow: return low(wordOf(s.lambdaV * 1000));
    case Throttle: return byteOf(s.throttle);
    case Ignition: return byteOf(s.ignition * 4 + 39);
    case EngineTemp: return byteOf(s.engineTemp + 30);
    case AirTemp: return byteOf(s.airTemp + 30);
    case Battery: return byteOf(s.battery * 10);
    default: return 0;
    }
}

// A small deterministic noise source, so every run shows the same logs.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    double operator()(double amplitude)
    {
        state_ = state_ * 1664525U + 1013904223U;
        return amplitude * ((state_ >> 8) / double(1U << 24) * 2 - 1);
    }

private:
    std::uint32_t state_;
};

// The throttle of a drive as a function of time: a list of (seconds, per cent) points.
struct ThrottlePoint {
    double t;
    double throttle;
};

double throttleAt(std::span<const ThrottlePoint> profile, double t)
{
    if (t <= profile.front().t)
        return profile.front().throttle;
    for (std::size_t i = 1; i < profile.size(); ++i) {
        if (t <= profile[i].t) {
            const ThrottlePoint& a = profile[i - 1];
            const ThrottlePoint& b = profile[i];
            return a.throttle + (b.throttle - a.throttle) * (t - a.t) / (b.t - a.t);
        }
    }
    return profile.back().throttle;
}

SimulatedLog drive(std::uint16_t number, std::uint8_t rate, double seconds, std::vector<std::uint8_t> ids,
                   std::span<const ThrottlePoint> profile, double startTemp, std::uint32_t seed)
{
    SimulatedLog log;
    log.number = number;
    log.rate = rate;
    log.ids = std::move(ids);
    const auto rows = static_cast<std::size_t>(seconds * rate);
    log.samples.reserve(rows * log.ids.size());
    Noise noise(seed);
    EngineState s{900, -0.6, 0.45, 0, 12, 2.5, startTemp, 28, 14.1};
    const double dt = 1.0 / rate;
    for (std::size_t row = 0; row < rows; ++row) {
        const double t = static_cast<double>(row) * dt;
        s.throttle = std::clamp(throttleAt(profile, t) + noise(0.5), 0.0, 100.0);
        // Engine speed follows the throttle with some inertia.
        const double targetRpm = 900 + s.throttle * 62;
        s.rpm += (targetRpm - s.rpm) * std::min(1.0, dt * 1.8) + noise(15);
        s.mapBar = -0.65 + s.throttle / 100 * 1.55 + noise(0.01);
        const bool rich = s.throttle > 70;
        s.lambdaV = rich ? 0.88 + noise(0.02)
                         : 0.45 + 0.4 * std::sin(2 * std::numbers::pi * 1.3 * t) + noise(0.03);
        s.ignition = std::clamp(10 + s.rpm / 300 - (s.mapBar + 1) * 6 + noise(0.25), -5.0, 45.0);
        s.injectionMs = 1.6 + (s.mapBar + 1) * 4.2 + noise(0.05);
        s.engineTemp = std::min(92.0, s.engineTemp + dt * 0.08) + noise(0.2);
        s.airTemp = 28 + s.throttle / 100 * 6 + noise(0.3);
        s.battery = 14.1 - s.throttle / 100 * 0.3 + noise(0.05);
        for (std::uint8_t id : log.ids)
            log.samples.push_back(encode(id, s));
    }
    log.extra = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    return log;
}

} // namespace

std::vector<SimulatedLog> demoLogs()
{
    static constexpr ThrottlePoint warmUp[] = {{0, 0}, {40, 2}, {50, 12}, {55, 0}, {90, 0}};
    static constexpr ThrottlePoint pull[] = {{0, 5}, {2, 100}, {11, 100}, {12, 0}, {20, 0}};
    static constexpr ThrottlePoint cruise[] = {{0, 10}, {20, 28}, {60, 24}, {70, 60}, {75, 30}, {120, 22}};

    std::vector<SimulatedLog> logs;
    logs.push_back(drive(1, 20, 90, {RpmHigh, RpmLow, EngineTemp, AirTemp, Battery, Throttle}, warmUp, 18, 1));
    logs.push_back(drive(2, 100, 20,
                         {LambdaHigh, LambdaLow, RpmHigh, RpmLow, MapHigh, MapLow, Throttle, EngineTemp, AirTemp,
                          Ignition, InjAHigh, InjALow, Battery},
                         pull, 85, 2));
    logs.push_back(drive(3, 50, 120,
                         {LambdaHigh, LambdaLow, RpmHigh, RpmLow, MapHigh, MapLow, Throttle, Ignition, InjAHigh,
                          InjALow},
                         cruise, 88, 3));
    return logs;
}

std::unique_ptr<SimulatedLogger> plugDemoLogger(std::shared_ptr<zq::hid::SimulatedHidBus> bus)
{
    auto logger = std::make_unique<SimulatedLogger>(std::move(bus));
    for (SimulatedLog& log : demoLogs())
        logger->addLog(std::move(log));
    logger->setIds({8, 9, 0, 1, 6, 7, 10, 16, 17, 11, 2, 3, 18});
    logger->setReportInterval(std::chrono::microseconds(1000));
    logger->plug();
    return logger;
}

} // namespace zq::sim
