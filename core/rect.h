// Screen rectangles: left and top inclusive, right and bottom exclusive.
#pragma once

#include <cstdint>

struct Rect {
    int32_t left, top, right, bottom;
};

inline bool RectIsEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

// True when the rectangles share a pixel; touching or empty rectangles do not overlap.
inline bool RectsOverlap(const Rect& a, const Rect& b) {
    if (RectIsEmpty(a) || RectIsEmpty(b)) return false;
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
