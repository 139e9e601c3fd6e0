#pragma once
// Helpers of the capture tests: waiting on Qt's event loop, recording shown messages,
// expecting a raised error.
#include "runtime/HResult.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

// Processes events until the condition holds or the time is up; answers the condition.
bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 5000);
// Processes events for a while.
void PumpFor(int milliseconds);

// Runs operation, which must raise EDShowError with this code and this message.
void ExpectDShowError(const std::function<void()>& operation, HRESULT code,
                      const std::string& message);

// Records what the capture units would show in message boxes, for the scope.
class ShownMessages {
public:
    ShownMessages();
    ~ShownMessages();
    QStringList messages;
    QStringList exceptions;
};
