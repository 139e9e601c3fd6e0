#include "capture/TPostedMessagePump.h"

#include "capture/ShowMessage.h"
#include "runtime/MessageWindow.h"

#include <map>
#include <mutex>
#include <thread>

namespace {
struct TPumpTable {
    std::mutex lock;
    // Pumps live as long as the process: the hook may still name a thread after its windows
    // are gone, and a posted event must find its receiver.
    std::map<std::thread::id, TPostedMessagePump*> pumps;
    bool hookInstalled = false;
};

TPumpTable& PumpTable() {
    static TPumpTable* table = new TPumpTable; // outlives every static destructor
    return *table;
}
} // namespace

void TPostedMessagePump::Install() {
    TPumpTable& t = PumpTable();
    std::lock_guard guard(t.lock);
    const std::thread::id self = std::this_thread::get_id();
    if (!t.pumps.count(self)) t.pumps[self] = new TPostedMessagePump;
    if (t.hookInstalled) return;
    t.hookInstalled = true;
    SetPostedMessageHook([](std::thread::id owner) {
        TPostedMessagePump* pump = nullptr;
        {
            TPumpTable& table = PumpTable();
            std::lock_guard guard(table.lock);
            auto it = table.pumps.find(owner);
            if (it == table.pumps.end()) return; // that thread delivers by hand
            pump = it->second;
        }
        pump->Schedule();
    });
}

void TPostedMessagePump::Schedule() {
    if (FScheduled.exchange(true)) return;
    QMetaObject::invokeMethod(this, &TPostedMessagePump::Deliver, Qt::QueuedConnection);
}

void TPostedMessagePump::Deliver() noexcept {
    // Cleared first: a message posted while we deliver schedules the next delivery.
    FScheduled.store(false);
    bool raised = true;
    try {
        (void)DispatchPostedMessages();
        raised = false;
    } catch (const std::exception& error) {
        // Called from Qt's event loop, which must never see an exception.
        ShowEventException(error);
    } catch (...) {
        ShowUnknownEventException();
    }
    if (!raised) return;
    // The messages behind the one whose procedure raised are delivered on the next turn.
    try {
        Schedule();
    } catch (...) {
        // They wait for the next posted message.
    }
}
