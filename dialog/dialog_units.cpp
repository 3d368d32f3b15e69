// dialog_units.cpp - dialog unit conversion.
#include "dialog/dialog_units.h"

#include <cstdint>

namespace {
// a * b / c rounded to the nearest integer, halves away from zero; 0 for c == 0.
int MulDivRound(int a, int b, int c) {
    if (c == 0) {
        return 0;
    }
    const int64_t p = static_cast<int64_t>(a) * b;
    const int64_t q = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t n = c < 0 ? -p : p;
    return static_cast<int>(n >= 0 ? (n + q / 2) / q : -((-n + q / 2) / q));
}
}  // namespace

DialogBaseUnits BaseUnitsFromAlphabetWidth(int alphabetWidth, int fontHeight) {
    return {(alphabetWidth / 26 + 1) / 2, fontHeight};
}

int HorizontalDluToPixels(int dlu, const DialogBaseUnits& base) {
    return MulDivRound(dlu, base.cx, 4);
}

int VerticalDluToPixels(int dlu, const DialogBaseUnits& base) {
    return MulDivRound(dlu, base.cy, 8);
}

PixelRect DluRectToPixels(int x, int y, int cx, int cy, const DialogBaseUnits& base) {
    // Corners are converted, not sizes, so controls that touch in dialog units touch in pixels.
    const int left = HorizontalDluToPixels(x, base);
    const int top = VerticalDluToPixels(y, base);
    return {left, top, HorizontalDluToPixels(x + cx, base) - left,
            VerticalDluToPixels(y + cy, base) - top};
}
