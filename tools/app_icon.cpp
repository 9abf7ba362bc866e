#include "app_icon.h"

#include <algorithm>
#include <cmath>
#include "ui/gradients.h"

namespace {

constexpr int kPaletteSize = 256;

struct Point {
    double x, y;
};

// Distance from p to the segment from a to b.
double distance_to_segment(Point p, Point a, Point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    t = std::max(0.0, std::min(1.0, t));
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

// Corners cut round, so the tile does not look like a hole in the desktop.
bool inside_tile(int x, int y, int size) {
    const double radius = size / 6.0;
    double cx = std::min(std::max(x + 0.5, radius), size - radius);
    double cy = std::min(std::max(y + 0.5, radius), size - radius);
    double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
    return dx * dx + dy * dy <= radius * radius;
}

// The letter, in fractions of the tile: a stem and two arms meeting it a little above the middle.
bool inside_letter(int x, int y, int size) {
    const double stroke = std::max(2.0, std::round(size * 0.15));
    const Point p{(x + 0.5) / size, (y + 0.5) / size};
    const double half = stroke / 2.0 / size;
    const double stem_x = 0.27;
    if (std::fabs(p.x - stem_x) <= half && p.y >= 0.18 && p.y <= 0.82) return true;
    const Point joint{stem_x + half, 0.52};
    if (distance_to_segment(p, joint, {0.76, 0.18 + half}) <= half) return true;
    return distance_to_segment(p, {0.42, 0.44}, {0.78, 0.82 - half}) <= half;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One image of the file: the header of a bitmap twice as high as the icon (colour rows, then the
// mask rows), a palette of 256 colours, the colour indexes and the transparency mask, both
// bottom row first with rows padded to four bytes.
bool icon_image(int size, std::vector<uint8_t>& out) {
    const std::vector<IconPixel> pixels = draw_app_icon(size);
    std::vector<uint32_t> palette{0}; // black first: the colour under transparent pixels
    std::vector<uint8_t> indexes;
    for (const IconPixel& p : pixels) {
        uint32_t colour =
            p.opaque ? uint32_t(p.blue) | uint32_t(p.green) << 8 | uint32_t(p.red) << 16 : 0;
        auto found = std::find(palette.begin(), palette.end(), colour);
        if (found == palette.end()) {
            if (palette.size() == kPaletteSize) return false;
            found = palette.insert(palette.end(), colour);
        }
        indexes.push_back(uint8_t(found - palette.begin()));
    }
    const uint32_t mask_row = uint32_t((size + 31) / 32 * 4);
    put32(out, 40);
    put32(out, uint32_t(size));
    put32(out, uint32_t(size) * 2);
    put16(out, 1); // planes
    put16(out, 8); // bits per pixel
    put32(out, 0); // no compression
    put32(out, uint32_t(size * size) + mask_row * uint32_t(size));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (int i = 0; i < kPaletteSize; ++i)
        put32(out, i < int(palette.size()) ? palette[size_t(i)] : 0);
    for (int y = size - 1; y >= 0; --y)
        out.insert(out.end(), indexes.begin() + y * size, indexes.begin() + (y + 1) * size);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(mask_row, 0);
        for (int x = 0; x < size; ++x)
            if (!pixels[size_t(y * size + x)].opaque)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return true;
}

} // namespace

std::vector<IconPixel> draw_app_icon(int size) {
    std::vector<IconPixel> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (!inside_tile(x, y, size))
                pixels.push_back({0, 0, 0, false});
            else if (inside_letter(x, y, size))
                pixels.push_back({255, 255, uint8_t(header_blue(x, y, size, size)), true});
            else // the strip's fall from blue towards black, over twice the tile: a deep blue
                pixels.push_back({0, 0, uint8_t(strip_blue(y, size * 2)), true});
        }
    return pixels;
}

std::vector<uint8_t> app_icon_file() {
    const size_t count = sizeof kIconSizes / sizeof kIconSizes[0];
    std::vector<std::vector<uint8_t>> images(count);
    for (size_t i = 0; i < count; ++i)
        if (!icon_image(kIconSizes[i], images[i])) return {};
    std::vector<uint8_t> file;
    put16(file, 0);
    put16(file, 1); // an icon, not a cursor
    put16(file, uint16_t(count));
    uint32_t offset = uint32_t(6 + 16 * count);
    for (size_t i = 0; i < count; ++i) {
        file.push_back(uint8_t(kIconSizes[i]));
        file.push_back(uint8_t(kIconSizes[i]));
        file.push_back(0); // 256 colours or more
        file.push_back(0);
        put16(file, 1);
        put16(file, 8);
        put32(file, uint32_t(images[i].size()));
        put32(file, offset);
        offset += uint32_t(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images)
        file.insert(file.end(), image.begin(), image.end());
    return file;
}
