#include "CaptureTestSupport.h"

#include "capture/ShowMessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

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

ShownMessages::ShownMessages() {
    (void)SetMessageDisplay([this](const QString& text) { messages.append(text); });
    (void)SetEventExceptionDisplay([this](const QString& text) { exceptions.append(text); });
}

ShownMessages::~ShownMessages() {
    (void)SetMessageDisplay(nullptr);
    (void)SetEventExceptionDisplay(nullptr);
}
