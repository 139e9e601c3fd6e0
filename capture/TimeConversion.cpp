#include "capture/TimeConversion.h"

#include "capture/EDShowConvertError.h"

#include <cmath>
#include <cstdlib>

namespace {
constexpr LONGLONG MSecsPerDay = 24LL * 60 * 60 * 1000;
} // namespace

REFERENCE_TIME DateTimeToRefTime(TDateTime value) {
    // Rounded to whole milliseconds first, as the time of day is decoded.
    const LONGLONG total = std::llround(value * double(MSecsPerDay));
    const LONGLONG ofDay = std::llabs(total) % MSecsPerDay;
    const LONGLONG h = ofDay / 3600000;
    const LONGLONG m = ofDay / 60000 % 60;
    const LONGLONG s = ofDay / 1000 % 60;
    const LONGLONG ms = ofDay % 1000;
    return ((h * 3600 + m * 60 + s) * 1000 + ms) * 10000;
}

TDateTime RefTimeToDateTime(REFERENCE_TIME value) {
    const LONGLONG ms = value / 10000;
    const LONGLONG milliseconds = ms % 1000;
    const LONGLONG s = ms / 1000;
    const LONGLONG seconds = s % 60;
    const LONGLONG m = s / 60;
    const LONGLONG minutes = m % 60;
    const LONGLONG hours = m / 60;
    // A negative part fails like an hour count of a day or more.
    if (hours < 0 || hours >= 24 || minutes < 0 || seconds < 0 || milliseconds < 0)
        throw EDShowConvertError("Invalid argument to time encode");
    return double(((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds) /
           double(MSecsPerDay);
}
