#pragma once
// Makes a FLAC recording cut off while it was written exact: the file is cut where its last
// complete frame ends (a frame is complete when its CRC-16 matches), so every decoder reads it
// to the end without a lost-sync error. STREAMINFO stays as the recording left it: while
// recording it says "length unknown", which stays true of the cut file. Only a file that
// begins as the FLAC destination filter begins it ("fLaC" and whole metadata blocks) is
// touched; one without a complete frame holds no audio.
// Thread contract: as TRecordingFormatRepair.
#include "app/TRecordingFormatRepair.h"

class TFlacRecordingRepair final : public TRecordingFormatRepair {
public:
    std::string Extension() const override { return "flac"; }
    TOutcome Repair(int fd, std::uint64_t size, int& error) override;
};
