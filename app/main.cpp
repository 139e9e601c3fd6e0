// The program hymnaro-recorder (HMAudioRecorder).
#include "app/HMAudioRecorder.h"
#include "app/TApplicationErrors.h"
#include "app/TDrawnPictures.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[]) {
    // A file that reaches the size limit of the process (ulimit -f) fails its write with
    // EFBIG, which ends the recording with a message and a complete file; by default the
    // signal would end the whole program instead.
    (void)std::signal(SIGXFSZ, SIG_IGN);
    // The application object comes first, so that every later error can be shown.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hymnaro Audio Recorder"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.hymnaro.AudioRecorder"));
    QApplication::setWindowIcon(TDrawnPictures::Icon(TPicture::App));
    int exitCode = 1;
    RunGuiHandler(nullptr, [&] {
        THMAudioRecorder program;
        exitCode = program.Run(application);
    });
    return exitCode;
}
