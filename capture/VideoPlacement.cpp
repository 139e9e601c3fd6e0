#include "capture/VideoPlacement.h"

#include <cmath>

TPlacement AspectFitRect(int X, int Y, const TAreaRect& area) {
    const int w = area.Right - area.Left;
    const int h = area.Bottom - area.Top;
    if (X <= 0 || Y <= 0 || w <= 0 || h <= 0) return {area.Left, area.Top, w, h};
    const double ratio = double(X) / double(Y);
    int width = w;
    int height = h;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    if (double(w) / double(h) >= ratio)
        width = int(std::nearbyint(h * ratio));
    else
        height = int(std::nearbyint(w / ratio));
    return {area.Left + (w - width) / 2, area.Top + (h - height) / 2, width, height};
}
