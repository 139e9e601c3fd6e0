#include "app/languages/TextTables.h"

namespace {
TLangRow Row(const char* item, const char* english, const char* german) {
    return {QString::fromUtf8(item), {QString::fromUtf8(english), QString::fromUtf8(german)}};
}

TTranslationData MakeForm1Texts() {
    TTranslationData data;
    data.Captions = {
        Row("TForm1", "Hymnaro Audio Recorder v0.1", ""),
        Row("btnRecord", "Record", "Start"),
        Row("btnStop", "Stop", "Stop"),
        Row("btnSetup", "Setup", "Optionen"),
        Row("lblFileName", "", ""),
        Row("Panel1", "", ""),
    };
    data.Hints = {
        Row("TForm1", "", ""),        Row("StatusBar1", "", ""),      Row("Panel1", "", ""),
        Row("lblFileName", "", ""),   Row("btnRecord", "Record", ""), Row("btnStop", "Stop", ""),
        Row("btnSetup", "Setup", ""),
    };
    data.Fonts = {
        Row("TForm1", "MS Shell Dlg 2", ""),
        Row("StatusBar1", "MS Shell Dlg 2", ""),
        Row("Dock1", "Tahoma", ""),
    };
    data.Charsets = {
        Row("TForm1", "DEFAULT_CHARSET", "DEFAULT_CHARSET"),
        Row("StatusBar1", "DEFAULT_CHARSET", "DEFAULT_CHARSET"),
        Row("Dock1", "DEFAULT_CHARSET", "DEFAULT_CHARSET"),
    };
    data.MultiLineTexts = {
        Row("Dock1.Categories", "Default", ""),
    };
    data.Strings = {
        Row("TForm1.HelpFile", "", ""),         Row("Dock1.SettingsFile", "", ""),
        Row("Dock1.RegistryPath", "", ""),      Row("btnRecord.Description", "", ""),
        Row("btnStop.Description", "", ""),     Row("btnSetup.Description", "", ""),
        Row("lblFileName.Description", "", ""),
    };
    data.Collections = {
        Row("Dock1.Toolbars[0].Caption", "Custom 1", ""),
        Row("Dock1.Toolbars[1].Caption", "Custom 2", ""),
    };
    data.MessageDialogs = {
        Row("SMsgDlgWarning", "Warning", ""),
        Row("SMsgDlgError", "Error", ""),
        Row("SMsgDlgInformation", "Information", ""),
        Row("SMsgDlgConfirm", "Confirm", ""),
        Row("SMsgDlgYes", "&Yes", ""),
        Row("SMsgDlgNo", "&No", ""),
        Row("SMsgDlgOK", "OK", ""),
        Row("SMsgDlgCancel", "Cancel", ""),
        Row("SMsgDlgAbort", "&Abort", ""),
        Row("SMsgDlgRetry", "&Retry", ""),
        Row("SMsgDlgIgnore", "&Ignore", ""),
        Row("SMsgDlgAll", "&All", ""),
        Row("SMsgDlgNoToAll", "N&o to All", ""),
        Row("SMsgDlgYesToAll", "Yes to &All", ""),
        Row("SMsgDlgHelp", "&Help", ""),
    };
    // The messages the main window shows (the item names the message for the reader).
    data.Messages = {
        Row("msgUnableToCreateDirectory", "Unable to create directory",
            "Ordner kann nicht erstellt werden"),
        Row("msgNoAudioInputDevice", "No audio input device was found.",
            "Es wurde kein Audio-Eingabegerät gefunden."),
        Row("msgSettingsNotSaved", "The settings could not be saved to \"%s\".\n%s",
            "Die Einstellungen konnten nicht in \"%s\" gespeichert werden.\n%s"),
        // The reasons of a failed save, each followed by the system's own words.
        Row("msgCannotCreateFile", "Cannot create file \"%s\". %s",
            "Die Datei \"%s\" kann nicht erstellt werden. %s"),
        Row("msgCannotWriteFile", "Cannot write file \"%s\". %s",
            "Die Datei \"%s\" kann nicht geschrieben werden. %s"),
        Row("msgUnknownError", "An unknown error occurred.",
            "Ein unbekannter Fehler ist aufgetreten."),
        Row("msgNoCaptureController",
            "Recording is not possible: the audio capture could not be prepared at start-up.",
            "Aufnehmen ist nicht möglich: Die Audioaufnahme konnte beim Programmstart nicht "
            "vorbereitet werden."),
        Row("msgRecordingNotStarted", "The recording could not be started.\n%s",
            "Die Aufnahme konnte nicht gestartet werden.\n%s"),
        Row("msgRecordingNotCompleted", "The recording could not be completed.\n%s",
            "Die Aufnahme konnte nicht abgeschlossen werden.\n%s"),
        Row("msgRecordingAborted", "The recording stopped because of an error.\n%s",
            "Die Aufnahme wurde wegen eines Fehlers beendet.\n%s"),
        Row("msgRecordingDeviceLost",
            "The recording stopped because the audio input device was lost.",
            "Die Aufnahme wurde beendet, weil das Audio-Eingabegerät nicht mehr verfügbar ist."),
        Row("msgRecordingStreamEnded",
            "The recording stopped because the audio input device ended the stream.",
            "Die Aufnahme wurde beendet, weil das Audio-Eingabegerät keine Daten mehr liefert."),
        Row("msgRecordingDiskFull", "The recording stopped because the disk is full.",
            "Die Aufnahme wurde beendet, weil der Datenträger voll ist."),
        Row("msgRecordingSizeLimit",
            "The recording stopped because the file reached its size limit.",
            "Die Aufnahme wurde beendet, weil die Datei ihre maximale Größe erreicht hat."),
    };
    return data;
}

TTranslationData MakeForm2Texts() {
    TTranslationData data;
    data.Captions = {
        Row("TForm2", "Setup", "Optionen"),
        Row("Label1", "Folder for audio files:", "Ornder für Aufnahmen:"),
        Row("BitBtn1", "OK", "OK"),
        Row("BitBtn2", "Cancel", "Abbrechen"),
    };
    data.Hints = {
        Row("TForm2", "", ""),  Row("Label1", "", ""),  Row("edRecordingFolder", "", ""),
        Row("BitBtn1", "", ""), Row("BitBtn2", "", ""),
    };
    data.Fonts = {
        Row("TForm2", "MS Shell Dlg 2", ""),
    };
    data.Charsets = {
        Row("TForm2", "DEFAULT_CHARSET", "DEFAULT_CHARSET"),
    };
    data.Strings = {
        Row("edRecordingFolder.Text", "edRecordingFolder", ""),
        Row("TForm2.HelpFile", "", ""),
    };
    return data;
}
} // namespace

const TTranslationData& Form1Texts() {
    static const TTranslationData data = MakeForm1Texts();
    return data;
}

const TTranslationData& Form2Texts() {
    static const TTranslationData data = MakeForm2Texts();
    return data;
}
