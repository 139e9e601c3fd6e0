#pragma once
// The one settings object of the program and its life: created and loaded at start before any
// window exists, saved and destroyed after the GUI event loop has ended.
//
// Thread contract: the main thread only.
#include "settings/TIniData.h"

// The settings object; nullptr before InitializeSettings and after FinalizeSettings.
extern TIniData* IniData;

// AppDataFolder() followed by "Hymnaro/Audio Recorder/AudioRecorder.cfg".
WideString SettingsFileName();

// Creates IniData with its defaults, loads it from SettingsFileName() and arms the auto-save;
// the temporary files of saves that were killed midway are removed.
// A load error propagates (EReadError, EParserError, EConvertError, EFOpenError) with the
// auto-save still off and IniData left for FinalizeSettings, which then destroys it without
// writing the file.
void InitializeSettings();

// Saves IniData when its auto-save is armed, then destroys it. IniData is nullptr afterwards
// even when the save failed; the save's error then propagates (EFCreateError, EWriteError,
// or Exception "Unable to create directory").
void FinalizeSettings();
