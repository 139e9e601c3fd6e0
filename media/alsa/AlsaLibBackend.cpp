#include "media/alsa/AlsaLibBackend.h"

#include "media/alsa/AlsaLibStream.h"

#include "framework/interfaces/StrmifTypes.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {
constexpr unsigned kNativeRate = 48000;   // where a device takes several rates
constexpr unsigned kNativeChannels = 2;   // where a device takes several channel counts
constexpr unsigned kPeriodUs = 250'000;   // 250 ms a period: few wake-ups
constexpr unsigned kBufferUs = 1'000'000; // a second of room, never less than asked

std::string TakeHint(const void* hint, const char* id) {
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

// What the configuration says of the default device (its hint's description), if anything.
std::string DefaultDescription() {
    std::string description;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list) return description;
    for (void** h = list; *h && description.empty(); ++h) {
        if (TakeHint(*h, "NAME") != "default") continue;
        const std::string direction = TakeHint(*h, "IOID");
        if (direction.empty() || direction == "Input") description = TakeHint(*h, "DESC");
    }
    snd_device_name_free_hint(list);
    return description.substr(0, description.find('\n'));
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
                AlsaCaptureDevice device{"plughw:CARD=" + id + ",DEV=" + std::to_string(dev),
                                         cardName + ": " + snd_pcm_info_get_name(info)};
                device.card = true;
                devices.push_back(std::move(device));
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

int OpenCapture(const std::string& device, PcmHandle& pcm, int mode = 0) {
    snd_pcm_t* raw = nullptr;
    const int err =
        snd_pcm_open(&raw, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK | mode);
    if (err < 0) return err;
    pcm.reset(raw);
    return 0;
}

// The speaker of a channel position; 0 for mono, unknown, silent, or a place WAV files cannot
// name.
std::uint32_t SpeakerOf(unsigned position) {
    struct Place {
        unsigned position;
        std::uint32_t speaker;
    };
    constexpr Place places[] = {
        {SND_CHMAP_FL, SPEAKER_FRONT_LEFT},
        {SND_CHMAP_FR, SPEAKER_FRONT_RIGHT},
        {SND_CHMAP_FC, SPEAKER_FRONT_CENTER},
        {SND_CHMAP_LFE, SPEAKER_LOW_FREQUENCY},
        {SND_CHMAP_RL, SPEAKER_BACK_LEFT},
        {SND_CHMAP_RR, SPEAKER_BACK_RIGHT},
        {SND_CHMAP_FLC, SPEAKER_FRONT_LEFT_OF_CENTER},
        {SND_CHMAP_FRC, SPEAKER_FRONT_RIGHT_OF_CENTER},
        {SND_CHMAP_RC, SPEAKER_BACK_CENTER},
        {SND_CHMAP_SL, SPEAKER_SIDE_LEFT},
        {SND_CHMAP_SR, SPEAKER_SIDE_RIGHT},
        {SND_CHMAP_TC, SPEAKER_TOP_CENTER},
        {SND_CHMAP_TFL, SPEAKER_TOP_FRONT_LEFT},
        {SND_CHMAP_TFC, SPEAKER_TOP_FRONT_CENTER},
        {SND_CHMAP_TFR, SPEAKER_TOP_FRONT_RIGHT},
        {SND_CHMAP_TRL, SPEAKER_TOP_BACK_LEFT},
        {SND_CHMAP_TRC, SPEAKER_TOP_BACK_CENTER},
        {SND_CHMAP_TRR, SPEAKER_TOP_BACK_RIGHT},
    };
    for (const Place& place : places)
        if (place.position == (position & SND_CHMAP_POSITION_MASK)) return place.speaker;
    return 0;
}

// The speakers of a device configured in SETUP state. A device that does not say (the sound
// server's plugin among them) delivers ALSA's standard order for its channel count, which is
// defined for 4, 5, 6 and 8 channels (front, rear, centre, LFE, side); a count between them
// has the positions of the one below and more that feed no speaker in particular.
void FindSpeakers(snd_pcm_t* pcm, AlsaCaptureFormat& format) {
    format.speakers = {};
    if (snd_pcm_chmap_t* map = snd_pcm_get_chmap(pcm)) {
        for (unsigned i = 0; i < map->channels && i < format.channels; ++i)
            format.speakers[i] = SpeakerOf(map->pos[i]);
        std::free(map);
        return;
    }
    constexpr std::uint32_t standard[] = {
        SPEAKER_FRONT_LEFT,   SPEAKER_FRONT_RIGHT,   SPEAKER_BACK_LEFT, SPEAKER_BACK_RIGHT,
        SPEAKER_FRONT_CENTER, SPEAKER_LOW_FREQUENCY, SPEAKER_SIDE_LEFT, SPEAKER_SIDE_RIGHT};
    unsigned known = format.channels;
    if (known == 3 || known == 7) --known;
    for (unsigned i = 0; i < known && i < kMaxCaptureChannels; ++i)
        format.speakers[i] = standard[i];
}

// Sets 16-bit interleaved access; 0 or a negative errno.
int Prepare16Bit(snd_pcm_t* pcm, snd_pcm_hw_params_t* params) {
    int err = snd_pcm_hw_params_any(pcm, params);
    if (err >= 0) err = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0) err = snd_pcm_hw_params_set_format(pcm, params, SND_PCM_FORMAT_S16_LE);
    return err;
}

// Records in the wanted format when the device takes it as it is.
bool TryWanted(const std::string& device, const AlsaCaptureFormat& wanted,
               AlsaCaptureFormat& format) {
    if (wanted.rate == 0 || wanted.channels == 0) return false;
    PcmHandle pcm;
    if (OpenCapture(device, pcm) < 0) return false;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    const unsigned channels = std::min(wanted.channels, kMaxCaptureChannels);
    if (Prepare16Bit(pcm.get(), params) < 0 ||
        snd_pcm_hw_params_set_channels(pcm.get(), params, channels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm.get(), params, wanted.rate, 0) < 0 ||
        snd_pcm_hw_params(pcm.get(), params) < 0)
        return false;
    format.rate = wanted.rate;
    format.channels = channels;
    FindSpeakers(pcm.get(), format);
    return true;
}
} // namespace

std::vector<AlsaCaptureDevice> AlsaLibBackend::CaptureDevices(bool cards) {
    const QuietAlsaErrors quiet;
    std::vector<AlsaCaptureDevice> devices;
    // The system's default device first: on a desktop it follows the sound server.
    // (Whatever converters it goes through, it is the device the user chose; one that only
    // discards, or that cannot be resolved because there is no card, is left out.)
    const std::string defaultType = PcmType("default");
    if (!defaultType.empty() && defaultType != "null" && defaultType != "empty") {
        AlsaCaptureDevice device{"default", DefaultDescription()};
        if (device.description.empty()) device.description = "Default capture device";
        device.followsSoundServer = defaultType == "pulse" || defaultType == "pipewire";
        devices.push_back(std::move(device));
    }
    if (cards) AddCardDevices(devices);
    return devices;
}

bool AlsaLibBackend::OpensSoundServerSources() {
    const QuietAlsaErrors quiet;
    return PcmType(kSoundServerDevice) == "pulse";
}

int AlsaLibBackend::ProbeFormat(const std::string& device, const AlsaCaptureFormat& wanted,
                                AlsaCaptureFormat& format) {
    const QuietAlsaErrors quiet;
    if (TryWanted(device, wanted, format)) return 0;

    // The device's own format: the plug layer asked not to convert rates and channel counts
    // reports what the hardware does (16-bit samples it still converts to).
    PcmHandle pcm;
    if (const int err =
            OpenCapture(device, pcm, SND_PCM_NO_AUTO_RESAMPLE | SND_PCM_NO_AUTO_CHANNELS);
        err < 0)
        return err;
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    if (const int err = Prepare16Bit(pcm.get(), params); err < 0) return err;
    unsigned channels = kNativeChannels;
    if (const int err = snd_pcm_hw_params_set_channels_near(pcm.get(), params, &channels); err < 0)
        return err;
    unsigned rate = kNativeRate;
    int dir = 0;
    if (const int err = snd_pcm_hw_params_set_rate_near(pcm.get(), params, &rate, &dir); err < 0)
        return err;
    format.rate = rate;
    format.channels = std::min(channels, kMaxCaptureChannels);
    format.speakers = {};
    // More channels than a recording takes: the plug layer routes the first ones, whose
    // places are then not told.
    if (channels > kMaxCaptureChannels) return 0;
    if (const int err = snd_pcm_hw_params(pcm.get(), params); err < 0) return err;
    FindSpeakers(pcm.get(), format);
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
