#pragma once
// Hidden message windows: a window is a handle in a process-wide table whose messages go
// to a procedure on the thread that created it. PostMessage queues a message from any
// thread; the owning thread delivers its queue with DispatchPostedMessages, called by hand
// (tests) or from the GUI's event loop (the GUI installs a posted-message hook that
// schedules the delivery on its own thread).
// Thread contract: every function may be called from any thread; a window's procedure runs
// only on its owning thread, inside DispatchPostedMessages, with no table lock held.
#include "runtime/WinTypes.h"

#include <functional>
#include <thread>

constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// The window procedure: the window, the message and its two parameters.
using WindowProcedure = std::function<LRESULT(HWND window, UINT message, WPARAM, LPARAM)>;

// Makes a hidden message window owned by the calling thread. Never 0.
HWND CreateMessageWindow(WindowProcedure procedure);
// Removes the window; its queued messages are dropped. FALSE for an unknown handle.
BOOL DestroyWindow(HWND window);
// Whether the handle names a live window.
BOOL IsWindow(HWND window);
// Queues a message for the window's owning thread; FALSE when the window does not exist.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers the messages queued for the calling thread's windows when the call began (those
// posted while it runs wait for the next call, so a window that re-posts cannot hang it).
// Answers how many were delivered.
int DispatchPostedMessages();
// Waits until a message is queued for the calling thread or the time is up (milliseconds;
// negative waits without limit). True when one is queued.
bool WaitForPostedMessage(int timeoutMs);

// Called on the posting thread after every PostMessage, with the thread that owns the
// target window, so an event loop can schedule DispatchPostedMessages there. One hook per
// process; an empty function removes it. The hook must not block.
using PostedMessageHook = std::function<void(std::thread::id owner)>;
void SetPostedMessageHook(PostedMessageHook hook);
