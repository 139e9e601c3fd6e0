#include "app/Main.h"

#include "app/EUserError.h"
#include "app/TApplicationErrors.h"
#include "app/TButtonKeys.h"
#include "app/TDesignFonts.h"
#include "app/TDrawnPictures.h"
#include "app/TRecordingPanel.h"
#include "app/TUserMessages.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TQtTextTranslator.h"
#include "app/languages/TextTables.h"
#include "app/setup/dl_Setup.h"
#include "settings/u_Config.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

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

// A toolbar button: its hint (the translators set "Hint"; the tool tip adds the shortcut)
// equals its English caption.
QAction* NewButton(const char* name, const QString& caption, TPicture picture,
                   const QKeySequence& shortcut, QObject* owner) {
    auto* action = new QAction(TDrawnPictures::Icon(picture), caption, owner);
    action->setObjectName(QLatin1String(name));
    action->setProperty("Hint", caption);
    action->setProperty("Description", QString());
    action->setShortcut(shortcut);
    // The window's, so that it works whichever of its controls has the focus.
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

QString WithoutMnemonic(QString text) {
    return text.remove(u'&');
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
    btnRecord = NewButton("btnRecord", QStringLiteral("Record"), TPicture::Record,
                          QKeySequence(Qt::CTRL | Qt::Key_R), this);
    btnPause = NewButton("btnPause", QStringLiteral("Pause"), TPicture::Pause,
                         QKeySequence(Qt::CTRL | Qt::Key_P), this);
    // Its captions and hints for either state; the translators set them, the window picks.
    btnPause->setProperty("PauseCaption", QStringLiteral("Pause"));
    btnPause->setProperty("ResumeCaption", QStringLiteral("Resume"));
    btnPause->setProperty("PauseHint", QStringLiteral("Pause"));
    btnPause->setProperty("ResumeHint", QStringLiteral("Resume"));
    btnStop = NewButton("btnStop", QStringLiteral("Stop"), TPicture::Stop,
                        QKeySequence(Qt::CTRL | Qt::Key_S), this);
    btnSetup = NewButton("btnSetup", QStringLiteral("Setup"), TPicture::Setup,
                         QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    ToolBar1->addAction(btnRecord);
    ToolBar1->addAction(btnPause);
    ToolBar1->addAction(btnStop);
    ToolBar1->addSeparator();
    ToolBar1->addAction(btnSetup);
    auto* buttonKeys = new TButtonKeys(this);
    for (QAction* button : {btnRecord, btnPause, btnStop, btnSetup}) {
        QWidget* widget = ToolBar1->widgetForAction(button);
        widget->setFixedWidth(ButtonWidth);
        // A toolbar's buttons take no focus by default; these are the window's only controls.
        widget->setFocusPolicy(Qt::TabFocus);
        widget->installEventFilter(buttonKeys);
    }

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

    RecordingPanel1 = new TRecordingPanel(Panel1, StatusBar1);
    // The panel keeps what happened; what to do about it was in the message box.
    RecordingPanel1->SetMessageTranslator([](const TUserError& error) {
        return TUserMessages::For(error).Text.section(u'\n', 0, 0);
    });
    RecordingPanel1->SetNameTranslator(
        [](const QString& name) { return TUserMessages::Translate(name); });

    resize(ClientWidth, ClientHeight);

    LangDispatcher1 = new TLangDispatcher(this);
    LangDispatcher1->setObjectName(QStringLiteral("LangDispatcher1"));
    LangTranslator1 = new TLangTranslator(this, Form1Texts());
    LangTranslator1->setObjectName(QStringLiteral("LangTranslator1"));
    LangTranslator1->SetLangDispatcher(LangDispatcher1);
    TUserMessages::SetDispatcher(LangDispatcher1);
    // Qt's own words (the key names in the tool tips among them) in the active language.
    TQtTextTranslator::Install();

    connect(btnRecord, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnRecordClick(); }); });
    connect(btnPause, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnPauseClick(); }); });
    connect(btnStop, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnStopClick(); }); });
    connect(btnSetup, &QAction::triggered, this,
            [this] { RunGuiHandler(this, [this] { btnSetupClick(); }); });

    UpdateComposedTexts();
    FormCreate();
}

TForm1::~TForm1() {
    // The data module tells no window that is gone.
    if (dmRecording) {
        dmRecording->OnFileNameChanged = nullptr;
        dmRecording->OnStateChanged = nullptr;
        dmRecording->OnMessage = nullptr;
        dmRecording->OnStatusChanged = nullptr;
    }
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) UpdateComposedTexts();
    if (event->type() == QEvent::WindowStateChange && dmRecording) {
        ListenToRecording();
        if (!isMinimized()) dmRecording->ResumeStatus();
    }
    QMainWindow::changeEvent(event);
}

void TForm1::UpdateComposedTexts() {
    const char* state = FPaused ? "Resume" : "Pause";
    btnPause->setText(btnPause->property(QByteArray(state) + "Caption").toString());
    btnPause->setProperty("Hint", btnPause->property(QByteArray(state) + "Hint"));
    for (QAction* button : {btnRecord, btnPause, btnStop, btnSetup}) {
        const QString shortcut = button->shortcut().toString(QKeySequence::NativeText);
        button->setToolTip(button->property("Hint").toString() + QStringLiteral(" (") + shortcut +
                           u')');
        QWidget* widget = ToolBar1->widgetForAction(button);
        widget->setAccessibleName(WithoutMnemonic(button->text()));
        widget->setAccessibleDescription(button->toolTip());
    }
    // Pause is as wide as its longer caption needs (Fortsetzen), at least as wide as the rest.
    QWidget* pause = ToolBar1->widgetForAction(btnPause);
    const QFontMetrics metrics(pause->font());
    int needed = 0;
    for (const char* caption : {"PauseCaption", "ResumeCaption"})
        needed =
            std::max(needed, metrics.horizontalAdvance(btnPause->property(caption).toString()) + 8);
    pause->setFixedWidth(std::max(ButtonWidth, needed));
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
    ListenToRecording();
    if (dmRecording) {
        dmRecording->SetNextInput(IniData->CaptureDevice());
        RecordingPanel1->Show(dmRecording->Status());
    }
    QMainWindow::showEvent(event);
}

void TForm1::FormCreate() {
    LangDispatcher1->SetActiveLanguage(LangGerman);
}

void TForm1::btnRecordClick() {
    (void)Recording().StartRecording(RecordingFolder(), IniData->CaptureDevice(),
                                     IniData->RecordingFormat());
}

void TForm1::btnPauseClick() {
    Recording().PauseOrResume();
}

void TForm1::btnStopClick() {
    FileNameChanged(QString());
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
    if (!dmRecording) throw EUserError(TMessageCause::NoCaptureController);
    ListenToRecording();
    return *dmRecording;
}

void TForm1::ListenToRecording() {
    if (!dmRecording) return;
    dmRecording->OnFileNameChanged = [this](const WideString& fileName) {
        FileNameChanged(QString::fromStdU16String(fileName));
    };
    dmRecording->OnStateChanged = [this](TRecordingState state) { RecordingStateChanged(state); };
    dmRecording->OnMessage = [this](const std::vector<TUserError>& messages) {
        ShowRecordingMessages(messages);
    };
    if (isMinimized())
        dmRecording->OnStatusChanged = nullptr; // its timer stops at the next tick
    else
        dmRecording->OnStatusChanged = [this](const TRecordingStatus& status) {
            RecordingPanel1->Show(status);
        };
}

void TForm1::FileNameChanged(const QString& fileName) {
    lblFileName->setText(fileName);
    lblFileName->setAccessibleDescription(fileName);
}

void TForm1::RecordingStateChanged(TRecordingState state) {
    const bool paused = state == TRecordingState::Paused;
    if (paused == FPaused) return;
    FPaused = paused;
    UpdateComposedTexts();
}

void TForm1::ShowRecordingMessages(const std::vector<TUserError>& messages) {
    std::vector<TUserMessage> shown;
    for (const TUserError& message : messages)
        shown.push_back(TUserMessages::For(message));
    TApplicationErrors::Show(this, TUserMessages::Combine(shown));
}

void TForm1::btnSetupClick() {
    if (Form2) Form2->exec();
    // The input chosen there is the one the panel names now.
    if (dmRecording) dmRecording->SetNextInput(IniData->CaptureDevice());
}
