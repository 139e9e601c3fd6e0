#pragma once
// The WAV destination filter's output pin: accepts exactly the byte-stream type Stream/WAVE.
// Thread contract: as TBCTransformOutputPin.
#include "framework/TBCTransformOutputPin.h"

class THMWavDestFilter;

class CWavDestOutputPin : public TBCTransformOutputPin {
public:
    CWavDestOutputPin(THMWavDestFilter* filter, HRESULT& hr);

    HRESULT AcceptsType(const AM_MEDIA_TYPE& mediaType) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** enumerator) override;
};
