#pragma once
// A capture device opened through alsa-lib, read without blocking and waited on with
// snd_pcm_wait, so a reader notices a stop request within its time-out.
// Thread contract: as AlsaCaptureStream.
#include "media/AlsaCaptureStream.h"

struct _snd_pcm;

class AlsaLibStream final : public AlsaCaptureStream {
public:
    // Takes over an open, configured and prepared handle.
    AlsaLibStream(_snd_pcm* pcm, unsigned rate, unsigned channels, unsigned long periodFrames,
                  unsigned long bufferFrames);
    ~AlsaLibStream() override;
    AlsaLibStream(const AlsaLibStream&) = delete;
    AlsaLibStream& operator=(const AlsaLibStream&) = delete;

    unsigned Rate() const override { return rate_; }
    unsigned Channels() const override { return channels_; }
    unsigned long PeriodFrames() const override { return periodFrames_; }
    unsigned long BufferFrames() const override { return bufferFrames_; }
    long Read(void* buffer, unsigned long frames, int timeoutMs) override;
    int Recover(int error) override;
    int Restart() override;

private:
    _snd_pcm* pcm_;
    unsigned rate_;
    unsigned channels_;
    unsigned long periodFrames_;
    unsigned long bufferFrames_;
};
