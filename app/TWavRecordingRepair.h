#pragma once
// Makes a WAV recording cut off while it was written exact: the sizes in its header are set to
// the whole frames the file holds, and a torn last frame is cut off. Only a file laid out as
// the WAV destination filter lays it out (WaveDest/WavLayout.h: the format chunk, then the
// data chunk, nothing behind it) is touched; one whose RIFF size covers chunks after the data
// was written by another program and is left alone.
// Thread contract: as TRecordingFormatRepair.
#include "app/TRecordingFormatRepair.h"

class TWavRecordingRepair final : public TRecordingFormatRepair {
public:
    std::string Extension() const override { return "wav"; }
    TOutcome Repair(int fd, std::uint64_t size, int& error) override;
};
