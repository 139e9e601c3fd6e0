#include "app/Main.h"

#include "app/TApplicationErrors.h"
#include "app/TDesignFonts.h"
#include "app/TDrawnPictures.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TextTables.h"
#include "app/setup/dl_Setup.h"
#include "capture/EDShowError.h"
#include "capture/TDXShowCaptureAudio.h"
#include "capture/TDXShowCaptureDevices.h"
#include "runtime/Exception.h"
#include "settings/KWFileUtils.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TForm1* Form1 = nullptr;

const QString TForm1::msgNoCaptureController = QStringLiteral(
    "Recording is not possible: the audio capture could not be prepared at start-up.");
const QString TForm1::msgNoAudioInputDevice = QStringLiteral("No audio input device was found.");
const QString TForm1::msgRecordingNotStarted =
    QStringLiteral("The recording could not be started.\n%1");
const QString TForm1::msgRecordingNotCompleted =
    QStringLiteral("The recording could not be completed.\n%1");
const QString TForm1::msgRecordingAborted =
    QStringLiteral("The recording stopped because of an error.\n%1");
const QString TForm1::msgRecordingDeviceLost =
    QStringLiteral("The recording stopped because the audio input device was lost.");
const QString TForm1::msgRecordingStreamEnded =
    QStringLiteral("The recording stopped because the audio input device ended the stream.");
const QString TForm1::msgRecordingDiskFull =
    QStringLiteral("The recording stopped because the disk is full.");
const QString TForm1::msgRecordingSizeLimit =
    QStringLiteral("The recording stopped because the file reached its size limit.");

namespace {
// The codes a write failure ends a recording with when the disk is full (ERROR_DISK_FULL,
// ERROR_HANDLE_DISK_FULL, STG_E_MEDIUMFULL), and when the file may not grow any more: the
// largest WAV file, or the size limit of the file system or of the process
// (ERROR_FILE_TOO_LARGE).
bool IsDiskFull(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(112) || hr == HRESULT_FROM_WIN32(39) || hr == STG_E_MEDIUMFULL;
}
bool IsSizeLimit(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(223);
}

// An empty file, or a WAV file whose data chunk is empty and ends the file: what a writer leaves
// when no sample reached it (a header is written at stop all the same).
bool HoldsNoAudio(const QString& path) {
    QFile file(path);
    if (!file.exists()) return false;
    const qint64 size = file.size();
    if (size == 0) return true;
    constexpr qint64 LargestHeader = 1024;
    if (size > LargestHeader || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return false;
    auto le32 = [&](qint64 at) {
        return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
               quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
    };
    for (qint64 at = 12; at + 8 <= size;) {
        const quint32 length = le32(at + 4);
        if (bytes.mid(at, 4) == "data") return length == 0 && at + 8 == size;
        at += 8 + qint64(length) + (length & 1);
    }
    return false;
}

// Rows of the docking area: the picture buttons, then the file-name label.
constexpr int Row0Height = 48;
constexpr int Row1Height = TForm1::DockHeight - Row0Height;

QToolBar* NewToolBar(const char* name, const QString& caption, int height, QWidget* dock) {
    auto* toolBar = new QToolBar(caption, dock);
    toolBar->setObjectName(QLatin1String(name));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setFixedHeight(height);
    toolBar->setContentsMargins(0, 0, 0, 0);
    return toolBar;
}

QAction* NewButton(const char* name, const QString& caption, TPicture picture, QObject* owner) {
    auto* action = new QAction(TDrawnPictures::Icon(picture), caption, owner);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(caption);
    action->setProperty("Description", QString());
    return action;
}
} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), FClock([] { return QDateTime::currentDateTime(); }) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Hymnaro Audio Recorder v0.1"));
    setWindowIcon(TDrawnPictures::Icon(TPicture::App));
    setFont(TDesignFonts::ShellDlg());
    setProperty("HelpFile", QString());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    Dock1 = new QWidget(client);
    Dock1->setObjectName(QStringLiteral("Dock1"));
    Dock1->setFixedHeight(DockHeight);
    Dock1->setFont(TDesignFonts::Tahoma());
    auto* dockLayout = new QVBoxLayout(Dock1);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    dockLayout->setSpacing(0);

    ToolBar1 = NewToolBar("ToolBar1", QStringLiteral("Custom 1"), Row0Height, Dock1);
    ToolBar1->setIconSize(QSize(PictureSize, PictureSize));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnRecord = NewButton("btnRecord", QStringLiteral("Record"), TPicture::Record, this);
    btnStop = NewButton("btnStop", QStringLiteral("Stop"), TPicture::Stop, this);
    btnSetup = NewButton("btnSetup", QStringLiteral("Setup"), TPicture::Setup, this);
    ToolBar1->addAction(btnRecord);
    ToolBar1->addAction(btnStop);
    ToolBar1->addSeparator();
    ToolBar1->addAction(btnSetup);
    for (QAction* button : {btnRecord, btnStop, btnSetup})
        ToolBar1->widgetForAction(button)->setFixedWidth(ButtonWidth);

    ToolBar2 = NewToolBar("ToolBar2", QStringLiteral("Custom 2"), Row1Height, Dock1);
    lblFileName = new QLabel(ToolBar2);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblFileName->setProperty("Description", QString());
    lblFileName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblFileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ToolBar2->addWidget(lblFileName);

    dockLayout->addWidget(ToolBar1);
    dockLayout->addWidget(ToolBar2);
    // What the toolbar manager keeps besides its toolbars; the translators reach them by name.
    Dock1->setProperty("Toolbars", QVariant::fromValue(QList<QObject*>{ToolBar1, ToolBar2}));
    Dock1->setProperty("Categories", QStringList{QStringLiteral("Default")});
    Dock1->setProperty("SettingsFile", QString());
    Dock1->setProperty("RegistryPath", QString());

    Panel1 = new QFrame(client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    clientLayout->addWidget(Dock1);
    clientLayout->addWidget(Panel1, 1);
    setCentralWidget(client);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(StatusBarHeight);
    StatusBar1->setFont(TDesignFonts::ShellDlg());
    setStatusBar(StatusBar1);

    resize(ClientWidth, ClientHeight);

    LangDispatcher1 = new TLangDispatcher(this);
    LangDispatcher1->setObjectName(QStringLiteral("LangDispatcher1"));
    LangTranslator1 = new TLangTranslator(this, Form1Texts());
    LangTranslator1->setObjectName(QStringLiteral("LangTranslator1"));
    LangTranslator1->SetLangDispatcher(LangDispatcher1);
    TApplicationErrors::SetDispatcher(LangDispatcher1);

    connect(btnRecord, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnRecordClick(); }); });
    connect(btnStop, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnStopClick(); }); });
    connect(btnSetup, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnSetupClick(); }); });

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::showEvent(QShowEvent* event) {
    // Centred on the screen the first time, frame included (known once the window exists).
    if (!FPlaced) {
        FPlaced = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void TForm1::FormCreate() {
    LangDispatcher1->SetActiveLanguage(LangGerman);
}

void TForm1::btnRecordClick() {
    (void)CreateFolderPath(IniData->FolderForRecordings());
    TDXShowCaptureAudio* capture = CaptureController();
    if (!capture) throw Exception(msgNoCaptureController.toStdString());
    // A device may have been plugged in since start-up.
    if (capture->Devices().Count() == 0) capture->Devices().Refresh();
    if (capture->Devices().Count() == 0) throw Exception(msgNoAudioInputDevice.toStdString());

    // The running recording is completed first: the new graph's Open would stop it too, but
    // without telling whether its file could be completed.
    if (capture->IsRunning()) {
        const HRESULT stopped = capture->Stop();
        if (FAILED(stopped))
            TApplicationErrors::ShowMessage(
                this, msgRecordingNotCompleted.arg(
                          QString::fromStdU16String(TDXShow::FormatError(stopped, u""))));
    }

    const WideString name = MakeRecordingFileName();
    lblFileName->setText(QString::fromStdU16String(name));
    capture->OnRecordingStopped = [this](QObject*, LONG code, LONG_PTR param1, HRESULT stopped) {
        RecordingStopped(code, param1, stopped);
    };
    capture->SetFileName(name);

    // The errors the controller only reports are collected for this Record alone.
    std::vector<WideString> reported;
    capture->OnError = [&reported](HRESULT, const WideString& text) { reported.push_back(text); };
    struct TStopCollecting {
        TDXShowCaptureAudio* capture;
        ~TStopCollecting() { capture->OnError = nullptr; }
    } stopCollecting{capture};

    try {
        (void)capture->Open(u"", true);
    } catch (const EDShowError&) {
        AbandonRecording(*capture, name);
        throw; // shown once, by the exception display
    }
    const HRESULT hr = capture->Play();
    if (SUCCEEDED(hr) && reported.empty() && capture->GetGraphState() == GraphStateRunning) return;
    AbandonRecording(*capture, name);
    const WideString reason = !reported.empty()
                                  ? reported.front()
                                  : TDXShow::FormatError(FAILED(hr) ? hr : VFW_E_NOT_RUNNING, u"");
    throw Exception(msgRecordingNotStarted.arg(QString::fromStdU16String(reason)).toStdString());
}

void TForm1::btnStopClick() {
    lblFileName->clear();
    TDXShowCaptureAudio* capture = CaptureController();
    if (!capture) throw Exception(msgNoCaptureController.toStdString());
    const HRESULT hr = capture->Stop();
    if (FAILED(hr))
        throw Exception(
            msgRecordingNotCompleted.arg(QString::fromStdU16String(TDXShow::FormatError(hr, u"")))
                .toStdString());
}

TDXShowCaptureAudio* TForm1::CaptureController() const {
    return dmRecording ? dmRecording->DXShowCaptureAudio() : nullptr;
}

void TForm1::AbandonRecording(TDXShowCaptureAudio& capture, const WideString& fileName) {
    lblFileName->clear();
    (void)capture.Stop();
    // The name was new, so the file is ours; one that never got a sample is nothing to keep.
    const QString path = QString::fromStdU16String(fileName);
    if (HoldsNoAudio(path)) (void)QFile::remove(path);
}

QString TForm1::RecordingStoppedText(LONG eventCode, LONG_PTR param1) {
    if (eventCode == EC_DEVICE_LOST) return msgRecordingDeviceLost;
    if (eventCode == EC_COMPLETE) return msgRecordingStreamEnded;
    const HRESULT hr = HRESULT(std::int32_t(param1));
    if (IsDiskFull(hr)) return msgRecordingDiskFull;
    if (IsSizeLimit(hr)) return msgRecordingSizeLimit;
    return msgRecordingAborted.arg(QString::fromStdU16String(TDXShow::FormatError(hr, u"")));
}

void TForm1::RecordingStopped(LONG eventCode, LONG_PTR param1, HRESULT stopped) {
    lblFileName->clear();
    // Each part in the active language: the message table knows them one by one.
    QString text = TApplicationErrors::Translate(RecordingStoppedText(eventCode, param1));
    if (FAILED(stopped))
        text += u'\n' + TApplicationErrors::Translate(msgRecordingNotCompleted.arg(
                            QString::fromStdU16String(TDXShow::FormatError(stopped, u""))));
    TApplicationErrors::ShowMessage(this, text);
}

void TForm1::closeEvent(QCloseEvent* event) {
    TDXShowCaptureAudio* capture = CaptureController();
    if (capture && capture->IsRunning()) RunGuiHandler(this, [this] { btnStopClick(); });
    QMainWindow::closeEvent(event);
}

void TForm1::btnSetupClick() {
    if (Form2) Form2->exec();
}

void TForm1::SetClock(TClock clock) {
    FClock = std::move(clock);
}

WideString TForm1::MakeRecordingFileName() const {
    return RecordingFileNameAt(IniData->FolderForRecordings(), FClock());
}

WideString TForm1::RecordingFileNameAt(const WideString& folder, const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    auto two = [](int number) { return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0')); };
    const WideString stem = WithTrailingBackslash(folder) +
                            QStringLiteral("%1-%2-%3 %4-%5-%6")
                                .arg(two(date.year()), two(date.month()), two(date.day()),
                                     two(time.hour()), two(time.minute()), two(time.second()))
                                .toStdU16String();
    // A recording started within the same second as an earlier one must not overwrite it.
    WideString name = stem + u".wav";
    for (int copy = 2; IsExistingFile(name) || IsExistingFolder(name); ++copy)
        name = stem + u" (" + QString::number(copy).toStdU16String() + u").wav";
    return name;
}
