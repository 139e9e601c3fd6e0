#pragma once
// Delivers the runtime's posted messages (the graph controller's hidden windows) from Qt's
// event loop: the runtime's posted-message hook schedules one queued call on the thread that
// owns the target window, and that call runs DispatchPostedMessages there. Repeated posts
// before the call runs share it.
// Thread contract: Install is called on the thread whose windows are to be served (the GUI
// thread); the hook runs on any posting thread and only posts a Qt event.
#include <QObject>

#include <atomic>

class TPostedMessagePump : public QObject {
    Q_OBJECT

public:
    // Installs the hook (once per process) and a pump for the calling thread (once per thread).
    static void Install();

private:
    TPostedMessagePump() = default;
    // Runs on the pump's thread, from Qt's event loop: what a window procedure raises is shown
    // there and goes no further.
    void Deliver() noexcept;
    // Called by the hook on the posting thread.
    void Schedule();

    std::atomic<bool> FScheduled{false};
};
