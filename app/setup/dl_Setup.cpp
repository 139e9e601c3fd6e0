#include "app/setup/dl_Setup.h"

#include "app/TApplicationErrors.h"
#include "app/TDesignFonts.h"
#include "app/TDrawnPictures.h"
#include "app/languages/TLangLinkedTranslator.h"
#include "app/languages/TextTables.h"
#include "app/setup/KWAutoCompleteEdit.h"
#include "settings/TIniData.h"
#include "settings/u_Config.h"

#include <QLabel>
#include <QPushButton>

TForm2* Form2 = nullptr;

namespace {
QPushButton* NewBitBtn(const char* name, const QString& caption, TPicture picture, int left,
                       QWidget* dialog) {
    auto* button = new QPushButton(TDrawnPictures::Icon(picture), caption, dialog);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 241, 97, 25);
    button->setIconSize(QSize(16, 16));
    return button;
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

    // Created in tab order: OK, Cancel, then the edit, so OK has the focus on opening.
    BitBtn1 = NewBitBtn("BitBtn1", QStringLiteral("OK"), TPicture::OK, 130, this);
    BitBtn1->setDefault(true);
    BitBtn2 = NewBitBtn("BitBtn2", QStringLiteral("Cancel"), TPicture::Cancel, 242, this);

    Label1 = new QLabel(QStringLiteral("Folder for audio files:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    Label1->adjustSize();

    edRecordingFolder = new TACEdit(this);
    edRecordingFolder->setObjectName(QStringLiteral("edRecordingFolder"));
    edRecordingFolder->setGeometry(8, 24, 453, 21);
    edRecordingFolder->SetACSource(acsShell);
    edRecordingFolder->setText(QStringLiteral("edRecordingFolder"));
    Label1->setBuddy(edRecordingFolder);

    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, edRecordingFolder);

    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { RunGuiHandler(this, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    LangLinked1 =
        new TLangLinkedTranslator(this, Form2Texts(), QStringLiteral("Form1.LangDispatcher1"));
    LangLinked1->setObjectName(QStringLiteral("LangLinked1"));
    FormCreate();
    // The dialog's creation is complete: it takes the program's language now.
    LangLinked1->Loaded();
    // A translated label keeps its design position and sizes itself to its text.
    Label1->adjustSize();
}

TForm2::~TForm2() = default;

void TForm2::showEvent(QShowEvent* event) {
    Label1->adjustSize();
    RunGuiHandler(this, [this] { FormShow(); });
    QDialog::showEvent(event);
}

void TForm2::FormShow() {
    edRecordingFolder->setText(QString::fromStdU16String(IniData->FolderForRecordings()));
    BitBtn1->setFocus(Qt::OtherFocusReason);
}

void TForm2::BitBtn1Click() {
    // The edited folder is what the user asked for; a blank one would leave nowhere to record.
    const QString folder = edRecordingFolder->text();
    if (!folder.trimmed().isEmpty()) IniData->SetFolderForRecordings(folder.toStdU16String());
    accept();
}
