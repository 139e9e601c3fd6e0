#pragma once
// Helpers of the media type record AM_MEDIA_TYPE and its ownership rules: a record owns its
// format block (task memory) exactly when cbFormat is not 0, and one reference on pUnk when it
// is set. A record allocated on its own (handed across an interface) is task memory and is
// disposed with MediaTypeDispose; a record embedded in an object or on the stack is cleared
// with MediaTypeClear. Thread contract: no lock; the caller guards the record.
#include "framework/interfaces/StrmifTypes.h"

// Deep copy; Target's previous contents are overwritten, not freed. When the format block
// cannot be allocated, Target has none (cbFormat 0) and nothing is reported.
void MediaTypeCopy(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
// Frees the format block and releases pUnk; the record itself stays.
void MediaTypeClear(AM_MEDIA_TYPE& mediaType);
// Clears and frees a record allocated from the task allocator (nothing for null).
void MediaTypeDispose(AM_MEDIA_TYPE* mediaType);
// A deep copy in a record of its own from the task allocator, to be disposed with
// MediaTypeDispose; null when memory ran out for the record or its format block. Only a format
// block the source owns is copied.
AM_MEDIA_TYPE* MediaTypeCreateCopy(const AM_MEDIA_TYPE& source);
// Zeroes the record without freeing anything; sample size 1, fixed-size samples true.
void MediaTypeReset(AM_MEDIA_TYPE& mediaType);
// True when the major type or the format type is unspecified.
bool MediaTypeIsPartial(const AM_MEDIA_TYPE& mediaType);
// Whether mediaType satisfies the partial type: every specified GUID equal and, when the
// format type is specified, the same format block.
bool MediaTypeMatches(const AM_MEDIA_TYPE& mediaType, const AM_MEDIA_TYPE& partial);
ULONG MediaTypeFormatSize(const AM_MEDIA_TYPE& mediaType);
