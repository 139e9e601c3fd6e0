#pragma once
// What the recording data module tells the main window about the recording: the one under
// way, or else the input the next one will use and the last recording. The window only shows
// it. Figures the platform cannot tell stay 0 (or empty).
#include "app/UserMessageTypes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct TRecordingStatus {
    enum class TState { Ready, Recording, Paused };
    TState State = TState::Ready;

    // The input devices were looked at; DeviceName is then the input recorded or, when ready,
    // the one Start will use (empty: none was found).
    bool InputsListed = false;
    QString DeviceName;

    // The recording under way, or the last one (empty before the first).
    QString FileName;
    // The sound that reached the file, by the format's count of it (not the wall clock).
    std::int64_t ElapsedMs = 0;
    std::uint64_t SoundBytes = 0;
    // The last recording's file size, once it stopped.
    std::uint64_t FileBytes = 0;
    // The format of the sound.
    unsigned Rate = 0, Channels = 0, Bits = 0;
    // While recording: the stored file format this version does not know (WAV records instead).
    QString UnknownFormat;

    // The most channels whose levels are told (as many as a capture format has).
    static constexpr unsigned MaxLevelChannels = 8;
    // While recording (not paused): the level now per channel, as a fraction of full scale.
    unsigned LevelChannels = 0;
    std::array<double, MaxLevelChannels> Peak{};
    // A sample of the channel reached full scale in the recording under way or the last one.
    std::array<bool, MaxLevelChannels> Clipped{};
    // While recording: the seconds of sound that still fit, when that can be told.
    std::optional<std::int64_t> RoomLeftSeconds;
    // Times sound was lost (the device overran) in the recording under way or the last one.
    unsigned long Dropouts = 0;
    // Why the last recording ended by itself, or that its file could not be completed (else
    // nothing).
    std::vector<TUserError> EndReason;

    // When it was taken: milliseconds of a steady clock.
    std::int64_t TakenMs = 0;

    // A recording is under way, running or paused.
    bool IsRecording() const { return State != TState::Ready; }
    bool IsPaused() const { return State == TState::Paused; }
    // Ready, with a recording made since the program started.
    bool HasLastRecording() const { return State == TState::Ready && !FileName.isEmpty(); }
};
