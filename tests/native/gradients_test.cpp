// The artwork's colour formulas over every pixel of the welcome strip and of a header.
#include <cstdint>

#include "check.h"
#include "ui/gradients.h"

namespace {

constexpr int kStripWidth = 160, kStripHeight = 310;
constexpr int kHeaderWidth = 480, kHeaderHeight = 60;

void strip_rows() {
    CHECK_EQ(strip_blue(0, kStripHeight), 255);
    CHECK_EQ(strip_blue(1, kStripHeight), 255);
    CHECK_EQ(strip_blue(2, kStripHeight), 254);
    CHECK_EQ(strip_blue(154, kStripHeight), 128);
    CHECK_EQ(strip_blue(155, kStripHeight), 128);
    CHECK_EQ(strip_blue(308, kStripHeight), 1);
    CHECK_EQ(strip_blue(309, kStripHeight), 0);
    // Only the last row is black, and the blue never rises going down.
    for (int y = 1; y < kStripHeight; ++y) {
        CHECK(strip_blue(y, kStripHeight) <= strip_blue(y - 1, kStripHeight));
        if (y < kStripHeight - 1) CHECK(strip_blue(y, kStripHeight) > 0);
    }
}

// The header's blue in exact integer arithmetic: with HALF = 239 and YM = 59,
// v = 380 - 255 (x - 239) / 239 - 125 y / 59 = N / (239 * 59). The denominator is odd, so v is
// never exactly halfway between two integers, and it lies at least 1 / (2 * 14101) away from any
// such half, more than half a float step near 255: the double-then-float formula must round to
// the same integer as exact arithmetic for every pixel.
int exact_header_blue(int x, int y) {
    const int64_t half = 239, ym = 59, d = half * ym;
    if (x < half) return 255;
    int64_t n = 380 * d - 255 * (x - half) * ym - 125 * y * half;
    if (n >= 255 * d) return 255;
    if (n <= 0) return 0;
    return int((2 * n + d) / (2 * d)); // nearest, no ties possible
}

void header_every_pixel() {
    int mismatches = 0;
    for (int x = 0; x < kHeaderWidth; ++x)
        for (int y = 0; y < kHeaderHeight; ++y)
            if (header_blue(x, y, kHeaderWidth, kHeaderHeight) != exact_header_blue(x, y))
                ++mismatches;
    CHECK_EQ(mismatches, 0);
}

void header_samples() {
    for (int y = 0; y < kHeaderHeight; ++y) {
        CHECK_EQ(header_blue(238, y, kHeaderWidth, kHeaderHeight), 255);
        CHECK_EQ(header_blue(239, y, kHeaderWidth, kHeaderHeight), 255);
    }
    CHECK_EQ(header_blue(240, 59, kHeaderWidth, kHeaderHeight), 254);
    CHECK_EQ(header_blue(356, 0, kHeaderWidth, kHeaderHeight), 255);
    CHECK_EQ(header_blue(357, 0, kHeaderWidth, kHeaderHeight), 254);
    CHECK_EQ(header_blue(359, 30, kHeaderWidth, kHeaderHeight), 188);
    CHECK_EQ(header_blue(420, 59, kHeaderWidth, kHeaderHeight), 62);
    CHECK_EQ(header_blue(479, 0, kHeaderWidth, kHeaderHeight), 124);
    CHECK_EQ(header_blue(479, 30, kHeaderWidth, kHeaderHeight), 60);
    CHECK_EQ(header_blue(479, 59, kHeaderWidth, kHeaderHeight), 0);
    // The first non-white pixel of the top row.
    int first = -1;
    for (int x = 0; x < kHeaderWidth && first < 0; ++x)
        if (header_blue(x, 0, kHeaderWidth, kHeaderHeight) != 255) first = x;
    CHECK_EQ(first, 357);
}

void degenerate_sizes() {
    // A one-row strip or header must not divide by zero.
    CHECK_EQ(strip_blue(0, 1), 255);
    CHECK_EQ(header_blue(5, 0, 10, 1), 255);
    CHECK_EQ(header_blue(0, 0, 1, 10), 255);
}

} // namespace

int main() {
    strip_rows();
    header_every_pixel();
    header_samples();
    degenerate_sizes();
    return check_report();
}
