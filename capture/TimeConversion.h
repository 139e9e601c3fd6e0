#pragma once
// Conversions between the users' TDateTime and the platform's media time (100 ns units).
// Thread contract: any thread; no state.
#include "capture/KWDirectShowTypes.h"

// The time of day of value (whole days dropped) in 100 ns units.
REFERENCE_TIME DateTimeToRefTime(TDateTime value);
// The time of day of a media time. Raises EDShowConvertError ("Invalid argument to time
// encode") for a time of 24 hours or more, or a negative one.
TDateTime RefTimeToDateTime(REFERENCE_TIME value);
