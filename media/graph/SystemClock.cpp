#include "media/graph/SystemClock.h"

#include <time.h>

SystemClock::SystemClock(IUnknown* outer) : TBCUnknown("System clock", outer) {}

HRESULT SystemClock::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<SystemClock>(outer, iid, object);
}

REFERENCE_TIME SystemClock::Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return REFERENCE_TIME(now.tv_sec) * 10'000'000 + now.tv_nsec / 100;
}

HRESULT SystemClock::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_IReferenceClock)
        return GetInterface(static_cast<IReferenceClock*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

HRESULT SystemClock::GetTime(REFERENCE_TIME* time) {
    if (!time) return E_POINTER;
    *time = Now();
    return S_OK;
}

HRESULT SystemClock::AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR* adviseCookie) {
    if (adviseCookie) *adviseCookie = 0;
    return E_NOTIMPL;
}

HRESULT SystemClock::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE,
                                    DWORD_PTR* adviseCookie) {
    if (adviseCookie) *adviseCookie = 0;
    return E_NOTIMPL;
}

HRESULT SystemClock::Unadvise(DWORD_PTR) {
    return S_FALSE;
}
