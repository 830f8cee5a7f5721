#include "app/QuitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include <QSocketNotifier>

namespace vantrel {

namespace {

int pipeEnds[2] = {-1, -1};
struct sigaction previous[3];

// Async-signal-safe: one write, errno kept.
void writeSignalNumber(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] >= 0) throw std::logic_error("quit signals are already handled");
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create the signal pipe");
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::drain);

    struct sigaction action {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

QuitSignals::~QuitSignals() {
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::drain() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i) onSignal_(bytes[i]);
}

}  // namespace vantrel
