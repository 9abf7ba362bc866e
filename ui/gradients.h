// The colour formulas of the computed artwork, kept free of any drawing so that every pixel can
// be checked on the build host.
#pragma once

// Blue component of row y of the welcome strip, a picture `height` rows high: 255 at the top,
// 0 in the last row.
int strip_blue(int y, int height);

// Blue component of pixel (x, y) of a header picture of width x height: white (255) up to the
// middle column, then falling to the right and downwards, towards 0 in the bottom right corner.
int header_blue(int x, int y, int width, int height);
