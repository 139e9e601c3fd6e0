#include "media/graph/GraphEventQueue.h"

#include "framework/interfaces/StrmifTypes.h"
#include "runtime/MessageWindow.h"

#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

GraphEventQueue::GraphEventQueue() : eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

GraphEventQueue::~GraphEventQueue() {
    Clear();
    if (eventFd_ >= 0) close(eventFd_);
}

void GraphEventQueue::FreeParams(LONG code, LONG_PTR param1, LONG_PTR) {
    if (code == EC_DEVICE_LOST && param1)
        reinterpret_cast<IUnknown*>(param1)->Release(); // the counted filter the event carried
}

void GraphEventQueue::SignalLocked() {
    const bool want = !events_.empty();
    if (want == signalled_ || eventFd_ < 0) return;
    std::uint64_t value = 1;
    if (want)
        (void)!write(eventFd_, &value, sizeof value);
    else
        (void)!read(eventFd_, &value, sizeof value);
    signalled_ = want;
}

void GraphEventQueue::Post(LONG code, LONG_PTR param1, LONG_PTR param2) {
    HWND window = 0;
    UINT message = 0;
    LONG_PTR instance = 0;
    {
        std::unique_lock guard(lock_);
        if (flags_ & AM_MEDIAEVENT_NONOTIFY) {
            // Outside the lock: this may release a filter's last count, and its teardown post.
            guard.unlock();
            FreeParams(code, param1, param2);
            return;
        }
        events_.push_back({code, param1, param2});
        SignalLocked();
        posted_.notify_all();
        window = window_;
        message = message_;
        instance = instanceData_;
    }
    if (window) (void)PostMessage(window, message, 0, instance);
}

HRESULT GraphEventQueue::Get(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) {
    if (!code || !param1 || !param2) return E_POINTER;
    *code = 0;
    *param1 = *param2 = 0;
    std::unique_lock guard(lock_);
    auto ready = [&] { return !events_.empty(); };
    if (timeoutMs < 0)
        posted_.wait(guard, ready);
    else if (!posted_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready))
        return E_ABORT;
    const Event e = events_.front();
    events_.pop_front();
    SignalLocked();
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT GraphEventQueue::WaitForCompletion(LONG timeoutMs, LONG* code) {
    if (!code) return E_POINTER;
    *code = 0;
    std::unique_lock guard(lock_);
    auto ended = [&] {
        for (const Event& e : events_)
            if (e.code == EC_COMPLETE || e.code == EC_USERABORT || e.code == EC_ERRORABORT) {
                *code = e.code;
                return true;
            }
        return false;
    };
    if (timeoutMs < 0)
        posted_.wait(guard, ended);
    else if (!posted_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ended))
        return E_ABORT;
    return S_OK;
}

void GraphEventQueue::SetNotifyWindow(HWND window, UINT message, LONG_PTR instanceData) {
    std::lock_guard guard(lock_);
    window_ = window;
    message_ = message;
    instanceData_ = instanceData;
}

HRESULT GraphEventQueue::SetNotifyFlags(LONG flags) {
    if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
    std::deque<Event> dropped;
    {
        std::lock_guard guard(lock_);
        flags_ = flags;
        if (flags & AM_MEDIAEVENT_NONOTIFY) {
            dropped.swap(events_);
            SignalLocked();
        }
    }
    for (const Event& e : dropped)
        FreeParams(e.code, e.param1, e.param2);
    return S_OK;
}

LONG GraphEventQueue::NotifyFlags() {
    std::lock_guard guard(lock_);
    return flags_;
}

void GraphEventQueue::Clear() {
    std::deque<Event> dropped;
    {
        std::lock_guard guard(lock_);
        dropped.swap(events_);
        SignalLocked();
    }
    for (const Event& e : dropped)
        FreeParams(e.code, e.param1, e.param2);
}
