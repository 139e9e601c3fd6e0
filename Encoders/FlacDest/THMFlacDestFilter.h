#pragma once
// The FLAC destination filter: encodes 16-bit PCM of 1 to 8 channels at any rate FLAC can
// carry, losslessly, into a native FLAC file (libFLAC's stream encoder, compression level
// 1), with the recording's comments (RecordingTags). While it records, the file is a valid
// FLAC stream whose STREAMINFO says "length unknown" (no sample count, no MD5), so a
// recording cut off without a stop decodes up to its last complete frame; at the stop the
// encoder goes back through the file writer's IStream and completes STREAMINFO with the
// sample count, the frame sizes and the MD5 of the audio.
// Thread contract: as THMEncoderDestFilter.
#include "Encoders/THMEncoderDestFilter.h"

#include <memory>

// The class of the filter.
inline constexpr CLSID CLSID_HMFlacDest{
    0x2AFB72BC, 0x233F, 0x4C37, {0x9D, 0xAA, 0x2A, 0x7B, 0xAC, 0x6F, 0x72, 0xC9}};
// The byte stream of a native FLAC file, the type of the filter's output.
inline constexpr GUID MEDIASUBTYPE_FlacStream{
    0xA6496E30, 0x2A6F, 0x486B, {0xA3, 0x58, 0x72, 0x6D, 0xC1, 0x22, 0x97, 0x78}};

class THMFlacDestFilter : public THMEncoderDestFilter {
public:
    // Makes input pin "In" and output pin "Out"; hr reports a pin that could not be made.
    THMFlacDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr);
    ~THMFlacDestFilter() override;

    // The class factory's creation operation (the factory's display name as object name).
    template <class Factory = TBCClassFactory>
    static TBCUnknown* CreateByFactory(Factory* factory, IUnknown* controller) {
        HRESULT hr = S_OK;
        return new THMFlacDestFilter(factory->DisplayName, controller, hr);
    }

protected:
    bool AcceptsFormat(const PcmInputFormat& format) const override;
    HRESULT StartEncoder(const PcmInputFormat& format, const RecordingTags& tags) override;
    HRESULT EncodeFrames(const BYTE* pcm, unsigned frames) override;
    HRESULT FinishEncoder() override;

private:
    friend class FlacCallbacks;
    // libFLAC's encoder with its comment block and its sample buffer.
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};
