#include "app/Main.h"

#include "app/TApplicationErrors.h"
#include "app/TDesignFonts.h"
#include "app/TDrawnPictures.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TextTables.h"
#include "app/setup/dl_Setup.h"
#include "runtime/Exception.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TForm1* Form1 = nullptr;

namespace {
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

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
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

TForm1::~TForm1() {
    // The data module tells no window that is gone.
    if (dmRecording) {
        dmRecording->OnFileNameChanged = nullptr;
        dmRecording->OnMessage = nullptr;
    }
}

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
    (void)Recording().StartRecording(RecordingFolder());
}

void TForm1::btnStopClick() {
    lblFileName->clear();
    Recording().StopRecording();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (dmRecording && dmRecording->IsRecording()) RunGuiHandler(this, [this] { btnStopClick(); });
    QMainWindow::closeEvent(event);
}

WideString TForm1::RecordingFolder() const {
    return IniData->FolderForRecordings();
}

TdmRecording& TForm1::Recording() {
    if (!dmRecording) throw Exception(TdmRecording::msgNoCaptureController.toStdString());
    dmRecording->OnFileNameChanged = [this](const WideString& fileName) {
        lblFileName->setText(QString::fromStdU16String(fileName));
    };
    dmRecording->OnMessage = [this](const QStringList& messages) {
        ShowRecordingMessages(messages);
    };
    return *dmRecording;
}

void TForm1::ShowRecordingMessages(const QStringList& messages) {
    // Each in the active language: the message table knows them one by one.
    QStringList shown;
    for (const QString& message : messages)
        shown << TApplicationErrors::Translate(message);
    TApplicationErrors::ShowMessage(this, shown.join(u'\n'));
}

void TForm1::btnSetupClick() {
    if (Form2) Form2->exec();
}
