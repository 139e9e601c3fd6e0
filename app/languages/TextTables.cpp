#include "app/languages/TextTables.h"

namespace {
TLangRow Row(const char* item, const char* english, const char* german) {
    return {QString::fromUtf8(item), {QString::fromUtf8(english), QString::fromUtf8(german)}};
}

// The texts of the recording's status (TRecordingPanel with its TLevelMeter): its captions and
// hints, its patterns ("%1", "%2", ... stand for the figures) and its messages.
void AddRecordingStatusTexts(TTranslationData& data) {
    data.Captions.push_back(Row("btnOpenFolder", "Open folder", "Ordner öffnen"));
    data.Hints.push_back(Row("btnOpenFolder",
                             "Shows the folder of the last recording in the file manager",
                             "Zeigt den Ordner der letzten Aufnahme im Dateimanager"));
    data.Strings.insert(
        data.Strings.end(),
        {
            Row("RecordingPanel.ReadyText", "Ready", "Bereit"),
            Row("RecordingPanel.RecordingText", "Recording", "Aufnahme"),
            Row("RecordingPanel.PausedText", "Paused", "Pausiert"),
            Row("RecordingPanel.InputText", "Input: %1", "Eingang: %1"),
            Row("RecordingPanel.NoInputText", "No audio input device was found.",
                "Es wurde kein Audio-Eingabegerät gefunden."),
            Row("RecordingPanel.MonoText", "%1 kHz · Mono · %2 bit", "%1 kHz · Mono · %2 Bit"),
            Row("RecordingPanel.StereoText", "%1 kHz · Stereo · %2 bit",
                "%1 kHz · Stereo · %2 Bit"),
            Row("RecordingPanel.ChannelsText", "%1 kHz · %3 channels · %2 bit",
                "%1 kHz · %3 Kanäle · %2 Bit"),
            Row("RecordingPanel.UnknownFormatText", "WAV (the format “%1” is not known)",
                "WAV (das Format „%1“ ist unbekannt)"),
            Row("RecordingPanel.LastRecordingText", "Last recording: %1 · %2 · %3",
                "Letzte Aufnahme: %1 · %2 · %3"),
            Row("RecordingPanel.HoursLeftText", "%1 h %2 min left", "noch %1 Std. %2 Min."),
            Row("RecordingPanel.MinutesLeftText", "%1 min left", "noch %1 Min."),
            Row("RecordingPanel.SecondsLeftText", "%1 s left", "noch %1 Sek."),
            Row("RecordingPanel.OneDropoutText", "1 dropout", "1 Aussetzer"),
            Row("RecordingPanel.DropoutsText", "%1 dropouts", "%1 Aussetzer"),
            Row("RecordingPanel.LocaleName", "en_GB", "de_DE"),
            Row("LevelMeter.AccessibleName", "Input level", "Eingangspegel"),
            Row("LevelMeter.StereoText", "Left %1, right %2", "Links %1, rechts %2"),
            Row("LevelMeter.ChannelText", "Channel %1 %2", "Kanal %1 %2"),
            Row("LevelMeter.DecibelText", "%1 dB", "%1 dB"),
            Row("LevelMeter.SilenceText", "below -60 dB", "unter -60 dB"),
            Row("LevelMeter.ClippedText", "%1, clipped", "%1, übersteuert"),
            Row("LevelMeter.LocaleName", "en_GB", "de_DE"),
        });
    data.Messages.insert(
        data.Messages.end(),
        {
            Row("msgNoRoomAtStart",
                "The recording cannot start: the disk of the folder “%1” has room for less "
                "than ten seconds of sound (%2 kB are free).\nMake room on the disk, or choose "
                "a folder on another disk under Setup.",
                "Die Aufnahme kann nicht beginnen: Der Datenträger des Ordners „%1“ hat Platz für "
                "weniger als zehn Sekunden Ton (%2 kB sind frei).\nSchaffen Sie Platz auf dem "
                "Datenträger oder wählen Sie unter „Optionen“ einen Ordner auf einem anderen "
                "Datenträger."),
            Row("msgFolderNotOpened",
                "The folder “%1” could not be shown: the desktop has no file manager for it.\n"
                "Open the folder in a file manager yourself.",
                "Der Ordner „%1“ konnte nicht angezeigt werden: Die Arbeitsumgebung hat keinen "
                "Dateimanager dafür.\nÖffnen Sie den Ordner selbst in einem Dateimanager."),
        });
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
        Row("TForm1.HelpFile", "", ""),
        Row("Dock1.SettingsFile", "", ""),
        Row("Dock1.RegistryPath", "", ""),
        Row("btnRecord.Description", "", ""),
        Row("btnPause.Description", "", ""),
        Row("btnStop.Description", "", ""),
        Row("btnSetup.Description", "", ""),
        Row("lblFileName.Description", "", ""),
        // Pause reads Resume while a recording is paused; the window picks by the state.
        Row("btnPause.PauseCaption", "Pause", "Pause"),
        Row("btnPause.ResumeCaption", "Resume", "Fortsetzen"),
        Row("btnPause.PauseHint", "Pause", ""),
        Row("btnPause.ResumeHint", "Resume", ""),
        // What a screen reader calls the controls that have no caption of their own (the
        // buttons are called by their captions).
        Row("ToolBar1.AccessibleName", "Recording commands", "Aufnahmebefehle"),
        Row("ToolBar2.AccessibleName", "File being recorded", "Datei der Aufnahme"),
        Row("lblFileName.AccessibleName", "File name", "Dateiname"),
        Row("Panel1.AccessibleName", "Recording", "Aufnahme"),
        Row("StatusBar1.AccessibleName", "Status bar", "Statusleiste"),
    };
    data.Collections = {
        Row("Dock1.Toolbars[0].Caption", "Custom 1", ""),
        Row("Dock1.Toolbars[1].Caption", "Custom 2", ""),
    };
    data.MessageDialogs = {
        Row("SMsgDlgWarning", "Warning", "Warnung"),
        Row("SMsgDlgError", "Error", "Fehler"),
        Row("SMsgDlgInformation", "Information", "Information"),
        Row("SMsgDlgConfirm", "Confirm", "Bestätigen"),
        Row("SMsgDlgYes", "&Yes", "&Ja"),
        Row("SMsgDlgNo", "&No", "&Nein"),
        Row("SMsgDlgOK", "OK", "OK"),
        Row("SMsgDlgCancel", "Cancel", "Abbrechen"),
        Row("SMsgDlgAbort", "&Abort", "&Abbrechen"),
        Row("SMsgDlgRetry", "&Retry", "&Wiederholen"),
        Row("SMsgDlgIgnore", "&Ignore", "&Ignorieren"),
        Row("SMsgDlgAll", "&All", "&Alle"),
        Row("SMsgDlgNoToAll", "N&o to All", "N&ein für alle"),
        Row("SMsgDlgYesToAll", "Yes to &All", "J&a für alle"),
        Row("SMsgDlgHelp", "&Help", "&Hilfe"),
    };
    // The program's messages by their keys (TUserMessages): what happened and what it
    // concerns, a line break, what the user can do. The technical reason is never in them.
    data.Messages = {
        Row("msgNoCaptureController",
            "Recording is not possible: the audio capture could not be prepared when the "
            "program started.\nEnd the program and start it again.",
            "Aufnehmen ist nicht möglich: Die Audioaufnahme konnte beim Programmstart nicht "
            "vorbereitet werden.\nBeenden Sie das Programm und starten Sie es erneut."),
        Row("msgCaptureNotPrepared",
            "The audio capture could not be prepared, so the recorder cannot record.\nCheck "
            "that the sound system is installed and running, then start the program again.",
            "Die Audioaufnahme konnte nicht vorbereitet werden, daher kann nicht aufgenommen "
            "werden.\nPrüfen Sie, ob das Soundsystem installiert ist und läuft, und starten Sie "
            "das Programm dann erneut."),
        Row("msgFolderNotSet", "No folder for recordings is set.\nChoose one under Setup.",
            "Es ist kein Ordner für Aufnahmen eingestellt.\nWählen Sie unter „Optionen“ einen "
            "Ordner."),
        Row("msgFolderNoPermission",
            "The folder for recordings “%1” cannot be created: you have no permission to create "
            "it there.\nChoose another folder under Setup.",
            "Der Ordner für Aufnahmen „%1“ kann nicht erstellt werden: Sie haben dort keine "
            "Berechtigung dazu.\nWählen Sie unter „Optionen“ einen anderen Ordner."),
        Row("msgFolderNotAFolder",
            "The folder for recordings “%1” cannot be created because “%2” is a file, not a "
            "folder.\nChoose another folder under Setup, or move the file away.",
            "Der Ordner für Aufnahmen „%1“ kann nicht erstellt werden, weil „%2“ eine Datei und "
            "kein Ordner ist.\nWählen Sie unter „Optionen“ einen anderen Ordner oder verschieben "
            "Sie die Datei."),
        Row("msgFolderDiskFull",
            "The folder for recordings “%1” cannot be created because the disk is full.\nMake "
            "room on the disk, or choose a folder on another disk under Setup.",
            "Der Ordner für Aufnahmen „%1“ kann nicht erstellt werden, weil der Datenträger voll "
            "ist.\nSchaffen Sie Platz auf dem Datenträger oder wählen Sie unter „Optionen“ einen "
            "Ordner auf einem anderen Datenträger."),
        Row("msgFolderNotCreatable",
            "The folder for recordings “%1” cannot be created.\nChoose another folder under "
            "Setup.",
            "Der Ordner für Aufnahmen „%1“ kann nicht erstellt werden.\nWählen Sie unter "
            "„Optionen“ einen anderen Ordner."),
        Row("msgNoInput",
            "No audio input found. Is a microphone connected and is the sound server running?",
            "Kein Audio-Eingang gefunden. Ist ein Mikrofon angeschlossen und läuft der "
            "Sound-Server?"),
        Row("msgInputBusy",
            "The audio input “%1” is in use by another program.\nEnd the recording in the "
            "other program, then press Record again.",
            "Der Audio-Eingang „%1“ wird gerade von einem anderen Programm benutzt.\nBeenden Sie "
            "die Aufnahme im anderen Programm und drücken Sie dann erneut „Start“."),
        Row("msgInputNotOpenable",
            "The audio input “%1” cannot be opened.\nCheck that it is connected and that the "
            "sound server is running, then press Record again.",
            "Der Audio-Eingang „%1“ kann nicht geöffnet werden.\nPrüfen Sie, ob er angeschlossen "
            "ist und der Sound-Server läuft, und drücken Sie dann erneut „Start“."),
        Row("msgInputMissing",
            "The input device “%1” is not available, so the recording is made from the "
            "system default.\nConnect the device, or choose another input device under Setup.",
            "Das Eingabegerät „%1“ ist nicht verfügbar, daher wird vom Systemstandard "
            "aufgenommen.\nSchließen Sie das Gerät an oder wählen Sie unter „Optionen“ ein "
            "anderes Eingabegerät."),
        Row("msgFileNoPermission",
            "No recording can be created in the folder “%1”: you have no permission to write "
            "there.\nChoose another folder under Setup.",
            "Im Ordner „%1“ kann keine Aufnahme erstellt werden: Sie haben dort keine "
            "Schreibberechtigung.\nWählen Sie unter „Optionen“ einen anderen Ordner."),
        Row("msgDiskFullAtStart",
            "The recording cannot start because the disk of the folder “%1” is full.\nMake "
            "room on the disk, or choose a folder on another disk under Setup.",
            "Die Aufnahme kann nicht beginnen, weil der Datenträger des Ordners „%1“ voll "
            "ist.\nSchaffen Sie Platz auf dem Datenträger oder wählen Sie unter „Optionen“ einen "
            "Ordner auf einem anderen Datenträger."),
        Row("msgNotStarted",
            "The recording could not be started because a part of the recorder failed.\nPress "
            "Record to try again; if it fails again, end the program and start it again.",
            "Die Aufnahme konnte nicht gestartet werden, weil ein Teil des Programms versagt "
            "hat.\nDrücken Sie erneut „Start“; misslingt es wieder, beenden Sie das Programm und "
            "starten Sie es erneut."),
        Row("msgDiskFull",
            "The recording stopped because the disk is full. The file “%1” holds everything "
            "recorded until then.\nMake room on the disk before you record again.",
            "Die Aufnahme wurde beendet, weil der Datenträger voll ist. Die Datei „%1“ enthält "
            "alles bis dahin Aufgenommene.\nSchaffen Sie Platz auf dem Datenträger, bevor Sie "
            "wieder aufnehmen."),
        Row("msgSizeLimit",
            "The recording stopped because the file “%1” reached the largest size it may have "
            "(a WAV file holds at most 4 GiB). The file holds everything recorded until "
            "then.\nPress Record to go on in a new file.",
            "Die Aufnahme wurde beendet, weil die Datei „%1“ ihre größtmögliche Größe erreicht "
            "hat (eine WAV-Datei fasst höchstens 4 GiB). Die Datei enthält alles bis dahin "
            "Aufgenommene.\nDrücken Sie „Start“, um in einer neuen Datei weiter aufzunehmen."),
        Row("msgInputLost",
            "The recording stopped because the audio input “%1” is no longer available. The "
            "file “%2” holds everything recorded until then.\nConnect the input again, then "
            "press Record.",
            "Die Aufnahme wurde beendet, weil der Audio-Eingang „%1“ nicht mehr verfügbar ist. "
            "Die Datei „%2“ enthält alles bis dahin Aufgenommene.\nSchließen Sie den Eingang "
            "wieder an und drücken Sie dann „Start“."),
        Row("msgStreamEnded",
            "The recording stopped because the audio input “%1” stopped delivering sound. The "
            "file “%2” holds everything recorded until then.\nPress Record to record again.",
            "Die Aufnahme wurde beendet, weil der Audio-Eingang „%1“ keinen Ton mehr liefert. "
            "Die Datei „%2“ enthält alles bis dahin Aufgenommene.\nDrücken Sie „Start“, um "
            "erneut aufzunehmen."),
        Row("msgRecordingAborted",
            "The recording stopped because of an error. The file “%1” holds everything "
            "recorded until then.\nPress Record to record again.",
            "Die Aufnahme wurde wegen eines Fehlers beendet. Die Datei „%1“ enthält alles bis "
            "dahin Aufgenommene.\nDrücken Sie „Start“, um erneut aufzunehmen."),
        Row("msgStopFailed",
            "The recording “%1” could not be completed: the file holds the audio, but its "
            "header may not give its full length.\nCheck that the disk has room and is still "
            "connected.",
            "Die Aufnahme „%1“ konnte nicht abgeschlossen werden: Die Datei enthält den Ton, "
            "aber ihr Kopf gibt womöglich nicht die ganze Länge an.\nPrüfen Sie, ob auf dem "
            "Datenträger Platz ist und ob er noch angeschlossen ist."),
        Row("msgPauseFailed",
            "The recording “%1” could not be paused, so it was ended. The file holds "
            "everything recorded until then.\nPress Record to record again.",
            "Die Aufnahme „%1“ konnte nicht angehalten werden und wurde deshalb beendet. Die "
            "Datei enthält alles bis dahin Aufgenommene.\nDrücken Sie „Start“, um erneut "
            "aufzunehmen."),
        Row("msgResumeFailed",
            "The recording “%1” could not be resumed, so it was ended. The file holds "
            "everything recorded until the pause.\nCheck the audio input, then press Record to "
            "record again.",
            "Die Aufnahme „%1“ konnte nicht fortgesetzt werden und wurde deshalb beendet. Die "
            "Datei enthält alles bis zur Pause Aufgenommene.\nPrüfen Sie den Audio-Eingang und "
            "drücken Sie dann „Start“, um erneut aufzunehmen."),
        Row("msgFolderNameUnusable",
            "The folder for recordings “%1” cannot be used: its name holds a character that no "
            "file name can hold.\nChoose another folder under Setup.",
            "Der Ordner für Aufnahmen „%1“ kann nicht verwendet werden: Sein Name enthält ein "
            "Zeichen, das kein Dateiname enthalten kann.\nWählen Sie unter „Optionen“ einen "
            "anderen Ordner."),
        Row("msgFileNotCreatable",
            "No new recording can be created in the folder “%1”.\nCheck the folder, or choose "
            "another one under Setup.",
            "Im Ordner „%1“ kann keine neue Aufnahme erstellt werden.\nPrüfen Sie den Ordner "
            "oder wählen Sie unter „Optionen“ einen anderen."),
        Row("msgRecordingsRepaired",
            "These recordings had been cut off by a crash, a kill or a power cut and have been "
            "completed; each keeps its sound up to where it was cut off:\n%1",
            "Diese Aufnahmen waren durch einen Absturz, ein erzwungenes Beenden oder einen "
            "Stromausfall abgebrochen und wurden vervollständigt; jede behält ihren Ton bis zur "
            "Stelle des Abbruchs:\n%1"),
        Row("msgSettingsUnreadable",
            "The settings file “%1” cannot be read, so the program ends. The file is left "
            "unchanged.\nCorrect the file or delete it, then start the program again.",
            "Die Einstellungsdatei „%1“ kann nicht gelesen werden, daher wird das Programm "
            "beendet. Die Datei bleibt unverändert.\nKorrigieren oder löschen Sie die Datei und "
            "starten Sie das Programm dann erneut."),
        Row("msgSettingsNotSaved",
            "The settings could not be saved to “%1”. The previous settings file stays as it "
            "was.\nCheck that you may write there and that the disk has room.",
            "Die Einstellungen konnten nicht in „%1“ gespeichert werden. Die bisherige "
            "Einstellungsdatei bleibt, wie sie war.\nPrüfen Sie, ob Sie dort schreiben dürfen "
            "und ob auf dem Datenträger Platz ist."),
        Row("msgUnexpectedError",
            "Something unexpected went wrong.\nTry again; if the problem stays, end the "
            "program and start it again.",
            "Etwas Unerwartetes ist schiefgegangen.\nVersuchen Sie es erneut; bleibt das "
            "Problem, beenden Sie das Programm und starten Sie es erneut."),
        Row("msgUnknownError", "An unknown error occurred.",
            "Ein unbekannter Fehler ist aufgetreten."),
        // Texts the layers below raise, found by their English words; the reasons of a failed
        // load or save, each followed by the system's own words.
        Row("msgUnableToCreateDirectory", "Unable to create directory",
            "Ordner kann nicht erstellt werden"),
        Row("msgCannotCreateFile", "Cannot create file \"%s\". %s",
            "Die Datei „%s“ kann nicht erstellt werden. %s"),
        Row("msgCannotWriteFile", "Cannot write file \"%s\". %s",
            "Die Datei „%s“ kann nicht geschrieben werden. %s"),
        Row("msgCannotOpenFile", "Cannot open file \"%s\". %s",
            "Die Datei „%s“ kann nicht geöffnet werden. %s"),
        Row("msgCannotReadFile", "Cannot read file \"%s\". %s",
            "Die Datei „%s“ kann nicht gelesen werden. %s"),
        // The names the program gives inputs that the system does not name in the user's
        // language (TdmRecording::InputName), found by their English words.
        Row("msgInputSystemDefault", "System default", "Systemstandard"),
        Row("msgInputWhatPlays", "What %s plays", "Was %s wiedergibt"),
        Row("msgInputNotAvailable", "%s (not available)", "%s (nicht verfügbar)"),
        // The formats of the setup dialog (TForm2::FormatName).
        Row("msgFormatWav", "WAV (uncompressed)", "WAV (unkomprimiert)"),
        Row("msgFormatFlac", "FLAC (lossless)", "FLAC (verlustfrei)"),
        Row("msgFormatOpus", "Opus (small)", "Opus (klein)"),
    };
    // Qt's own words: the message box's details button, the names of keys in shortcuts, the
    // context menu of an edit field.
    data.QtTexts = {
        Row("QMessageBox|Show Details...", "", "Details einblenden …"),
        Row("QMessageBox|Hide Details...", "", "Details ausblenden …"),
        Row("QShortcut|Ctrl", "", "Strg"),
        Row("QLineEdit|&Undo", "", "&Rückgängig"),
        Row("QLineEdit|&Redo", "", "Wieder&herstellen"),
        Row("QLineEdit|Cu&t", "", "&Ausschneiden"),
        Row("QLineEdit|&Copy", "", "&Kopieren"),
        Row("QLineEdit|&Paste", "", "Einf&ügen"),
        Row("QLineEdit|Delete", "", "Löschen"),
        Row("QLineEdit|Select All", "", "Alles auswählen"),
    };
    AddRecordingStatusTexts(data);
    return data;
}

TTranslationData MakeForm2Texts() {
    TTranslationData data;
    data.Captions = {
        Row("TForm2", "Setup", "Optionen"),
        Row("Label1", "Folder for audio files:", "Ordner für Aufnahmen:"),
        Row("btnBrowse", "Browse…", "Durchsuchen…"),
        Row("Label2", "Input device:", "Eingabegerät:"),
        Row("Label3", "Format:", "Format:"),
        Row("BitBtn1", "OK", "OK"),
        Row("BitBtn2", "Cancel", "Abbrechen"),
    };
    data.Hints = {
        Row("TForm2", "", ""),    Row("Label1", "", ""),  Row("edRecordingFolder", "", ""),
        Row("btnBrowse", "", ""), Row("BitBtn1", "", ""), Row("BitBtn2", "", ""),
        Row("Label2", "", ""),    Row("cbCaptureDevice", "", ""),
        Row("Label3", "", ""),    Row("cbRecordingFormat", "", ""),
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
        Row("edRecordingFolder.AccessibleName", "Folder for audio files", "Ordner für Aufnahmen"),
        Row("cbCaptureDevice.AccessibleName", "Input device", "Eingabegerät"),
        Row("cbRecordingFormat.AccessibleName", "Format", "Format"),
        Row("btnBrowse.ChooserTitle", "Folder for audio files", "Ordner für Aufnahmen"),
    };
    // What OK refuses in the folder field.
    data.Messages = {
        Row("msgFolderRelative",
            "“%1” is not a full path.\nEnter a path that begins with “/” (or with “~” for your "
            "home folder), or choose the folder with the Browse button.",
            "„%1“ ist kein vollständiger Pfad.\nGeben Sie einen Pfad ein, der mit „/“ beginnt "
            "(oder mit „~“ für Ihren persönlichen Ordner), oder wählen Sie den Ordner mit der "
            "Schaltfläche „Durchsuchen…“."),
        Row("msgFolderIsFile",
            "“%1” is a file, not a folder.\nEnter the path of a folder, or choose one with the "
            "Browse button.",
            "„%1“ ist eine Datei und kein Ordner.\nGeben Sie den Pfad eines Ordners ein oder "
            "wählen Sie einen mit der Schaltfläche „Durchsuchen…“."),
        Row("msgFolderBelowAFile",
            "“%1” cannot be a folder because “%2” is a file.\nEnter the path of a folder, or "
            "choose one with the Browse button.",
            "„%1“ kann kein Ordner sein, weil „%2“ eine Datei ist.\nGeben Sie den Pfad eines "
            "Ordners ein oder wählen Sie einen mit der Schaltfläche „Durchsuchen…“."),
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
