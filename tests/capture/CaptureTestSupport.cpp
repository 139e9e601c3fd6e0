#include "CaptureTestSupport.h"

#include "capture/EDShowError.h"
#include "capture/ShowMessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

bool PumpUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void PumpFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

void ExpectDShowError(const std::function<void()>& operation, HRESULT code,
                      const std::string& message) {
    try {
        operation();
        ADD_FAILURE() << "nothing raised; expected: " << message;
    } catch (const EDShowError& error) {
        EXPECT_EQ(error.ErrorCode, code);
        EXPECT_EQ(error.what(), message);
    }
}

ShownMessages::ShownMessages() {
    (void)SetMessageDisplay([this](const QString& text) { messages.append(text); });
    (void)SetEventExceptionDisplay([this](const QString& text) { exceptions.append(text); });
}

ShownMessages::~ShownMessages() {
    (void)SetMessageDisplay(nullptr);
    (void)SetEventExceptionDisplay(nullptr);
}
