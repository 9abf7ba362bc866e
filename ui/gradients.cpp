#include "ui/gradients.h"

#include <cmath>

int strip_blue(int y, int height) {
    if (height < 2) return 255;
    return 255 - (y * 255) / (height - 1);
}

int header_blue(int x, int y, int width, int height) {
    const int xm = width - 1;
    const int ym = height - 1;
    const int half = xm / 2;
    if (x < half || ym <= 0 || half <= 0) return 255;
    // Every step is stored to a double so that the x87 unit of the 32-bit build rounds exactly as
    // SSE does; otherwise its 80-bit intermediates could tip a pixel near a rounding boundary.
    volatile double a = double(x - half) * 255.0;
    a = a / double(half);
    volatile double b = double(y) * 125.0;
    b = b / double(ym);
    volatile double v = -a - b;
    v = v + 380.0;
    volatile float single = float(v);
    float clamped = single;
    if (clamped > 255.0f) clamped = 255.0f;
    if (clamped < 0.0f) clamped = 0.0f;
    // nearbyint in the default rounding mode rounds halves to the even neighbour.
    return int(std::nearbyint(clamped));
}
