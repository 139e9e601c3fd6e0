#pragma once
// The formats a recording's file can have, the destination filter that writes each, and the
// extension its file name ends with.
enum class TRecordingFileFormat { Wav, Flac, Opus };

// ".wav", ".flac" or ".opus".
inline const char16_t* FileExtension(TRecordingFileFormat format) {
    switch (format) {
    case TRecordingFileFormat::Flac:
        return u".flac";
    case TRecordingFileFormat::Opus:
        return u".opus";
    case TRecordingFileFormat::Wav:
        break;
    }
    return u".wav";
}
