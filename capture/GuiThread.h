#pragma once
// The thread contract "GUI thread only", checked in debug builds: a call from another thread
// stops the program with an assertion that names the class, where a release build would race
// and fail rarely and far from the cause.
#include <QCoreApplication>
#include <QThread>

// The GUI thread is the application's thread; without an application object, the thread the
// object belongs to.
inline bool IsGuiThread(const QObject* object) {
    const QCoreApplication* application = QCoreApplication::instance();
    const QThread* gui = application ? application->thread() : object->thread();
    return QThread::currentThread() == gui;
}

// In an operation of className (a QObject): the caller is on the GUI thread.
#define ASSERT_GUI_THREAD(className)                                                               \
    Q_ASSERT_X(IsGuiThread(this), className, "called from a thread other than the GUI thread")
