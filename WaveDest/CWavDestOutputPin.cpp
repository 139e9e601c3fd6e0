#include "WaveDest/CWavDestOutputPin.h"

#include "WaveDest/THMWavDestFilter.h"
#include "framework/interfaces/MediaGuids.h"

CWavDestOutputPin::CWavDestOutputPin(THMWavDestFilter* filter, HRESULT& hr)
    : TBCTransformOutputPin("WavDest output pin", filter, hr, u"Out") {}

HRESULT CWavDestOutputPin::AcceptsType(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == MEDIATYPE_Stream && mediaType.subtype == MEDIASUBTYPE_WAVE
               ? S_OK
               : S_FALSE;
}

HRESULT CWavDestOutputPin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
    if (enumerator) *enumerator = nullptr;
    return TBCTransformOutputPin::EnumMediaTypes(enumerator);
}
