// Test-only: linked beside the program's own main() into hymnaro-recorder-driven, never into
// hymnaro-recorder. It drives the real program without a person, for the tests and
// benchmarks that start it in a child process. HYMNARO_DRIVE says what to do once the main
// window is shown:
//   record   click Record (at the moment HYMNARO_DRIVE_AT names, in milliseconds since the
//            epoch, when it is set: so that two programs press it in the same second)
//   pause    click Record, and Pause once half a second of audio is in the file
//   record-minimized
//            click Record, then minimize the window (its status panel is not fed then)
//   record-bare-timer
//            as record-minimized, with a timer beside it that does nothing at the rate of the
//            status panel's (what waking the program that often costs by itself)
//   setup    click Setup (the dialog stays open)
//   (unset)  nothing
// Standard output gets one line for each thing that happened: "recording <file>" after
// Record, "paused <file>" after Pause, "setup" once the dialog is open, "ready" once the
// program waits for its user, and "message <text>" for each message the program shows (in
// place of the message box, which would wait for a click), followed by "details <details>"
// when it has them; line breaks in the texts become "\n".
#include "app/Main.h"
#include "app/TApplicationErrors.h"
#include "app/dm_Recording.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {
void Print(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Pauses once the file holds half a second of 48 kHz 16-bit stereo behind its header (a
// loaded machine may be slow to start the stream).
void PauseWhenRecorded(const QString& file) {
    if (QFileInfo(file).size() < 46 + 96000) {
        QTimer::singleShot(20, qApp, [file] { PauseWhenRecorded(file); });
        return;
    }
    Form1->btnPause->trigger();
    Print(QStringLiteral("paused ") + Form1->lblFileName->text());
}

void Act() {
    // The message loop may run before the window is up (a message box during start-up).
    if (!Form1 || !Form1->isVisible()) {
        QTimer::singleShot(10, qApp, Act);
        return;
    }
    const QByteArray what = qgetenv("HYMNARO_DRIVE");
    const qint64 at = qgetenv("HYMNARO_DRIVE_AT").toLongLong();
    if (const qint64 wait = at - QDateTime::currentMSecsSinceEpoch();
        what == "record" && wait > 0) {
        QTimer::singleShot(int(wait), Qt::PreciseTimer, qApp, Act);
        return;
    }
    if (what == "record" || what == "pause" || what == "record-minimized" ||
        what == "record-bare-timer") {
        Form1->btnRecord->trigger();
        if (what == "record-minimized" || what == "record-bare-timer") Form1->showMinimized();
        if (what == "record-bare-timer") {
            auto* timer = new QTimer(qApp);
            timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer, &QTimer::timeout, [] {});
            timer->start(TdmRecording::StatusIntervalMs);
        }
        Print(QStringLiteral("recording ") + Form1->lblFileName->text());
        if (what == "pause") PauseWhenRecorded(Form1->lblFileName->text());
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
    TApplicationErrors::SetDisplay([](QWidget*, const TUserMessage& message) {
        auto oneLine = [](QString text) { return text.replace(u'\n', QStringLiteral("\\n")); };
        Print(QStringLiteral("message ") + oneLine(message.Text));
        if (!message.Details.isEmpty())
            Print(QStringLiteral("details ") + oneLine(message.Details));
    });
    QTimer::singleShot(0, qApp, Act);
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriving)
