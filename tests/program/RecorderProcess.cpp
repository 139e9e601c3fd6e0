#include "RecorderProcess.h"

#include "support/Pulse.h"
#include "support/SoundServerAlsa.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <signal.h>
#include <sys/resource.h>

namespace {
// The sound server's sine source is the default capture device of the child's ALSA.
void WriteAlsaConfig(const QString& path) {
    QFile file(path);
    (void)file.open(QIODevice::WriteOnly);
    file.write(SoundServerAsDefault("Sound server sine source").c_str());
}
} // namespace

RecorderProcess::RecorderProcess(const QString& drive, unsigned long long fileSizeLimit)
    : RecorderProcess(drive, Options{fileSizeLimit, QString(), 0}) {}

RecorderProcess::RecorderProcess(const QString& drive, const Options& options) {
    if (options.home.isEmpty()) {
        FHomeFolder = std::make_unique<TempFolder>("hymnaro-program");
        FHome = QString::fromStdString(FHomeFolder->Path());
    } else {
        FHome = options.home;
    }
    const unsigned long long fileSizeLimit = options.fileSizeLimit;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), FHome);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), FHome + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), FHome + QStringLiteral("/.local/share"));
    environment.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString alsaConfig = FHome + QStringLiteral("/asound.conf");
    WriteAlsaConfig(alsaConfig);
    environment.insert(QStringLiteral("ALSA_CONFIG_PATH"), alsaConfig);
    for (const auto& [name, value] : PulseClientEnvironment())
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    if (drive.isEmpty())
        environment.remove(QStringLiteral("HYMNARO_DRIVE"));
    else
        environment.insert(QStringLiteral("HYMNARO_DRIVE"), drive);
    if (options.driveAt != 0)
        environment.insert(QStringLiteral("HYMNARO_DRIVE_AT"), QString::number(options.driveAt));
    else
        environment.remove(QStringLiteral("HYMNARO_DRIVE_AT"));
    FProcess.setProcessEnvironment(environment);
    FProcess.setWorkingDirectory(FHome);
    // Read apart from the driver's lines; what the sanitizers or Qt report is passed on to the
    // test's own output.
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    if (fileSizeLimit != 0) {
        // Runs in the child before the program starts; the program itself has to cope with
        // the signal that a write past the limit raises.
        FProcess.setChildProcessModifier([fileSizeLimit] {
            rlimit limit{};
            (void)getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = rlim_t(fileSizeLimit);
            (void)setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    FProcess.start(QStringLiteral(HYMNARO_DRIVEN_RECORDER), QStringList());
    (void)FProcess.waitForStarted(30000);
}

RecorderProcess::~RecorderProcess() {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.kill();
        (void)FProcess.waitForFinished(30000);
    }
}

void RecorderProcess::ReadLines() {
    const QByteArray errors = FProcess.readAllStandardError();
    if (!errors.isEmpty()) {
        FErrors += errors;
        std::fwrite(errors.constData(), 1, std::size_t(errors.size()), stderr);
    }
    FPartial += FProcess.readAllStandardOutput();
    qsizetype end;
    while ((end = FPartial.indexOf('\n')) >= 0) {
        FLines << QString::fromUtf8(FPartial.left(end));
        FPartial.remove(0, end + 1);
    }
}

std::optional<QString> RecorderProcess::WaitForLine(const QString& prefix, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        ReadLines();
        for (; FNext < FLines.size(); ++FNext) {
            if (FLines[FNext].startsWith(prefix)) return FLines[FNext++].mid(prefix.size());
        }
        const qint64 left = milliseconds - timer.elapsed();
        if (left <= 0) return std::nullopt;
        if (!FProcess.waitForReadyRead(int(std::min<qint64>(left, 100))) &&
            FProcess.state() == QProcess::NotRunning) {
            ReadLines();
            if (FNext == FLines.size()) return std::nullopt;
        }
    }
}

QStringList RecorderProcess::Messages() {
    ReadLines();
    QStringList messages;
    for (const QString& line : FLines)
        if (line.startsWith(QLatin1String("message ")))
            messages << line.mid(8).replace(QLatin1String("\\n"), QLatin1String("\n"));
    return messages;
}

QString RecorderProcess::ErrorOutput() {
    ReadLines();
    return QString::fromUtf8(FErrors);
}

bool RecorderProcess::Running() const {
    return FProcess.state() == QProcess::Running;
}

QStringList RecorderProcess::LoadedLibraries() const {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(FProcess.processId()));
    QStringList names;
    if (!maps.open(QIODevice::ReadOnly)) return names;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.indexOf('/')));
        const QString name = path.section(u'/', -1);
        if (line.contains('/') && name.contains(QStringLiteral(".so")) && !names.contains(name))
            names.append(name);
    }
    return names;
}

void RecorderProcess::Signal(int signalNumber) {
    const qint64 pid = FProcess.processId();
    if (pid > 0) (void)kill(pid_t(pid), signalNumber);
}

RecorderProcess::Exit RecorderProcess::WaitForExit(int milliseconds) {
    Exit exit;
    if (FProcess.state() != QProcess::NotRunning && !FProcess.waitForFinished(milliseconds))
        return exit;
    ReadLines();
    exit.ended = true;
    exit.crashed = FProcess.exitStatus() == QProcess::CrashExit;
    exit.code = FProcess.exitCode();
    return exit;
}

QString RecorderProcess::SettingsFile() const {
    return FHome + QStringLiteral("/.config/Hymnaro/Audio Recorder/AudioRecorder.cfg");
}

QString RecorderProcess::RecordingsFolder() const {
    return FHome + QStringLiteral("/Documents/Hymnaro/Audio Recorder");
}

std::size_t FileSize(const QString& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path.toStdString(), error);
    return error ? 0 : std::size_t(size);
}

Bytes ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

std::optional<Bytes> ReadAudioWith(const std::string& reader, const QString& wav) {
    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    };
    const QString raw =
        wav + QStringLiteral(".") + QString::fromStdString(reader) + QStringLiteral(".raw");
    QFile::remove(raw);
    bool read = false;
    if (reader == "python")
        read =
            run(QStringLiteral("python3"), {QStringLiteral("-c"),
                                            QStringLiteral("import sys, wave\n"
                                                           "w = wave.open(sys.argv[1])\n"
                                                           "with open(sys.argv[2], 'wb') as out:\n"
                                                           "    while True:\n"
                                                           "        d = w.readframes(4096)\n"
                                                           "        if not d: break\n"
                                                           "        out.write(d)\n"),
                                            wav, raw});
    else if (reader == "sox")
        read = run(QStringLiteral("sox"),
                   {QStringLiteral("-V1"), wav, QStringLiteral("-t"), QStringLiteral("raw"), raw});
    else
        read = run(QStringLiteral("sndfile-info"), {wav}) &&
               run(QStringLiteral("sndfile-convert"), {wav, raw});
    if (!read) return std::nullopt;
    Bytes audio = ReadWholeFile(raw);
    QFile::remove(raw);
    return audio;
}

QString SndfileInfo(const QString& wav) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("sndfile-info"), {wav});
    if (!process.waitForFinished(60000)) return QStringLiteral("sndfile-info did not finish");
    return QString::fromUtf8(process.readAll());
}
