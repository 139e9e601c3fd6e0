#include "framework/MediaType.h"

#include "framework/EAssertionFailure.h"
#include "runtime/TaskMemory.h"

#include <cstring>

void MediaTypeCopy(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    BC_CHECK(&target != &source, "DSUtil", 1259);
    target = source;
    if (source.cbFormat != 0) {
        BC_CHECK(source.pbFormat != nullptr, "DSUtil", 1264);
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (target.pbFormat)
            std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
        else
            target.cbFormat = 0;
    }
    if (target.pUnk) target.pUnk->AddRef(); // the record's own counted reference
}

void MediaTypeClear(AM_MEDIA_TYPE& mediaType) {
    if (mediaType.cbFormat != 0) {
        CoTaskMemFree(mediaType.pbFormat);
        mediaType.cbFormat = 0;
        mediaType.pbFormat = nullptr;
    }
    if (mediaType.pUnk) {
        mediaType.pUnk->Release();
        mediaType.pUnk = nullptr;
    }
}

void MediaTypeDispose(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return;
    MediaTypeClear(*mediaType);
    CoTaskMemFree(mediaType);
}

AM_MEDIA_TYPE* MediaTypeCreateCopy(const AM_MEDIA_TYPE& source) {
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!copy) return nullptr;
    // Only a format block the source owns comes along: a pointer it does not own could
    // outlive what it points to in a record of its own.
    AM_MEDIA_TYPE owned = source;
    if (owned.cbFormat == 0 || !owned.pbFormat) {
        owned.cbFormat = 0;
        owned.pbFormat = nullptr;
    }
    MediaTypeCopy(*copy, owned);
    if (copy->cbFormat != owned.cbFormat) { // the format block found no memory
        MediaTypeDispose(copy);
        return nullptr;
    }
    return copy;
}

void MediaTypeReset(AM_MEDIA_TYPE& mediaType) {
    std::memset(&mediaType, 0, sizeof mediaType);
    mediaType.lSampleSize = 1;
    mediaType.bFixedSizeSamples = BOOL(-1); // all bits set, as the framework writes true
}

bool MediaTypeIsPartial(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.majortype == GUID_NULL || mediaType.formattype == GUID_NULL;
}

bool MediaTypeMatches(const AM_MEDIA_TYPE& mediaType, const AM_MEDIA_TYPE& partial) {
    if (partial.majortype != GUID_NULL && partial.majortype != mediaType.majortype) return false;
    if (partial.subtype != GUID_NULL && partial.subtype != mediaType.subtype) return false;
    if (partial.formattype == GUID_NULL) return true;
    if (partial.formattype != mediaType.formattype) return false;
    if (partial.cbFormat != mediaType.cbFormat) return false;
    if (mediaType.cbFormat == 0) return true;
    return std::memcmp(partial.pbFormat, mediaType.pbFormat, mediaType.cbFormat) == 0;
}

ULONG MediaTypeFormatSize(const AM_MEDIA_TYPE& mediaType) {
    return mediaType.cbFormat;
}
