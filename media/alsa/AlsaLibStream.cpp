#include "media/alsa/AlsaLibStream.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

AlsaLibStream::AlsaLibStream(snd_pcm_t* pcm, unsigned rate, unsigned channels,
                             unsigned long periodFrames, unsigned long bufferFrames)
    : pcm_(pcm), rate_(rate), channels_(channels), periodFrames_(periodFrames),
      bufferFrames_(bufferFrames), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

AlsaLibStream::~AlsaLibStream() {
    snd_pcm_close(pcm_);
    if (wakeFd_ >= 0) close(wakeFd_);
}

void AlsaLibStream::Interrupt() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
}

long AlsaLibStream::Read(void* buffer, unsigned long frames) {
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    if (count <= 0) return count < 0 ? count : -EBADFD;
    std::vector<pollfd> fds(std::size_t(count) + 1);
    for (;;) {
        const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, buffer, frames);
        if (n >= 0) return long(n);
        if (n == -EINTR) continue;
        if (n != -EAGAIN) return long(n);

        const int filled = snd_pcm_poll_descriptors(pcm_, fds.data(), unsigned(count));
        if (filled < 0) return filled;
        fds[std::size_t(filled)] = {wakeFd_, POLLIN, 0};
        if (poll(fds.data(), nfds_t(filled) + 1, -1) < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        if (fds[std::size_t(filled)].revents & POLLIN) {
            std::uint64_t value = 0;
            (void)!read(wakeFd_, &value, sizeof value);
            return 0;
        }
        unsigned short events = 0;
        const int err =
            snd_pcm_poll_descriptors_revents(pcm_, fds.data(), unsigned(filled), &events);
        if (err < 0) return err;
        // Readable, or an error the next read reports; otherwise a spurious wake-up.
    }
}

long AlsaLibStream::ReadAvailable(void* buffer, unsigned long frames) {
    const snd_pcm_sframes_t held = snd_pcm_avail(pcm_);
    if (held <= 0) return long(held);
    // No more than the device holds, so the read does not wait for a whole period.
    const auto wanted = snd_pcm_uframes_t(held) < frames ? snd_pcm_uframes_t(held) : frames;
    const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, buffer, wanted);
    return n == -EAGAIN ? 0 : long(n);
}

int AlsaLibStream::Recover(int error) {
    return snd_pcm_recover(pcm_, error, 1);
}

int AlsaLibStream::Restart() {
    const int dropped = snd_pcm_drop(pcm_);
    if (dropped < 0) return dropped;
    return snd_pcm_prepare(pcm_);
}
