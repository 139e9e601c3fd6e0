#include "app/TTerminationSignals.h"

#include "app/TApplicationErrors.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Where the signal handler writes; -1 while no instance lives.
std::atomic<int> WriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

extern "C" void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = WriteEnd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a signal that is still to be delivered.
        (void)!write(fd, &byte, 1);
    }
    errno = savedErrno;
}
} // namespace

TTerminationSignals::TTerminationSignals(THandler handler, QObject* parent)
    : QObject(parent), FHandler(std::move(handler)) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    FReadEnd = ends[0];
    FWriteEnd = ends[1];
    FNotifier = new QSocketNotifier(FReadEnd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationSignals::Deliver);
    FPreviousWriteEnd = WriteEnd.exchange(FWriteEnd);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes of other threads (the capture, the file writer) go on undisturbed.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Signals.size(); ++i)
        (void)sigaction(Signals[i], &action, &FPrevious[i]);
}

TTerminationSignals::~TTerminationSignals() {
    if (FReadEnd < 0) return;
    for (std::size_t i = 0; i < Signals.size(); ++i)
        (void)sigaction(Signals[i], &FPrevious[i], nullptr);
    WriteEnd.store(FPreviousWriteEnd);
    delete FNotifier;
    (void)close(FReadEnd);
    (void)close(FWriteEnd);
}

void TTerminationSignals::Deliver() {
    int last = 0;
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = read(FReadEnd, bytes, sizeof bytes);
        if (n > 0) {
            last = bytes[n - 1];
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    // Signals that came together are answered once.
    if (last != 0 && FHandler) RunGuiHandler(nullptr, [&] { FHandler(last); });
}
