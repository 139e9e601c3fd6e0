#pragma once
// Media type records as the platform objects hand them around: deep copies whose format
// block comes from the task allocator. Thread contract: none; the caller guards the record.
#include "framework/interfaces/StrmifTypes.h"

// Deep copy into target (its previous contents are not freed); false when out of memory,
// and target is then empty.
bool CopyMediaTypeRecord(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);
// Frees the format block and the pUnk reference; the record itself stays, zeroed.
void FreeMediaTypeRecord(AM_MEDIA_TYPE& type);
// A task-allocated deep copy, or null when out of memory.
AM_MEDIA_TYPE* CreateMediaTypeCopy(const AM_MEDIA_TYPE& source);
// Frees a task-allocated record and what it owns (null allowed).
void DeleteMediaTypeCopy(AM_MEDIA_TYPE* type);
