#include "media/alsa/AlsaLibBackend.h"

#include "media/alsa/AlsaLibStream.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {
constexpr unsigned kWantedRate = 48000;
constexpr unsigned kPeriodUs = 250'000;   // 250 ms a period: few wake-ups
constexpr unsigned kBufferUs = 1'000'000; // a second of room, never less than asked

// Device types that only convert, route or discard what another device delivers.
constexpr const char* kNoDevice[] = {
    "null",   "empty",   "rate",   "plug", "linear", "lfloat",   "route", "mulaw", "alaw", "adpcm",
    "iec958", "softvol", "ladspa", "copy", "upmix",  "vdownmix", "speex", "a52",   "dmix", "share"};

struct Hint {
    std::string name, description, direction;
};

std::string TakeHint(const void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

std::vector<Hint> PcmHints() {
    std::vector<Hint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list) return hints;
    for (void** h = list; *h; ++h)
        hints.push_back({TakeHint(*h, "NAME"), TakeHint(*h, "DESC"), TakeHint(*h, "IOID")});
    snd_device_name_free_hint(list);
    return hints;
}

// The configured type of a device, or empty when it cannot be told without opening it.
std::string PcmType(const std::string& name) {
    if (snd_config_update() < 0 || !snd_config) return {};
    snd_config_t* definition = nullptr;
    if (snd_config_search_definition(snd_config, "pcm", name.c_str(), &definition) < 0) return {};
    std::string type;
    snd_config_t* node = nullptr;
    const char* text = nullptr;
    if (snd_config_search(definition, "type", &node) == 0 &&
        snd_config_get_string(node, &text) == 0 && text)
        type = text;
    snd_config_delete(definition);
    return type;
}

bool CanBeADevice(const std::string& type) {
    return std::none_of(std::begin(kNoDevice), std::end(kNoDevice),
                        [&](const char* t) { return type == t; });
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

void AddCardDevices(std::vector<AlsaCaptureDevice>& devices) {
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;) {
        snd_ctl_t* ctl = nullptr;
        const std::string hw = "hw:" + std::to_string(card);
        if (snd_ctl_open(&ctl, hw.c_str(), 0) < 0) continue;
        snd_ctl_card_info_t* cardInfo = nullptr;
        snd_ctl_card_info_alloca(&cardInfo);
        if (snd_ctl_card_info(ctl, cardInfo) == 0) {
            const std::string id = snd_ctl_card_info_get_id(cardInfo);
            const std::string cardName = snd_ctl_card_info_get_name(cardInfo);
            for (int dev = -1; snd_ctl_pcm_next_device(ctl, &dev) == 0 && dev >= 0;) {
                snd_pcm_info_t* info = nullptr;
                snd_pcm_info_alloca(&info);
                snd_pcm_info_set_device(info, unsigned(dev));
                snd_pcm_info_set_subdevice(info, 0);
                snd_pcm_info_set_stream(info, SND_PCM_STREAM_CAPTURE);
                if (snd_ctl_pcm_info(ctl, info) < 0) continue; // no capture on this device
                devices.push_back({"plughw:CARD=" + id + ",DEV=" + std::to_string(dev),
                                   cardName + ": " + snd_pcm_info_get_name(info)});
            }
        }
        snd_ctl_close(ctl);
    }
}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

// Probing a device that is not there makes ALSA print its own error lines; such a device is
// simply left out of the list, so its complaints are kept off the user's terminal.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

struct QuietAlsaErrors {
    QuietAlsaErrors() { snd_lib_error_set_handler(IgnoreAlsaError); }
    ~QuietAlsaErrors() { snd_lib_error_set_handler(nullptr); }
    QuietAlsaErrors(const QuietAlsaErrors&) = delete;
    QuietAlsaErrors& operator=(const QuietAlsaErrors&) = delete;
};

int OpenCapture(const std::string& device, PcmHandle& pcm) {
    snd_pcm_t* raw = nullptr;
    const int err = snd_pcm_open(&raw, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) return err;
    pcm.reset(raw);
    return 0;
}
} // namespace

std::vector<AlsaCaptureDevice> AlsaLibBackend::CaptureDevices() {
    const QuietAlsaErrors quiet;
    std::vector<AlsaCaptureDevice> devices;
    const std::vector<Hint> hints = PcmHints();
    auto captures = [](const Hint& h) { return h.direction.empty() || h.direction == "Input"; };

    // The system's default device first: on a desktop it follows the sound server.
    // (Whatever converters it goes through, it is the device the user chose; one that only
    // discards, or that cannot be resolved because there is no card, is left out.)
    const std::string defaultType = PcmType("default");
    if (!defaultType.empty() && defaultType != "null" && defaultType != "empty") {
        std::string description = "Default capture device";
        for (const Hint& h : hints)
            if (h.name == "default" && captures(h) && !h.description.empty())
                description = FirstLine(h.description);
        devices.push_back({"default", description});
    }

    AddCardDevices(devices);

    // Other configured devices that capture by themselves (a sound server, a test file).
    for (const Hint& h : hints) {
        if (h.name.empty() || h.name == "default" || !captures(h)) continue;
        if (h.name.find("CARD=") != std::string::npos) continue; // the cards are listed above
        if (h.name.find(':') != std::string::npos) continue;
        const std::string type = PcmType(h.name);
        if (!CanBeADevice(type)) continue;
        // Opening a JACK device to probe it would start a JACK server as a side effect.
        if (type == "jack") continue;
        if (std::any_of(devices.begin(), devices.end(),
                        [&](const AlsaCaptureDevice& d) { return d.name == h.name; }))
            continue;
        PcmHandle probe; // a server that is not running, say, cannot capture
        if (OpenCapture(h.name, probe) < 0) continue;
        devices.push_back({h.name, FirstLine(h.description.empty() ? h.name : h.description)});
    }
    return devices;
}

int AlsaLibBackend::ProbeFormat(const std::string& device, AlsaCaptureFormat& format) {
    PcmHandle pcm;
    if (const int err = OpenCapture(device, pcm); err < 0) return err;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    if (const int err = snd_pcm_hw_params_any(pcm.get(), params); err < 0) return err;
    if (const int err =
            snd_pcm_hw_params_set_access(pcm.get(), params, SND_PCM_ACCESS_RW_INTERLEAVED);
        err < 0)
        return err;
    if (const int err = snd_pcm_hw_params_set_format(pcm.get(), params, SND_PCM_FORMAT_S16_LE);
        err < 0)
        return err;
    unsigned channels = 0;
    if (snd_pcm_hw_params_test_channels(pcm.get(), params, 2) == 0)
        channels = 2;
    else if (snd_pcm_hw_params_test_channels(pcm.get(), params, 1) == 0)
        channels = 1;
    else
        return -EINVAL;
    if (const int err = snd_pcm_hw_params_set_channels(pcm.get(), params, channels); err < 0)
        return err;
    unsigned rate = kWantedRate;
    int dir = 0;
    if (const int err = snd_pcm_hw_params_set_rate_near(pcm.get(), params, &rate, &dir); err < 0)
        return err;
    format.rate = rate;
    format.channels = channels;
    return 0;
}

int AlsaLibBackend::Open(const std::string& device, const AlsaCaptureFormat& format,
                         unsigned minBufferMs, std::unique_ptr<AlsaCaptureStream>& stream) {
    stream.reset();
    PcmHandle pcm;
    if (const int err = OpenCapture(device, pcm); err < 0) return err;
    snd_pcm_t* p = pcm.get();
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(p, hw);
    if (err >= 0) err = snd_pcm_hw_params_set_access(p, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0) err = snd_pcm_hw_params_set_format(p, hw, SND_PCM_FORMAT_S16_LE);
    if (err >= 0) err = snd_pcm_hw_params_set_channels(p, hw, format.channels);
    if (err >= 0) err = snd_pcm_hw_params_set_rate(p, hw, format.rate, 0);
    unsigned minBuffer = minBufferMs * 1000, buffer = std::max(kBufferUs, minBuffer),
             period = kPeriodUs;
    int dir = 0;
    if (err >= 0) err = snd_pcm_hw_params_set_buffer_time_min(p, hw, &minBuffer, &dir);
    if (err >= 0) err = snd_pcm_hw_params_set_period_time_near(p, hw, &period, &dir);
    if (err >= 0) err = snd_pcm_hw_params_set_buffer_time_near(p, hw, &buffer, &dir);
    if (err >= 0) err = snd_pcm_hw_params(p, hw);
    if (err < 0) return err;

    snd_pcm_uframes_t periodFrames = 0, bufferFrames = 0;
    snd_pcm_hw_params_get_period_size(hw, &periodFrames, &dir);
    snd_pcm_hw_params_get_buffer_size(hw, &bufferFrames);
    // What ALSA granted must really hold the time asked for, or a stall loses sound.
    if (periodFrames == 0 || bufferFrames * 1000 < snd_pcm_uframes_t(minBufferMs) * format.rate)
        return -ENOBUFS;

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    err = snd_pcm_sw_params_current(p, sw);
    if (err >= 0) err = snd_pcm_sw_params_set_start_threshold(p, sw, 1);
    if (err >= 0) err = snd_pcm_sw_params_set_avail_min(p, sw, periodFrames);
    if (err >= 0) err = snd_pcm_sw_params(p, sw);
    if (err >= 0) err = snd_pcm_prepare(p);
    if (err < 0) return err;
    stream = std::make_unique<AlsaLibStream>(pcm.release(), format.rate, format.channels,
                                             periodFrames, bufferFrames);
    return 0;
}
