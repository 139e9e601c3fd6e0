#pragma once
// The setup dialog: the folder for recordings in an edit that completes folder and file
// names. Created once at start-up, hidden, and shown modally by Setup. OK stores the edited
// folder in the settings (a blank text is not stored); Cancel, Escape and the close button
// leave the settings unchanged. Thread contract: GUI thread only.
#include <QDialog>

class QLabel;
class QPushButton;
class TACEdit;
class TLangLinkedTranslator;

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    QLabel* Label1;
    TACEdit* edRecordingFolder;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel
    TLangLinkedTranslator* LangLinked1;

    static constexpr int ClientWidth = 469;
    static constexpr int ClientHeight = 296;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate() {}
    void FormShow();
    void BitBtn1Click();
};

// The one setup dialog of the program (not owned here; the program creates it).
extern TForm2* Form2;
