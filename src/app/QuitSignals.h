#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the handler only
// writes the signal's number into a pipe, and the event loop, woken by the
// pipe, runs the quit action on the GUI thread (sheets ended, everything
// saved). A signal that comes before the event loop runs waits in the pipe.
#include <csignal>
#include <functional>

#include <QObject>

class QSocketNotifier;

namespace vantrel {

class QuitSignals final : public QObject {
public:
    // Installs the handlers; `onSignal` runs on the GUI thread with the signal
    // number. One instance per process; it restores the previous handlers when destroyed.
    explicit QuitSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;

    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

private:
    void drain();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vantrel
