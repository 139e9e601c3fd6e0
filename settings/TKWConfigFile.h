#pragma once
// A persistable object that keeps itself in a file: Load reads the file into the object, Save
// writes the object as text, and with AutoSave set the destructor saves. It persists whatever
// published properties its subclass declares, under the object name formed from the class
// name ("TIniData" is written as "IniData").
//
// Thread contract: the main thread only, before the GUI event loop starts and after it ends.
//
// The auto-save runs in the destructor of the most derived class, while its properties still
// exist: each subclass's destructor calls SaveOnDestroy (by the time the base destructor runs,
// the subclass's part of the object is gone and only an empty object could be written).
// Because a destructor cannot raise, a save failing there cannot reach the user: it is written
// to the standard error stream. Callers that want to show the failure (the program's shutdown
// does) call Save themselves and clear AutoSave before destroying.
#include "settings/objstream/TPersistent.h"

#include "runtime/WinTypes.h"

class TKWConfigFile : public TPersistent {
public:
    TKWConfigFile() = default;
    ~TKWConfigFile() override;
    TKWConfigFile(const TKWConfigFile&) = delete;
    TKWConfigFile& operator=(const TKWConfigFile&) = delete;

    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    // Remembers the name; reads the file into this object when the name exists (binary or
    // text). A missing file is no error. Read errors propagate, and so does a name that holds
    // something other than a regular file (EFOpenError).
    void Load(const WideString& fileName);
    // Writes this object as text to fileName, or to the remembered name when fileName is
    // empty (nothing happens when both are empty); creates the file's folder first.
    void Save(const WideString& fileName);

    const WideString& ConfigFileName() const { return configFileName_; }
    bool AutoSave() const { return autoSave_; }
    void SetAutoSave(bool value) { autoSave_ = value; }

protected:
    // Saves once when AutoSave is set, and clears it; never raises.
    void SaveOnDestroy() noexcept;

private:
    WideString configFileName_;
    bool autoSave_ = false;
};
