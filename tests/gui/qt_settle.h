#pragma once
// Waits of the Qt tests that need no clock.
#include <QGuiApplication>
#include <QTest>
#include <QTimer>

namespace ks::ui::qt::testing {

// The limit of every wait for something to be seen: only a hang reaches it.
inline constexpr int kGuardMs = 20000;

// Everything under way is done: Qt's queued events, a round trip to the X
// server, and the events that brought (exposures and the paints they ask for).
inline void Settle() {
    QGuiApplication::sync();
    QGuiApplication::sync();
}

// Lets a timer of `periodMs` fire `times` times: a window in which a timer
// of that period still armed would have fired too, however busy the
// machine. False if the reference timer itself never got there.
inline bool LetTimerFire(int periodMs, int times) {
    QTimer reference;
    int fired = 0;
    QObject::connect(&reference, &QTimer::timeout, [&] { ++fired; });
    reference.start(periodMs);
    return QTest::qWaitFor([&] { return fired >= times; }, kGuardMs);
}

}  // namespace ks::ui::qt::testing
