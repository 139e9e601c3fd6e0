#pragma once
// The paced test capture device: ALSA's file plugin reads a prepared raw file through the
// private PulseAudio daemon that scripts/with-pulse starts, so the recording gets known bytes
// at the speed of a real device. Install makes it the default capture device of the process;
// call it after RequirePulse (support/Pulse.h) and before anything in the process uses ALSA.
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class PacedCapture {
public:
    static void Install();
    // The bytes the device delivers, from the start, each time it is opened.
    static const Bytes& Input();
    // A folder for this process's files, removed at exit.
    static const std::string& Folder();
};

// A WAV file as the WAV destination filter lays it out, read back and checked.
struct WavFile {
    bool complete = false; // RIFF and data sizes agree with the file size
    std::string problem;
    unsigned formatTag = 0, channels = 0, rate = 0, bits = 0;
    std::size_t fileSize = 0;
    Bytes data;
};
WavFile ReadWav(const std::string& path);
// Bytes a running recording has written behind the WAV header so far.
std::size_t RecordedBytes(const std::string& path);
// Whether data is where the device's bytes begin.
bool IsInputPrefix(const Bytes& data);
