#pragma once
// The view-model benchmarks' wait: the event loop runs until a condition holds.
#include <chrono>

#include <QCoreApplication>
#include <QEventLoop>

namespace vantrel::bench {

// Runs the event loop until `done`; false after `patience` without it.
template <typename Done>
bool runUntil(Done done, std::chrono::minutes patience = std::chrono::minutes(5)) {
    const auto limit = std::chrono::steady_clock::now() + patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

}  // namespace vantrel::bench
