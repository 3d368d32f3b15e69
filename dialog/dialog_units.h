// dialog_units.h - dialog units to pixels. A horizontal dialog unit is a quarter of the dialog
// font's average character width, a vertical one an eighth of its height, so a template keeps its
// proportions whatever font the platform substitutes.
#pragma once

struct DialogBaseUnits {
    int cx;  // average character width, pixels
    int cy;  // character height, pixels
};

struct PixelRect {
    int x, y, width, height;
};

// The average width from the advance of the 52 letters A-Z a-z, rounded to the nearest pixel.
DialogBaseUnits BaseUnitsFromAlphabetWidth(int alphabetWidth, int fontHeight);

// Rounds to the nearest pixel, halves away from zero.
int HorizontalDluToPixels(int dlu, const DialogBaseUnits& base);
int VerticalDluToPixels(int dlu, const DialogBaseUnits& base);
PixelRect DluRectToPixels(int x, int y, int cx, int cy, const DialogBaseUnits& base);
