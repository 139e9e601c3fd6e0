#pragma once
// A capture device opened through alsa-lib, read without blocking and waited on by polling
// its descriptors together with an eventfd, so that Interrupt wakes a waiting reader at once
// and a reader wakes no more often than the device has a period ready.
// Thread contract: as AlsaCaptureStream.
#include "media/alsa/AlsaCaptureStream.h"

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
    long Read(void* buffer, unsigned long frames) override;
    long ReadAvailable(void* buffer, unsigned long frames) override;
    void Interrupt() override;
    int Recover(int error) override;
    int Restart() override;

private:
    _snd_pcm* pcm_;
    unsigned rate_;
    unsigned channels_;
    unsigned long periodFrames_;
    unsigned long bufferFrames_;
    int wakeFd_;
};
