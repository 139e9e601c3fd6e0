#pragma once
// The WAV destination filter: a transform filter that accepts any input whose format block is
// a WAVEFORMATEX, copies every sample's bytes unchanged into an output sample stamped with the
// byte range of the file where they belong (start and stop "times" are byte offsets, the first
// data byte right behind the header), counts the bytes, and when the graph stops writes the
// RIFF/WAVE header at offset 0 through the downstream pin's IStream. The output offers the
// byte-stream type (Stream/WAVE).
// Thread contract: as TBCTransformFilter. DataBytes and HeaderBytes are touched only under
// the streaming lock.
#include "framework/TBCTransformFilter.h"

// The class of the filter made by its own constructor.
inline constexpr CLSID CLSID_HMWavDest{
    0x2CDE6ABB, 0xC2FE, 0x484E, {0xAE, 0x4A, 0x25, 0x34, 0xBE, 0x13, 0x88, 0xB9}};

class THMWavDestFilter : public TBCTransformFilter {
public:
    // The filter's own constructor: class CLSID_HMWavDest, input pin "In" and output pin "Out"
    // (a CWavDestOutputPin) made at once; hr reports a pin that could not be made.
    THMWavDestFilter(std::string objectName, IUnknown* controller, HRESULT& hr);
    // The transform filter's constructor on this class: no pins until the first PinAt, which
    // makes the framework's "XForm In" and "XForm Out".
    THMWavDestFilter(std::string objectName, IUnknown* controller, REFCLSID classId);

    // The class factory's creation operation (the factory's display name as object name).
    template <class Factory = TBCClassFactory>
    static TBCUnknown* CreateByFactory(Factory* factory, IUnknown* controller) {
        HRESULT hr = S_OK;
        return new THMWavDestFilter(factory->DisplayName, controller, hr);
    }

    HRESULT TransformSample(IMediaSample* input, IMediaSample* output) override;
    HRESULT AcceptsInputType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT AcceptsTransform(const AM_MEDIA_TYPE& inType, const AM_MEDIA_TYPE& outType) override;
    // One output buffer as large as the upstream buffers.
    HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT ProposeOutputType(int position, AM_MEDIA_TYPE& mediaType) override;
    HRESULT BeginStreaming() override;
    // Writes the header.
    HRESULT EndStreaming() override;
    HRESULT FinishPinConnection(PIN_DIRECTION direction, IPin* receivePin) override;
    // Keeps the byte count consistent with what got through: a sample that does not reach the
    // downstream pin is not counted.
    HRESULT ProcessSample(IMediaSample* sample) override;

    // Copies data, times, media times, media type and data length of source into dest.
    HRESULT CopySample(IMediaSample* source, IMediaSample* dest);

protected:
    DWORD DataBytes = 0;
    DWORD HeaderBytes = 0;
};
