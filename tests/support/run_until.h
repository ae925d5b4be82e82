// SPDX-License-Identifier: MIT
#pragma once
// Runs the event loop until a condition holds, at most a given time. Unlike
// QTRY_VERIFY it never sleeps between its checks, which would make the
// player's ticks late.

#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tonvell::test {

inline bool RunUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
    return done();
}

}  // namespace tonvell::test
