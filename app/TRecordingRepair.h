#pragma once
// The repair at start: the recordings in the folder for recordings that a crash, a kill or a
// power cut left cut off are made exact, each by the repair of its format (WAV now; another
// format is one more TRecordingFormatRepair). Only files named as the recorder names them
// ("2024-03-03 14-05-09.wav", "2024-03-03 14-05-09 (2).wav"), only in that folder (no
// subfolder, no symbolic link), and never one that a running recorder holds: the file writer
// holds an exclusive advisory lock (flock) on the file it writes, and a file whose lock cannot
// be had is skipped. A cut-off recording that holds no audio at all is removed; an empty file
// is left alone (it may be a name another recorder has just reserved).
// Thread contract: none of its own; the caller's thread.
#include "app/TRecordingFormatRepair.h"
#include "runtime/WinTypes.h"

#include <memory>
#include <string_view>
#include <vector>

class TRecordingRepair {
public:
    // With the formats the recorder writes.
    TRecordingRepair();
    void AddFormat(std::unique_ptr<TRecordingFormatRepair> format);

    struct TResult {
        std::vector<WideString> repaired; // full names, in name order
        std::vector<WideString> removed;  // cut off without a single frame of audio
        std::vector<WideString> failed;   // could not be repaired (the system refused)
    };
    TResult RepairFolder(const WideString& folder) const;

    // The name (without folder) is one the recorder gives its recordings in a format with
    // this extension: "YYYY-MM-DD HH-MM-SS.ext", or with " (N)" before the dot, N from 2.
    static bool IsRecordingName(std::string_view name, std::string_view extension);

private:
    std::vector<std::unique_ptr<TRecordingFormatRepair>> FFormats;
};
