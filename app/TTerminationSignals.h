#pragma once
// The signals by which the session ends a program: SIGTERM (a system shutdown, kill), SIGINT
// (Ctrl+C in the terminal) and SIGHUP (the terminal closed, a logout). While an object of
// this class lives they are caught: the signal handler only writes the signal's number into a
// pipe, and a socket notifier on the GUI thread reads it and runs the handler given at
// construction, so the program can end as orderly as when its main window is closed.
// Destruction restores the handling that was there before.
// Thread contract: constructed, used and destroyed on the GUI thread. The signal handler runs
// on whichever thread the signal arrives and touches nothing but the pipe.
#include <QObject>

#include <array>
#include <functional>

#include <signal.h>

class QSocketNotifier;

class TTerminationSignals : public QObject {
    Q_OBJECT

public:
    using THandler = std::function<void(int signalNumber)>;

    // Without a pipe (no file descriptors left) the signals keep their default action.
    explicit TTerminationSignals(THandler handler, QObject* parent = nullptr);
    ~TTerminationSignals() override;

    static constexpr std::array<int, 3> Signals{SIGTERM, SIGINT, SIGHUP};

private:
    // The notifier's slot: empties the pipe, then runs the handler once.
    void Deliver();

    THandler FHandler;
    int FReadEnd = -1;
    int FWriteEnd = -1;
    // The write end of an instance made before this one (restored at destruction).
    int FPreviousWriteEnd = -1;
    QSocketNotifier* FNotifier = nullptr;
    std::array<struct sigaction, Signals.size()> FPrevious{};
};
