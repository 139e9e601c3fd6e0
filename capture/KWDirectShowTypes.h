#pragma once
// Types and constants shared by the graph controller, its descendants and their users.
#include "runtime/HResult.h"
#include "runtime/MessageWindow.h"

#include <functional>

class QObject;

// Days since 1899-12-30; the fraction is the time of day. Positions and lengths are exchanged
// with the controller's users in it.
using TDateTime = double;

// The message the graph posts to the notification window for every queued event.
constexpr UINT WM_GRAPHNOTIFY = WM_USER + 1;

// The remembered run state (TDXShow::RunState) and the answers of GetGraphState.
constexpr BYTE GraphStateUnknown = 0;
constexpr BYTE GraphStateStopped = 1;
constexpr BYTE GraphStatePaused = 2;
constexpr BYTE GraphStateRunning = 3;
constexpr BYTE GraphStateFailed = 4;

// Interval of the position timer, in milliseconds.
constexpr int PositionTimerInterval = 200;

// The component notification's operation.
enum class TOperation { opInsert, opRemove };

// Receives every formatted error: the code and the message.
using TDXErrorEvent = std::function<void(HRESULT hr, const WideString& ErrorMsg)>;
// A new length or position.
using TDXShowTimeCodeEvent = std::function<void(QObject* Sender, TDateTime TimeCode)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;
// A recording that stopped by itself: the graph event that ended it, its first parameter
// (for EC_COMPLETE and EC_ERRORABORT the result code of the stream) and the result of the Stop
// that completed the file (a failure: the file could not be completed).
using TDXRecordingStoppedEvent =
    std::function<void(QObject* Sender, LONG EventCode, LONG_PTR Param1, HRESULT Stopped)>;

// An area of a window control: left, top, right, bottom (right and bottom exclusive).
struct TAreaRect {
    int Left;
    int Top;
    int Right;
    int Bottom;
};

// Where the video window goes: left, top, width, height.
struct TPlacement {
    int Left;
    int Top;
    int Width;
    int Height;
    friend bool operator==(const TPlacement&, const TPlacement&) = default;
};
