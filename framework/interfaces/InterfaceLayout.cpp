// Compile-time checks that the records exchanged across interfaces keep the platform's
// published layout on this build.
#include "framework/interfaces/Control.h"
#include "framework/interfaces/DeviceEnum.h"
#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/RecordingFigures.h"

static_assert(offsetof(AM_MEDIA_TYPE, bFixedSizeSamples) == 32);
static_assert(offsetof(AM_MEDIA_TYPE, lSampleSize) == 40);
static_assert(offsetof(AM_MEDIA_TYPE, pUnk) == (sizeof(void*) == 8 ? 64 : 60));
static_assert(offsetof(AM_SAMPLE2_PROPERTIES, lActual) == 12);
static_assert(sizeof(ALLOCATOR_PROPERTIES) == 16);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask) == 20);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, SubFormat) == 24);
static_assert(offsetof(PIN_INFO, achName) == sizeof(void*) + 4);
static_assert(sizeof(FILTER_INFO::achName) == 256);
static_assert(sizeof(Quality) == 24);
static_assert(sizeof(AUDIO_PEAK_BLOCK) == 20);
static_assert(offsetof(RECORDING_PROGRESS, nSamplesPerSec) == 24);
