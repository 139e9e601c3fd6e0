#pragma once
// The reference clock (CLSID_SystemClock): the monotonic system clock in 100 ns units.
// Advise requests are not offered (no filter here waits on the clock).
// Thread contract: any thread; the object has no mutable state.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"

class SystemClock final : public TBCUnknown, public IReferenceClock {
public:
    explicit SystemClock(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);
    // The clock's reading now, in 100 ns units.
    static REFERENCE_TIME Now();

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                       DWORD_PTR* adviseCookie) override;
    HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME periodTime,
                           HSEMAPHORE semaphore, DWORD_PTR* adviseCookie) override;
    HRESULT Unadvise(DWORD_PTR adviseCookie) override;
};
