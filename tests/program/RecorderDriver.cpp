// Test-only: linked beside the program's own main() into hymnaro-recorder-driven, never into
// hymnaro-recorder. It drives the real program without a person, for the tests and
// benchmarks that start it in a child process. HYMNARO_DRIVE says what to do once the main
// window is shown:
//   record   click Record
//   setup    click Setup (the dialog stays open)
//   (unset)  nothing
// Standard output gets one line for each thing that happened: "recording <file>" after
// Record, "setup" once the dialog is open, "ready" once the program waits for its user, and
// "message <text>" for each message the program shows (in place of the message box, which
// would wait for a click; line breaks in the text become "\n").
#include "app/Main.h"
#include "app/TApplicationErrors.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {
void Print(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void Act() {
    // The message loop may run before the window is up (a message box during start-up).
    if (!Form1 || !Form1->isVisible()) {
        QTimer::singleShot(10, qApp, Act);
        return;
    }
    const QByteArray what = qgetenv("HYMNARO_DRIVE");
    if (what == "record") {
        Form1->btnRecord->trigger();
        Print(QStringLiteral("recording ") + Form1->lblFileName->text());
    } else if (what == "setup") {
        QTimer::singleShot(0, qApp, [] {
            if (QApplication::activeModalWidget()) Print(QStringLiteral("setup"));
            Print(QStringLiteral("ready"));
        });
        Form1->btnSetup->trigger(); // returns when the dialog closes
        return;
    }
    Print(QStringLiteral("ready"));
}

// Runs when the program's application object is made, before anything else of it.
void StartDriving() {
    TApplicationErrors::SetDisplay([](QWidget*, const QString& message) {
        Print(QStringLiteral("message ") + QString(message).replace(u'\n', QStringLiteral("\\n")));
    });
    QTimer::singleShot(0, qApp, Act);
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriving)
