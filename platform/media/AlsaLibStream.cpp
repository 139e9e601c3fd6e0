#include "media/AlsaLibStream.h"

#include <alsa/asoundlib.h>

#include <cerrno>

AlsaLibStream::AlsaLibStream(snd_pcm_t* pcm, unsigned rate, unsigned channels,
                             unsigned long periodFrames, unsigned long bufferFrames)
    : pcm_(pcm), rate_(rate), channels_(channels), periodFrames_(periodFrames),
      bufferFrames_(bufferFrames) {}

AlsaLibStream::~AlsaLibStream() {
    snd_pcm_close(pcm_);
}

long AlsaLibStream::Read(void* buffer, unsigned long frames, int timeoutMs) {
    for (;;) {
        const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, buffer, frames);
        if (n >= 0) return long(n);
        if (n == -EINTR) continue;
        if (n != -EAGAIN) return long(n);
        const int ready = snd_pcm_wait(pcm_, timeoutMs);
        if (ready == 0) return 0;
        if (ready < 0 && ready != -EINTR) return ready;
    }
}

int AlsaLibStream::Recover(int error) {
    return snd_pcm_recover(pcm_, error, 1);
}

int AlsaLibStream::Restart() {
    const int dropped = snd_pcm_drop(pcm_);
    if (dropped < 0) return dropped;
    return snd_pcm_prepare(pcm_);
}
