#include "app/HMAudioRecorder.h"

#include "app/Main.h"
#include "app/TApplicationErrors.h"
#include "app/TTerminationSignals.h"
#include "app/dm_Recording.h"
#include "app/setup/dl_Setup.h"
#include "runtime/Apartment.h"
#include "runtime/Registry.h"
#include "settings/u_Config.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

THMAudioRecorder::THMAudioRecorder() = default;

THMAudioRecorder::~THMAudioRecorder() {
    Finish();
}

TUserError THMAudioRecorder::LoadError(const QString& fileName, const QString& error) {
    return {TMessageCause::SettingsUnreadable, {fileName}, error};
}

TUserError THMAudioRecorder::SaveError(const QString& fileName, const QString& error) {
    return {TMessageCause::SettingsNotSaved, {fileName}, error};
}

bool THMAudioRecorder::Start() {
    try {
        InitializeSettings();
        FSettingsInitialized = true;
    } catch (const std::exception& error) {
        TApplicationErrors::ShowError(nullptr,
                                      LoadError(QString::fromStdU16String(SettingsFileName()),
                                                QString::fromUtf8(error.what())));
        // Auto-save is not armed after a failed load: this frees the settings unwritten.
        try {
            FinalizeSettings();
        } catch (...) {
        }
        return false;
    }

    const HRESULT hr = CoInitialize(nullptr);
    FComInitialized = SUCCEEDED(hr);

    try {
        FForm1 = std::make_unique<TForm1>();
        Form1 = FForm1.get();
        FdmRecording = std::make_unique<TdmRecording>();
        dmRecording = FdmRecording.get();
        FForm2 = std::make_unique<TForm2>(FForm1.get());
        Form2 = FForm2.get();
    } catch (const std::exception& error) {
        // Nothing has been shown yet: the program ends with the message.
        TApplicationErrors::ShowException(nullptr, error);
        Finish();
        return false;
    }
    RepairWhatACrashLeft();
    return true;
}

void THMAudioRecorder::RepairWhatACrashLeft() {
    RemoveStaleRegistryFiles();
    const std::optional<TUserError> repaired =
        TdmRecording::RepairRecordings(IniData->FolderForRecordings());
    if (!repaired) return;
    // Told once the main window is up, in its language.
    QTimer::singleShot(0, FForm1.get(), [this, message = *repaired] {
        TApplicationErrors::ShowError(FForm1.get(), message);
    });
}

void THMAudioRecorder::Finish() {
    if (FSettingsInitialized) {
        FSettingsInitialized = false;
        try {
            FinalizeSettings();
        } catch (const std::exception& error) {
            // Shown (or, when the session ends the program, written to the standard error
            // stream), and shutdown goes on: the recording still has to be completed.
            TApplicationErrors::ShowError(FForm1.get(),
                                          SaveError(QString::fromStdU16String(SettingsFileName()),
                                                    QString::fromUtf8(error.what())));
        }
    }
    ReleaseWindows();
    if (FComInitialized) {
        FComInitialized = false;
        CoUninitialize();
    }
}

void THMAudioRecorder::ReleaseWindows() {
    Form2 = nullptr;
    FForm2.reset();
    // The capture controller goes with its module; destroying it completes a recording.
    dmRecording = nullptr;
    FdmRecording.reset();
    Form1 = nullptr;
    FForm1.reset();
}

void THMAudioRecorder::CloseOnSignal() {
    FCloseRequested = true;
    // Nobody is there to answer a message box: what goes wrong from here on is written to the
    // standard error stream, so that a shutdown or a logout never waits for the program.
    TApplicationErrors::SetUnattended(true);
    // Dialogs and message boxes first: each runs a loop of its own that must end before the
    // main one can. Then the main window, as its close button would.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        if (modal->isVisible()) break;
    }
    if (FForm1 && FForm1->isVisible()) FForm1->close();
}

int THMAudioRecorder::Run(QApplication& application) {
    // From before start-up until after shutdown, so that a shutdown, a logout or a closed
    // terminal always finds the loop ready to end the program orderly.
    TTerminationSignals terminationSignals([this](int) { CloseOnSignal(); });
    // A logout first asks the program to commit its data: from then on nobody will answer a
    // message box either.
    QObject session; // the connection's lifetime
    QObject::connect(
        &application, &QGuiApplication::commitDataRequest, &session,
        [](QSessionManager&) { TApplicationErrors::SetUnattended(true); }, Qt::DirectConnection);
    if (!Start()) return 1;
    int exitCode = 0;
    // A signal during start-up (answered by a message box's loop) ends the program right away.
    if (!FCloseRequested) {
        FForm1->show();
        exitCode = application.exec();
    }
    Finish();
    return exitCode;
}
