// Draws the German main window (with a recording in progress) and setup dialog into PNG files
// for the documentation:
//   hymnaro-screenshots OUTPUT_FOLDER
// It runs in a throw-away home folder, so the user's settings are neither read nor written.
// The recording's figures are made up here: the status panel shows what it is given.
#include "app/Main.h"
#include "app/TRecordingPanel.h"
#include "app/setup/dl_Setup.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {
// The offscreen platform draws no window frame; a plain title bar shows the caption.
QImage WithTitleBar(QWidget& window) {
    constexpr int titleHeight = 26;
    const QPixmap client = window.grab();
    QImage image(client.width() + 2, client.height() + titleHeight + 1, QImage::Format_ARGB32);
    image.fill(QColor(0x4A, 0x55, 0x62));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    window.windowIcon().paint(&painter, QRect(6, 5, 16, 16));
    QFont font = window.font();
    font.setPointSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(28, 0, image.width() - 60, titleHeight), Qt::AlignVCenter,
                     window.windowTitle());
    painter.setPen(QPen(Qt::white, 1.6));
    const QPointF close(image.width() - 16, titleHeight / 2.0);
    painter.drawLine(close + QPointF(-4, -4), close + QPointF(4, 4));
    painter.drawLine(close + QPointF(4, -4), close + QPointF(-4, 4));
    painter.drawPixmap(1, titleHeight, client);
    return image;
}

bool Save(QWidget& window, const QString& path) {
    QEventLoop settle; // let the window lay itself out and paint
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();
    const bool saved = WithTitleBar(window).save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// Twelve minutes into a recording: a louder moment half a second ago is still held.
void ShowRecordingInProgress(TForm1& form, const QString& file) {
    form.lblFileName->setText(file);
    TRecordingStatus status;
    status.State = TRecordingStatus::TState::Recording;
    status.InputsListed = true;
    status.DeviceName = QStringLiteral("HDA Intel PCH: ALC3246 Analog");
    status.FileName = file;
    status.Rate = 48000;
    status.Channels = 2;
    status.Bits = 16;
    status.ElapsedMs = (12 * 60 + 34) * 1000;
    status.SoundBytes = std::uint64_t(status.ElapsedMs) * 192;
    status.LevelChannels = 2;
    status.RoomLeftSeconds = 3 * 3600 + 12 * 60;
    status.Peak = {0.71, 0.56};
    status.TakenMs = 10000;
    form.RecordingPanel1->Show(status);
    status.Peak = {0.35, 0.28};
    status.TakenMs = 10500;
    form.RecordingPanel1->Show(status);
}
} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hymnaro-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    setenv("HOME", qPrintable(home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.path() + QStringLiteral("/.config")), 1);
    QApplication application(argc, argv);
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(output);

    int failures = 0;
    try {
        InitializeSettings();
        IniData->SetFolderForRecordings(u"/home/user/Documents/Hymnaro/Audio Recorder");
        {
            TForm1 form1;
            Form1 = &form1;
            TForm2 form2(&form1);
            Form2 = &form2;
            form1.show();
            ShowRecordingInProgress(form1,
                                    QStringLiteral("/home/user/Documents/Hymnaro/"
                                                   "Audio Recorder/2024-03-03 14-05-09.wav"));
            failures += !Save(form1, output + QStringLiteral("/main-window-de.png"));
            form2.show();
            failures += !Save(form2, output + QStringLiteral("/setup-dialog-de.png"));
            form2.hide();
            Form2 = nullptr;
            Form1 = nullptr;
        }
        IniData->SetAutoSave(false); // the throw-away settings need no file
        FinalizeSettings();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hymnaro-screenshots: %s\n", error.what());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
