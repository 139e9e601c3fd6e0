#include "app/setup/dl_Setup.h"

#include "app/TApplicationErrors.h"
#include "app/TDesignFonts.h"
#include "app/TDrawnPictures.h"
#include "app/TUserMessages.h"
#include "app/dm_Recording.h"
#include "app/languages/TLangLinkedTranslator.h"
#include "app/languages/TextTables.h"
#include "app/setup/KWAutoCompleteEdit.h"
#include "app/setup/TFolderEntry.h"
#include "capture/RecordingFileFormat.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm2* Form2 = nullptr;

namespace {
// The design's measures: an 8-pixel margin, a label row of 16 pixels above a 21-pixel field,
// 8 pixels between settings, and OK and Cancel (97 x 25, 15 apart) centred 30 pixels above
// the bottom edge.
constexpr int Margin = 8;
constexpr int LabelHeight = 16;
constexpr int FieldHeight = 21;
constexpr int RowGap = 8;
constexpr int ButtonGap = 15;
constexpr int BottomMargin = 30;

QPushButton* NewBitBtn(const char* name, const QString& caption, TPicture picture,
                       QWidget* dialog) {
    auto* button = new QPushButton(TDrawnPictures::Icon(picture), caption, dialog);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(97, 25);
    button->setIconSize(QSize(16, 16));
    return button;
}

QString DesktopFolderChooser(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

TForm2::TFolderChooser& FolderChooser() {
    static TForm2::TFolderChooser chooser = DesktopFolderChooser;
    return chooser;
}
} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Setup"));
    setFont(TDesignFonts::ShellDlg());
    setFixedSize(ClientWidth, ClientHeight);
    setSizeGripEnabled(false);
    setProperty("HelpFile", QString());

    Label1 = new QLabel(QStringLiteral("Folder for audio files:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    edRecordingFolder = new TACEdit(this);
    edRecordingFolder->setObjectName(QStringLiteral("edRecordingFolder"));
    edRecordingFolder->setFixedHeight(FieldHeight);
    edRecordingFolder->SetACSource(acsShell);
    edRecordingFolder->setText(QStringLiteral("edRecordingFolder"));
    Label1->setBuddy(edRecordingFolder);

    btnBrowse = new QPushButton(QStringLiteral("Browse…"), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setFixedHeight(FieldHeight);
    btnBrowse->setProperty("ChooserTitle", QStringLiteral("Folder for audio files"));

    BitBtn1 = NewBitBtn("BitBtn1", QStringLiteral("OK"), TPicture::OK, this);
    BitBtn1->setDefault(true);
    BitBtn2 = NewBitBtn("BitBtn2", QStringLiteral("Cancel"), TPicture::Cancel, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Margin, Margin, Margin, BottomMargin);
    layout->setSpacing(0);
    FRows = layout;
    Label1->setFixedHeight(LabelHeight);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(Label1);
    auto* folderRow = new QHBoxLayout;
    folderRow->setSpacing(6);
    folderRow->addWidget(edRecordingFolder, 1);
    folderRow->addWidget(btnBrowse);
    layout->addLayout(folderRow);
    FNextRow = layout->count();
    FLastField = btnBrowse;
    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(ButtonGap);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    // The folder first, then its Browse button, then OK and Cancel.
    setTabOrder(edRecordingFolder, btnBrowse);
    setTabOrder(btnBrowse, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    Label2 = new QLabel(QStringLiteral("Input device:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cbCaptureDevice = new QComboBox(this);
    cbCaptureDevice->setObjectName(QStringLiteral("cbCaptureDevice"));
    cbCaptureDevice->setFixedHeight(FieldHeight);
    // A long name is cut rather than widening the dialog.
    cbCaptureDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    AddRow(Label2, cbCaptureDevice);

    Label3 = new QLabel(QStringLiteral("Format:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    cbRecordingFormat = new QComboBox(this);
    cbRecordingFormat->setObjectName(QStringLiteral("cbRecordingFormat"));
    cbRecordingFormat->setFixedHeight(FieldHeight);
    for (const TRecordingFileFormat format :
         {TRecordingFileFormat::Wav, TRecordingFileFormat::Flac, TRecordingFileFormat::Opus})
        cbRecordingFormat->addItem(
            FormatName(format), QString::fromStdU16String(TdmRecording::SettingOfFormat(format)));
    AddRow(Label3, cbRecordingFormat);

    connect(btnBrowse, &QPushButton::clicked, this,
            [this] { RunGuiHandler(this, [this] { btnBrowseClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { RunGuiHandler(this, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    LangLinked1 =
        new TLangLinkedTranslator(this, Form2Texts(), QStringLiteral("Form1.LangDispatcher1"));
    LangLinked1->setObjectName(QStringLiteral("LangLinked1"));
    FormCreate();
    // The dialog's creation is complete: it takes the program's language now.
    LangLinked1->Loaded();
}

TForm2::~TForm2() = default;

void TForm2::AddRow(QLabel* label, QWidget* field) {
    label->setFixedHeight(LabelHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setBuddy(field);
    FRows->insertSpacing(FNextRow++, RowGap);
    FRows->insertWidget(FNextRow++, label);
    FRows->insertWidget(FNextRow++, field);
    setTabOrder(FLastField, field);
    setTabOrder(field, BitBtn1);
    FLastField = field;
}

TForm2::TFolderChooser TForm2::SetFolderChooser(TFolderChooser chooser) {
    return std::exchange(FolderChooser(),
                         chooser ? std::move(chooser) : TFolderChooser(DesktopFolderChooser));
}

void TForm2::showEvent(QShowEvent* event) {
    RunGuiHandler(this, [this] { FormShow(); });
    QDialog::showEvent(event);
}

void TForm2::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // Ready to type: the cursor behind the folder's text. Showing a dialog hands its focus
    // widget a focus as if by Tab, which selects an edit's whole text.
    if (!visible) return;
    edRecordingFolder->deselect();
    edRecordingFolder->setCursorPosition(int(edRecordingFolder->text().size()));
}

void TForm2::FormShow() {
    edRecordingFolder->setText(QString::fromStdU16String(IniData->FolderForRecordings()));
    ShowCaptureDevices();
    ShowRecordingFormat();
    edRecordingFolder->setFocus(Qt::OtherFocusReason);
}

void TForm2::ShowCaptureDevices() {
    const QList<TdmRecording::TInputDevice> devices =
        dmRecording ? dmRecording->InputDevices()
                    : QList<TdmRecording::TInputDevice>{{u"", TdmRecording::InputSystemDefault}};
    const WideString& stored = IniData->CaptureDevice();
    const QString chosen =
        TdmRecording::IsSystemDefault(stored) ? QString() : QString::fromStdU16String(stored);
    const int language = LangLinked1->ActiveLanguage();
    cbCaptureDevice->clear();
    int selected = 0;
    for (const TdmRecording::TInputDevice& device : devices) {
        const QString key = QString::fromStdU16String(device.Key);
        // The names come in English, as the tables know them.
        cbCaptureDevice->addItem(TUserMessages::Translate(device.Name, language), key);
        if (!chosen.isEmpty() && key.compare(chosen, Qt::CaseInsensitive) == 0)
            selected = cbCaptureDevice->count() - 1;
    }
    // Unplugged, or its sound server not running: still the choice until another is made.
    if (!chosen.isEmpty() && selected == 0) {
        cbCaptureDevice->addItem(
            TUserMessages::Translate(TdmRecording::InputNotAvailable.arg(chosen), language),
            chosen);
        selected = cbCaptureDevice->count() - 1;
    }
    cbCaptureDevice->setCurrentIndex(selected);
}

void TForm2::ShowRecordingFormat() {
    const std::optional<TRecordingFileFormat> stored =
        TdmRecording::FormatOfSetting(IniData->RecordingFormat());
    // The item's names follow the dialog's language with the rest of its texts.
    for (int i = 0; i < cbRecordingFormat->count(); ++i)
        cbRecordingFormat->setItemText(i,
                                       TUserMessages::Translate(FormatName(TRecordingFileFormat(i)),
                                                                LangLinked1->ActiveLanguage()));
    cbRecordingFormat->setCurrentIndex(int(stored.value_or(TRecordingFileFormat::Wav)));
    FStoredFormatShown = cbRecordingFormat->currentIndex();
}

QString TForm2::FormatName(TRecordingFileFormat format) {
    switch (format) {
    case TRecordingFileFormat::Flac:
        return QStringLiteral("FLAC (lossless)");
    case TRecordingFileFormat::Opus:
        return QStringLiteral("Opus (small)");
    case TRecordingFileFormat::Wav:
        break;
    }
    return QStringLiteral("WAV (uncompressed)");
}

void TForm2::StoreRecordingFormat() {
    // An unknown stored value stays until the user picks a format.
    if (cbRecordingFormat->currentIndex() == FStoredFormatShown) return;
    IniData->SetRecordingFormat(cbRecordingFormat->currentData().toString().toStdU16String());
}

void TForm2::BitBtn1Click() {
    const TFolderEntry entry = TFolderEntry::Check(edRecordingFolder->text(), QDir::homePath());
    TUserError refused{TMessageCause::FolderRelative, {entry.Folder}, {}};
    // The system default is kept as no choice, so the settings file stays as it was.
    const WideString device = cbCaptureDevice->currentData().toString().toStdU16String();
    switch (entry.Verdict) {
    case TFolderEntry::Blank: // would leave nowhere to record: the folder is not stored
        IniData->SetCaptureDevice(device);
        StoreRecordingFormat();
        accept();
        return;
    case TFolderEntry::Accepted:
        IniData->SetFolderForRecordings(entry.Folder.toStdU16String());
        IniData->SetCaptureDevice(device);
        StoreRecordingFormat();
        accept();
        return;
    case TFolderEntry::Relative:
        break;
    case TFolderEntry::IsFile:
        refused.Cause = TMessageCause::FolderIsFile;
        break;
    case TFolderEntry::BelowAFile:
        refused.Cause = TMessageCause::FolderBelowAFile;
        refused.Values << entry.Blocker;
        break;
    }
    TApplicationErrors::Show(this, TUserMessages::For(refused, LangLinked1->ActiveLanguage()));
    edRecordingFolder->setFocus(Qt::OtherFocusReason);
}

void TForm2::btnBrowseClick() {
    const QString chosen =
        FolderChooser()(this, btnBrowse->property("ChooserTitle").toString(), BrowseStart());
    if (!chosen.isEmpty()) edRecordingFolder->setText(QDir::toNativeSeparators(chosen));
    edRecordingFolder->setFocus(Qt::OtherFocusReason);
}

QString TForm2::BrowseStart() const {
    const TFolderEntry entry = TFolderEntry::Check(edRecordingFolder->text(), QDir::homePath());
    if (entry.Verdict == TFolderEntry::Blank || entry.Verdict == TFolderEntry::Relative)
        return QDir::homePath();
    for (QFileInfo folder(entry.Folder); !folder.filePath().isEmpty();
         folder = QFileInfo(folder.absolutePath())) {
        if (folder.isDir()) return folder.absoluteFilePath();
        if (folder.isRoot()) break;
    }
    return QDir::homePath();
}
