#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include <QStringList>

#include "TestDb.h"
#include "core/db/Database.h"

// Two stations at once: each action runs on a thread, and so on a connection, of its own,
// both released together; returns each one's refusal (empty: it went through).
inline QStringList race(const std::function<void()> &a, const std::function<void()> &b)
{
    std::atomic<int> ready{0};
    QString out[2];
    auto station = [&](int i, const std::function<void()> &action) {
        ++ready;
        while (ready < 2)
            std::this_thread::yield();
        out[i] = TestDb::refusalOf(action);
        db::closeAll();
    };
    std::thread x(station, 0, a), y(station, 1, b);
    x.join();
    y.join();
    return {out[0], out[1]};
}
