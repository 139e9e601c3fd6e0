#pragma once
// Records and constants of the media platform, with their published names, field order and
// values, laid out for the build's pointer size (AM_MEDIA_TYPE is 88 bytes and
// AM_SAMPLE2_PROPERTIES 64 bytes on our 64-bit build; WAVEFORMATEX is packed to 18 bytes).
#include "runtime/Unknown.h"

struct IBaseFilter;
struct IFilterGraph;

// ---- media type -------------------------------------------------------------------------
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};
static_assert(sizeof(void*) != 8 || sizeof(AM_MEDIA_TYPE) == 88);
static_assert(offsetof(AM_MEDIA_TYPE, formattype) == 44);

// ---- allocators and samples ---------------------------------------------------------------
struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

struct AM_SAMPLE2_PROPERTIES {
    DWORD cbData;
    DWORD dwTypeSpecificFlags;
    DWORD dwSampleFlags;
    LONG lActual;
    REFERENCE_TIME tStart;
    REFERENCE_TIME tStop;
    DWORD dwStreamId;
    AM_MEDIA_TYPE* pMediaType;
    BYTE* pbBuffer;
    LONG cbBuffer;
};
static_assert(sizeof(void*) != 8 || sizeof(AM_SAMPLE2_PROPERTIES) == 64);
static_assert(offsetof(AM_SAMPLE2_PROPERTIES, tStart) == 16);
static_assert(offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId) == 32);

// Sample flags (AM_SAMPLE2_PROPERTIES.dwSampleFlags).
constexpr DWORD AM_SAMPLE_SPLICEPOINT = 0x1;
constexpr DWORD AM_SAMPLE_PREROLL = 0x2;
constexpr DWORD AM_SAMPLE_DATADISCONTINUITY = 0x4;
constexpr DWORD AM_SAMPLE_TYPECHANGED = 0x8;
constexpr DWORD AM_SAMPLE_TIMEVALID = 0x10;
constexpr DWORD AM_SAMPLE_TIMEDISCONTINUITY = 0x40;
constexpr DWORD AM_SAMPLE_FLUSH_ON_PAUSE = 0x80;
constexpr DWORD AM_SAMPLE_STOPVALID = 0x100;
constexpr DWORD AM_SAMPLE_ENDOFSTREAM = 0x200;
constexpr DWORD AM_STREAM_MEDIA = 0;
constexpr DWORD AM_STREAM_CONTROL = 1;

// GetBuffer flags.
constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 0x1;
constexpr DWORD AM_GBF_NOTASYNCPOINT = 0x2;
constexpr DWORD AM_GBF_NOWAIT = 0x4;

// ---- filters and pins ------------------------------------------------------------------------
enum FILTER_STATE : LONG { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION : LONG { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

struct PIN_INFO {
    IBaseFilter* pFilter;
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;
};

enum QualityMessageType : LONG { Famine = 0, Flood = 1 };

struct Quality {
    QualityMessageType Type;
    LONG Proportion;
    REFERENCE_TIME Late;
    REFERENCE_TIME TimeStamp;
};

// ---- audio format -------------------------------------------------------------------------------
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr WORD WAVE_FORMAT_PCM = 0x0001;
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// A WAVEFORMATEX followed by what more than two channels need: the valid bits of a sample, the
// speakers the channels feed (one SPEAKER_ bit each, the channels in the order of their bits;
// channels beyond the bits set feed none in particular) and the sample format as a subtype
// (KSDATAFORMAT_SUBTYPE_PCM). Format.cbSize is 22.
#pragma pack(push, 1)
struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    WORD wValidBitsPerSample;
    DWORD dwChannelMask;
    GUID SubFormat;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);

constexpr DWORD SPEAKER_FRONT_LEFT = 0x1;
constexpr DWORD SPEAKER_FRONT_RIGHT = 0x2;
constexpr DWORD SPEAKER_FRONT_CENTER = 0x4;
constexpr DWORD SPEAKER_LOW_FREQUENCY = 0x8;
constexpr DWORD SPEAKER_BACK_LEFT = 0x10;
constexpr DWORD SPEAKER_BACK_RIGHT = 0x20;
constexpr DWORD SPEAKER_FRONT_LEFT_OF_CENTER = 0x40;
constexpr DWORD SPEAKER_FRONT_RIGHT_OF_CENTER = 0x80;
constexpr DWORD SPEAKER_BACK_CENTER = 0x100;
constexpr DWORD SPEAKER_SIDE_LEFT = 0x200;
constexpr DWORD SPEAKER_SIDE_RIGHT = 0x400;
constexpr DWORD SPEAKER_TOP_CENTER = 0x800;
constexpr DWORD SPEAKER_TOP_FRONT_LEFT = 0x1000;
constexpr DWORD SPEAKER_TOP_FRONT_CENTER = 0x2000;
constexpr DWORD SPEAKER_TOP_FRONT_RIGHT = 0x4000;
constexpr DWORD SPEAKER_TOP_BACK_LEFT = 0x8000;
constexpr DWORD SPEAKER_TOP_BACK_CENTER = 0x10000;
constexpr DWORD SPEAKER_TOP_BACK_RIGHT = 0x20000;

// ---- events (IMediaEventSink::Notify, IMediaEvent::GetEvent) --------------------------------
constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;
constexpr LONG EC_TIME = 0x04;
constexpr LONG EC_REPAINT = 0x05;
constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
constexpr LONG EC_QUALITY_CHANGE = 0x0B;
constexpr LONG EC_SHUTTING_DOWN = 0x0C;
constexpr LONG EC_CLOCK_CHANGED = 0x0D;
constexpr LONG EC_PAUSED = 0x0E;
constexpr LONG EC_STARVATION = 0x17;
constexpr LONG EC_LENGTH_CHANGED = 0x1E;
constexpr LONG EC_DEVICE_LOST = 0x1F;
constexpr LONG EC_DVD_DISC_EJECTED = 0x118;
constexpr LONG EC_USER = 0x8000;

constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

// ---- seeking ----------------------------------------------------------------------------------
constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;
constexpr DWORD AM_SEEKING_SeekToKeyFrame = 0x4;
constexpr DWORD AM_SEEKING_ReturnTime = 0x8;
constexpr DWORD AM_SEEKING_Segment = 0x10;
constexpr DWORD AM_SEEKING_NoFlush = 0x20;

constexpr DWORD AM_SEEKING_CanSeekAbsolute = 0x1;
constexpr DWORD AM_SEEKING_CanSeekForwards = 0x2;
constexpr DWORD AM_SEEKING_CanSeekBackwards = 0x4;
constexpr DWORD AM_SEEKING_CanGetCurrentPos = 0x8;
constexpr DWORD AM_SEEKING_CanGetStopPos = 0x10;
constexpr DWORD AM_SEEKING_CanGetDuration = 0x20;
constexpr DWORD AM_SEEKING_CanPlayBackwards = 0x40;
constexpr DWORD AM_SEEKING_CanDoSegments = 0x80;
constexpr DWORD AM_SEEKING_Source = 0x100;

// ---- file writer ------------------------------------------------------------------------------
constexpr DWORD AM_FILE_OVERWRITE = 0x1;

// ---- filter registration ----------------------------------------------------------------------
constexpr DWORD MERIT_PREFERRED = 0x800000;
constexpr DWORD MERIT_NORMAL = 0x600000;
constexpr DWORD MERIT_UNLIKELY = 0x400000;
constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGFILTERPINS {
    LPWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    const WCHAR* strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};

struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM* lpMedium;
    const CLSID* clsPinCategory;
};

struct REGFILTER2 {
    DWORD dwVersion;
    DWORD dwMerit;
    union {
        struct {
            ULONG cPins;
            const REGFILTERPINS* rgPins;
        };
        struct {
            ULONG cPins2;
            const REGFILTERPINS2* rgPins2;
        };
    };
};

// ---- kernel-streaming property sets --------------------------------------------------------
constexpr DWORD AMPROPERTY_PIN_CATEGORY = 0;
constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

// ---- window styles the video window is given --------------------------------------------------
constexpr LONG WS_CHILD = 0x40000000;
constexpr LONG WS_CLIPSIBLINGS = 0x04000000;
constexpr LONG WS_CLIPCHILDREN = 0x02000000;
