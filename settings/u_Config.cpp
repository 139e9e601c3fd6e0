#include "settings/u_Config.h"

#include "settings/KWFileUtils.h"
#include "settings/objstream/ObjectStream.h"

#include <memory>
#include <utility>

TIniData* IniData = nullptr;

WideString SettingsFileName() {
    return AppDataFolder() + u"Hymnaro/Audio Recorder/AudioRecorder.cfg";
}

void InitializeSettings() {
    // A second start-up replaces the object without writing it.
    if (IniData) IniData->SetAutoSave(false);
    delete std::exchange(IniData, new TIniData());
    IniData->Load(SettingsFileName());
    IniData->SetAutoSave(true);
    // What a save that was killed midway left beside the file.
    RemoveStaleSaveFiles(SettingsFileName());
}

void FinalizeSettings() {
    std::unique_ptr<TIniData> data(std::exchange(IniData, nullptr));
    if (!data || !data->AutoSave()) return;
    // Saved here rather than in the destructor, so that a failure reaches the caller.
    data->SetAutoSave(false);
    data->Save(WideString());
}
