#pragma once
// The settings record: the folder into which recordings are written, the input device to
// record from and the format of the files. Its published properties, FolderForRecordings,
// CaptureDevice and RecordingFormat, are what the settings file holds; like every text
// property, each is written only when it is not empty, so a file from before the input or the
// format could be chosen reads and writes back unchanged as long as the system default and
// WAV are kept.
//
// Thread contract: the main thread only (the GUI thread once the event loop runs).
#include "settings/TKWConfigFile.h"

class TIniData : public TKWConfigFile {
public:
    // The folder starts as the documents folder followed by "Hymnaro/Audio Recorder".
    TIniData();
    // Saves when AutoSave is set (see TKWConfigFile).
    ~TIniData() override;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    const WideString& FolderForRecordings() const { return folderForRecordings_; }
    void SetFolderForRecordings(const WideString& value) { folderForRecordings_ = value; }
    // The chosen input device's key (its DevicePath); empty: the system default.
    const WideString& CaptureDevice() const { return captureDevice_; }
    void SetCaptureDevice(const WideString& value) { captureDevice_ = value; }
    // The format of new recordings: "FLAC" or "Opus"; empty: WAV. Kept as read, so that a
    // value this version does not know (a newer file, a typo) survives a save.
    const WideString& RecordingFormat() const { return recordingFormat_; }
    void SetRecordingFormat(const WideString& value) { recordingFormat_ = value; }

private:
    WideString folderForRecordings_;
    WideString captureDevice_;
    WideString recordingFormat_;
};
