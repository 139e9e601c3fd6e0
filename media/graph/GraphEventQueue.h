#pragma once
// The graph's event queue: events arrive from any thread (filters' streaming threads
// included), wait for GetEvent, and each one posts the notification message to the window
// set by SetNotifyWindow. An eventfd is readable while events are queued (the event handle).
// Thread contract: any thread; one internal lock, never held while calling out.
#include "runtime/HResult.h"

#include <condition_variable>
#include <deque>
#include <mutex>

class GraphEventQueue {
public:
    GraphEventQueue();
    ~GraphEventQueue();
    GraphEventQueue(const GraphEventQueue&) = delete;
    GraphEventQueue& operator=(const GraphEventQueue&) = delete;

    // Queues an event (or drops it, freeing its parameters, while notification is off).
    void Post(LONG code, LONG_PTR param1, LONG_PTR param2);
    // The oldest event; E_ABORT when none came within the time (negative: no limit).
    HRESULT Get(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs);
    // Waits for an event that ends the stream (complete, user or error abort), not taking it.
    HRESULT WaitForCompletion(LONG timeoutMs, LONG* code);
    void SetNotifyWindow(HWND window, UINT message, LONG_PTR instanceData);
    HRESULT SetNotifyFlags(LONG flags);
    LONG NotifyFlags();
    int Handle() const { return eventFd_; }
    // Drops every queued event, freeing what their parameters hold.
    void Clear();

    // Frees what an event's parameters own: the counted filter of EC_DEVICE_LOST.
    static void FreeParams(LONG code, LONG_PTR param1, LONG_PTR param2);

private:
    struct Event {
        LONG code;
        LONG_PTR param1, param2;
    };
    void SignalLocked();

    std::mutex lock_;
    std::condition_variable posted_;
    std::deque<Event> events_;
    HWND window_ = 0;
    UINT message_ = 0;
    LONG_PTR instanceData_ = 0;
    LONG flags_ = 0;
    int eventFd_ = -1;
    bool signalled_ = false;
};
