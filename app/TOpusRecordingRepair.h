#pragma once
// Makes an Ogg Opus recording cut off while it was written exact: the file is cut where its
// last complete Ogg page ends (a page is complete when its CRC-32 matches), so players read it
// to the end without a torn page. Only a file of whole pages from its first byte on, beginning
// with the Opus header, is touched; one without a page of sound holds no audio.
// Thread contract: as TRecordingFormatRepair.
#include "app/TRecordingFormatRepair.h"

class TOpusRecordingRepair final : public TRecordingFormatRepair {
public:
    std::string Extension() const override { return "opus"; }
    TOutcome Repair(int fd, std::uint64_t size, int& error) override;
};
