#pragma once
// The largest centred rectangle of the aspect ratio X:Y that fits into an area.
// Thread contract: any thread; no state.
#include "capture/KWDirectShowTypes.h"

// A zero or negative X or Y, or an empty area, gives the area unchanged.
TPlacement AspectFitRect(int X, int Y, const TAreaRect& area);
