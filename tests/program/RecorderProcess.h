#pragma once
// The recorder program in a child process (hymnaro-recorder-driven: the program's own main()
// with the test driver beside it), on Qt's offscreen platform, in a home folder of its own,
// recording from the sine source of the private PulseAudio daemon that scripts/with-pulse
// starts, through ALSA's pulse plugin. Tests that use it call RequirePulse (support/Pulse.h).
#include "support/TempFolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class RecorderProcess {
public:
    struct Options {
        // A file size limit other than 0 is set on the child (ulimit -f), as a full disk would
        // refuse writes.
        unsigned long long fileSizeLimit = 0;
        // A home folder of the caller's (shared with other programs); empty: one of its own.
        QString home;
        // When Record is clicked, in milliseconds since the epoch (HYMNARO_DRIVE_AT); 0: at once.
        qint64 driveAt = 0;
    };

    // Starts the program; drive is what the driver does (HYMNARO_DRIVE).
    explicit RecorderProcess(const QString& drive, unsigned long long fileSizeLimit = 0);
    RecorderProcess(const QString& drive, const Options& options);
    // Kills a program still running and removes its home folder (one of its own).
    ~RecorderProcess();

    // The rest of the next line of the driver that begins with prefix (lines before it are
    // passed over); nothing when the program ended or the time ran out.
    std::optional<QString> WaitForLine(const QString& prefix, int milliseconds = 30000);
    // The texts of every message the program has shown so far.
    QStringList Messages();
    // What the program has written to its standard error stream so far (it is passed on to
    // the test's own as well).
    QString ErrorOutput();
    bool Running() const;
    // The libraries the running program has loaded, by file name (from /proc/<pid>/maps).
    QStringList LoadedLibraries() const;

    void Signal(int signalNumber);
    struct Exit {
        bool ended = false;   // false: still running when the time ran out
        bool crashed = false; // ended by a signal
        int code = 0;         // its exit code
    };
    Exit WaitForExit(int milliseconds = 60000);

    QString Home() const { return FHome; }
    QString SettingsFile() const;
    // The default folder for recordings in its home.
    QString RecordingsFolder() const;

private:
    void ReadLines();

    std::unique_ptr<TempFolder> FHomeFolder;
    QString FHome;
    QProcess FProcess;
    QStringList FLines;
    qsizetype FNext = 0; // the first line WaitForLine has not passed yet
    QByteArray FPartial;
    QByteArray FErrors;
};

// The size of a file, 0 when it does not exist.
std::size_t FileSize(const QString& path);
Bytes ReadWholeFile(const QString& path);

// The audio a standard reader takes from a WAV file, as raw bytes: "python" (Python's wave
// module), "sox" or "libsndfile" (sndfile-info, then sndfile-convert). Nothing when the
// reader refused the file.
std::optional<Bytes> ReadAudioWith(const std::string& reader, const QString& wav);
// What sndfile-info says about a WAV file (libsndfile's complaints, "should be", among it).
QString SndfileInfo(const QString& wav);
