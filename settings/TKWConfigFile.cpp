#include "settings/TKWConfigFile.h"

#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjectStream.h"

#include <cstdio>
#include <exception>

TKWConfigFile::~TKWConfigFile() {
    SaveOnDestroy();
}

void TKWConfigFile::SaveOnDestroy() noexcept {
    if (!autoSave_) return;
    autoSave_ = false;
    try {
        Save(WideString());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "hymnaro-recorder: settings not saved: %s\n", error.what());
    }
}

const TClassInfo& TKWConfigFile::StaticClassInfo() {
    static const TClassInfo info{"TKWConfigFile", &TPersistent::StaticClassInfo(), {}};
    return info;
}

void TKWConfigFile::Load(const WideString& fileName) {
    configFileName_ = fileName;
    // Only a name that leads nowhere is a first run. Whatever else is there (a folder, a named
    // pipe, an entry that cannot even be looked at) is refused now, by name, rather than
    // overwritten or complained about at exit.
    if (!IsMissingPath(configFileName_)) (void)ReadObjectFromFile(*this, configFileName_);
}

void TKWConfigFile::Save(const WideString& fileName) {
    if (!fileName.empty()) configFileName_ = fileName;
    if (configFileName_.empty()) return;
    // A folder that cannot be created shows up as the file's creation error.
    (void)CreateFolderPath(WithoutTrailingBackslash(FolderOfPath(configFileName_)));
    WriteObjectToFile(*this, configFileName_, true);
}
