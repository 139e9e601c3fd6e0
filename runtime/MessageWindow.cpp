#include "runtime/MessageWindow.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace {
struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct ThreadQueue {
    std::deque<Message> messages;
    std::condition_variable posted;
};

struct Window {
    std::thread::id owner;
    std::shared_ptr<WindowProcedure> procedure;
};

struct Table {
    std::mutex lock;
    HWND nextHandle = 0x10000;
    std::map<HWND, Window> windows;
    std::map<std::thread::id, ThreadQueue> queues;
    std::shared_ptr<PostedMessageHook> hook;
};

Table& TheTable() {
    static Table* table = new Table; // lives until the process ends, past every static destructor
    return *table;
}
} // namespace

HWND CreateMessageWindow(WindowProcedure procedure) {
    Table& t = TheTable();
    std::lock_guard guard(t.lock);
    const HWND handle = t.nextHandle++;
    t.windows[handle] = {std::this_thread::get_id(),
                         std::make_shared<WindowProcedure>(std::move(procedure))};
    return handle;
}

BOOL DestroyWindow(HWND window) {
    Table& t = TheTable();
    std::lock_guard guard(t.lock);
    auto it = t.windows.find(window);
    if (it == t.windows.end()) return FALSE;
    auto q = t.queues.find(it->second.owner);
    if (q != t.queues.end())
        std::erase_if(q->second.messages, [&](const Message& m) { return m.window == window; });
    t.windows.erase(it);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    Table& t = TheTable();
    std::lock_guard guard(t.lock);
    return t.windows.count(window) ? TRUE : FALSE;
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Table& t = TheTable();
    std::shared_ptr<PostedMessageHook> hook;
    std::thread::id owner;
    {
        std::lock_guard guard(t.lock);
        auto it = t.windows.find(window);
        if (it == t.windows.end()) return FALSE;
        owner = it->second.owner;
        ThreadQueue& q = t.queues[owner];
        q.messages.push_back({window, message, wParam, lParam});
        q.posted.notify_all();
        hook = t.hook;
    }
    if (hook && *hook) (*hook)(owner);
    return TRUE;
}

int DispatchPostedMessages() {
    Table& t = TheTable();
    const std::thread::id self = std::this_thread::get_id();
    std::size_t pending = 0;
    {
        std::lock_guard guard(t.lock);
        auto q = t.queues.find(self);
        if (q == t.queues.end()) return 0;
        pending = q->second.messages.size();
    }
    int delivered = 0;
    while (pending-- > 0) {
        Message m{};
        std::shared_ptr<WindowProcedure> procedure;
        {
            std::lock_guard guard(t.lock);
            auto q = t.queues.find(self);
            if (q == t.queues.end() || q->second.messages.empty()) break;
            m = q->second.messages.front();
            q->second.messages.pop_front();
            auto w = t.windows.find(m.window);
            if (w == t.windows.end()) continue; // destroyed since it was posted
            procedure = w->second.procedure;
        }
        if (*procedure) (void)(*procedure)(m.window, m.message, m.wParam, m.lParam);
        ++delivered;
    }
    return delivered;
}

bool WaitForPostedMessage(int timeoutMs) {
    Table& t = TheTable();
    std::unique_lock guard(t.lock);
    ThreadQueue& q = t.queues[std::this_thread::get_id()];
    auto ready = [&] { return !q.messages.empty(); };
    if (timeoutMs < 0) {
        q.posted.wait(guard, ready);
        return true;
    }
    return q.posted.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready);
}

void SetPostedMessageHook(PostedMessageHook hook) {
    Table& t = TheTable();
    std::lock_guard guard(t.lock);
    t.hook = hook ? std::make_shared<PostedMessageHook>(std::move(hook)) : nullptr;
}
