#pragma once
// The settings record: the folder into which recordings are written. Its one published
// property, FolderForRecordings, is what the settings file holds.
//
// Thread contract: the main thread only (the GUI thread once the event loop runs); nothing
// changes the folder while the program runs.
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

private:
    WideString folderForRecordings_;
};
