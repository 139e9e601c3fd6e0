#include "media/memory/MediaTypeUtil.h"

#include "runtime/TaskMemory.h"

#include <cstring>
#include <new>

bool CopyMediaTypeRecord(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    target = source;
    target.pbFormat = nullptr;
    if (source.cbFormat != 0 && source.pbFormat) {
        target.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (!target.pbFormat) {
            target = AM_MEDIA_TYPE{};
            return false;
        }
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
    } else {
        target.cbFormat = 0;
    }
    if (target.pUnk) target.pUnk->AddRef();
    return true;
}

void FreeMediaTypeRecord(AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
    type = AM_MEDIA_TYPE{};
}

AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source) {
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!copy) return nullptr;
    new (copy) AM_MEDIA_TYPE{};
    if (!CopyMediaTypeRecord(*copy, source)) {
        CoTaskMemFree(copy);
        return nullptr;
    }
    return copy;
}

void DeleteMediaTypeCopy(AM_MEDIA_TYPE* type) {
    if (!type) return;
    FreeMediaTypeRecord(*type);
    CoTaskMemFree(type);
}
