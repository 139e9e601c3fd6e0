#pragma once
// The figures a recording's filters know about it, for a status display: our own interfaces,
// not the platform's. A capture filter measures the sound it delivers (IAudioLevelMeter); a
// destination filter counts what reached the file (IRecordingProgress), whatever the file's
// format. Both are read on any thread while the stream runs and after it stopped; they take no
// lock that the streaming thread takes.
#include "framework/interfaces/Strmif.h"

// {63C30D97-CE5E-408B-96C0-CA6A56B93310}
inline constexpr IID IID_IAudioLevelMeter{
    0x63C30D97, 0xCE5E, 0x408B, {0x96, 0xC0, 0xCA, 0x6A, 0x56, 0xB9, 0x33, 0x10}};
// {60AC6E16-7BFA-4CB4-9FDD-9FC9CE58ABD6}
inline constexpr IID IID_IRecordingProgress{
    0x60AC6E16, 0x7BFA, 0x4CB4, {0x9F, 0xDD, 0x9F, 0xC9, 0xCE, 0x58, 0xAB, 0xD6}};

// The most channels a meter measures (as many as a capture format has), and the peak of a
// sample at full scale.
inline constexpr ULONG AUDIO_METER_CHANNELS = 8;
inline constexpr ULONG AUDIO_METER_FULL_SCALE = 32768;

// What a meter measured since its stream started (the filter left Stopped).
struct AUDIO_METER_INFO {
    ULONG cChannels;                      // channels measured, in the order of the delivered
                                          // sound; 0 before a stream started
    ULONG nSamplesPerSec;                 // frames a second
    ULONG cFramesPerBlock;                // frames one peak block covers
    ULONG cBlocks;                        // blocks measured: the number of the next block
    ULONG cOverruns;                      // times the device overran: sound was lost
    ULONG cClipped[AUDIO_METER_CHANNELS]; // samples that reached full scale, per channel
};

// The peaks of one block of the stream.
struct AUDIO_PEAK_BLOCK {
    ULONG nBlock;                     // the block's number in the stream, from 0
    WORD wPeak[AUDIO_METER_CHANNELS]; // the highest sample magnitude, 0 to AUDIO_METER_FULL_SCALE
};

struct IAudioLevelMeter : IUnknown {
    static constexpr const IID& Iid = IID_IAudioLevelMeter;
    virtual HRESULT GetMeterInfo(AUDIO_METER_INFO* info) = 0;
    // Copies up to count blocks in order, from block number first on; blocks the meter no
    // longer keeps are skipped (the copy begins with the oldest it keeps). fetched (optional)
    // gets the number copied. S_OK when count blocks were copied, else S_FALSE.
    virtual HRESULT GetPeakBlocks(ULONG first, ULONG count, AUDIO_PEAK_BLOCK* blocks,
                                  ULONG* fetched) = 0;

protected:
    ~IAudioLevelMeter() = default;
};

// What of a recording reached its file, in the current streaming run or, once stopped, the
// last one.
struct RECORDING_PROGRESS {
    ULONGLONG cFramesWritten; // frames of sound that reached the file
    ULONGLONG cbWritten;      // bytes of sound data that reached the file (no header)
    ULONGLONG cbRoomInFile;   // bytes the file's format still takes; ~0 when it sets no limit
    ULONG nSamplesPerSec;     // frames a second
    ULONG nAvgBytesPerSec;    // bytes a second of sound adds to the file (estimated when packed)
    WORD nChannels;           // of the sound as it arrives
    WORD wBitsPerSample;      // of the sound as it arrives
};

struct IRecordingProgress : IUnknown {
    static constexpr const IID& Iid = IID_IRecordingProgress;
    // VFW_E_NOT_CONNECTED while the filter has no input format.
    virtual HRESULT GetProgress(RECORDING_PROGRESS* progress) = 0;

protected:
    ~IRecordingProgress() = default;
};
