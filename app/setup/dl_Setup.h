#pragma once
// The setup dialog: the folder for recordings in an edit that completes folder and file
// names, with a Browse button that opens the desktop's folder chooser, and below it the input
// device to record from in a drop-down, whose list is asked of the recording data module each
// time the dialog opens (a chosen device that is not there is shown as not available, so that
// OK keeps it; the system default is stored as no choice), and the format of new recordings
// (WAV, FLAC or Opus; WAV is stored as no choice). Created once at start-up, hidden, and shown
// modally by Setup; it opens with the focus in the folder field, Enter is OK and Escape Cancel. OK
// checks the folder (TFolderEntry) and stores it in the settings; what it refuses is told in the
// dialog's language and the dialog stays open with the text. A blank text is not stored. Cancel,
// Escape and the close button leave the settings unchanged. The settings are rows one below the
// other (a label above its field); AddRow puts another below the last. Thread contract: GUI thread
// only.
#include <QDialog>

#include <functional>

class QBoxLayout;
class QComboBox;
class QLabel;
class QPushButton;
class TACEdit;
class TLangLinkedTranslator;
enum class TRecordingFileFormat;

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    QLabel* Label1;
    TACEdit* edRecordingFolder;
    QPushButton* btnBrowse;
    QLabel* Label2;
    QComboBox* cbCaptureDevice; // the names shown; each item's data is its key
    QLabel* Label3;
    QComboBox* cbRecordingFormat; // WAV, FLAC, Opus; each item's data is its setting
    QPushButton* BitBtn1;         // OK
    QPushButton* BitBtn2;         // Cancel
    TLangLinkedTranslator* LangLinked1;

    // Adds a setting below the last: its label above its field, the field in the tab order
    // before OK. The label (its buddy) names the field for screen readers.
    void AddRow(QLabel* label, QWidget* field);

    // What Browse asks the folder of: the dialog, the chooser's title and the folder to start
    // in; answers the chosen folder or an empty text. The desktop's own chooser by default
    // (QFileDialog for a folder); tests put theirs in place. An empty function restores it.
    using TFolderChooser =
        std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
    static TFolderChooser SetFolderChooser(TFolderChooser chooser);

    static constexpr int ClientWidth = 469;
    static constexpr int ClientHeight = 296;

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate() {}
    void FormShow();
    // Fills the drop-down with the input devices there are now and selects the chosen one.
    void ShowCaptureDevices();
    // Selects the stored format; a value this version does not know shows as WAV, which is
    // what records, and is kept until another format is chosen and OK pressed.
    void ShowRecordingFormat();
    void StoreRecordingFormat();
    // The name of a format in English, as the tables know it.
    static QString FormatName(TRecordingFileFormat format);
    int FStoredFormatShown = 0;
    void BitBtn1Click();
    void btnBrowseClick();
    // The folder Browse starts in: the typed one, or the nearest folder above it that exists.
    QString BrowseStart() const;

    QBoxLayout* FRows = nullptr;
    // Where the next row goes: before the space that keeps the buttons at the bottom.
    int FNextRow = 0;
    // The last control of the rows in the tab order, OK's predecessor.
    QWidget* FLastField = nullptr;
};

// The one setup dialog of the program (not owned here; the program creates it).
extern TForm2* Form2;
