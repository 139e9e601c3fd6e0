#pragma once
// The Opus destination filter: encodes 16-bit PCM of 1 to 8 channels at 8 to 768 kHz into an
// Ogg Opus file (libopusenc over libopus and libogg), which carries Opus at 48 kHz (the
// library resamples) at a bit rate fitting the channels (BitRateFor). Its comment header
// names the program and the recording's start (RecordingTags). The encoder hands out each
// packet at once, the first audio page holds the first packet and the later pages are
// written at least every half second of sound, so a recording cut off without a stop plays
// up to within a second of the cut; the stop writes the last page, marked as the end of the
// stream (a recording stopped before any sound keeps its headers alone).
// Thread contract: as THMEncoderDestFilter.
#include "Encoders/THMEncoderDestFilter.h"

#include <memory>

// The class of the filter.
inline constexpr CLSID CLSID_HMOpusDest{
    0xEE0EAB04, 0xB1F6, 0x4986, {0x97, 0x71, 0x85, 0x27, 0x8E, 0x43, 0xA2, 0xB4}};
// The byte stream of an Ogg file, the type of the filter's output.
inline constexpr GUID MEDIASUBTYPE_OggStream{
    0x16F4D7EF, 0xA51F, 0x4B5E, {0xA8, 0x1D, 0xC3, 0xD7, 0xC0, 0x8B, 0xF3, 0xD3}};

class THMOpusDestFilter : public THMEncoderDestFilter {
public:
    static constexpr unsigned kMinRate = 8000;
    static constexpr unsigned kMaxRate = 768000;
    // The longest stretch of sound, in 48 kHz samples, whose packets wait for their page.
    static constexpr int kPageDelaySamples = 24000;

    // Makes input pin "In" and output pin "Out"; hr reports a pin that could not be made.
    THMOpusDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr);
    ~THMOpusDestFilter() override;

    // The class factory's creation operation (the factory's display name as object name).
    template <class Factory = TBCClassFactory>
    static TBCUnknown* CreateByFactory(Factory* factory, IUnknown* controller) {
        HRESULT hr = S_OK;
        return new THMOpusDestFilter(factory->DisplayName, controller, hr);
    }

    // Bits a second for channels: 64 kbit/s mono, 96 kbit/s stereo, 48 kbit/s more for each
    // further channel.
    static int BitRateFor(unsigned channels);

protected:
    bool AcceptsFormat(const PcmInputFormat& format) const override;
    HRESULT StartEncoder(const PcmInputFormat& format, const RecordingTags& tags) override;
    HRESULT EncodeFrames(const BYTE* pcm, unsigned frames) override;
    HRESULT FinishEncoder() override;

private:
    friend class OpusCallbacks;
    // libopusenc's encoder with its comments and its sample buffer.
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};
