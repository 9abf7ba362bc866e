// The programs' icon, drawn by code in the wizard's colours: a rounded tile in the blue of the
// welcome strip with a "K" in the white-to-yellow of the page headers. 16, 32 and 48 pixels, 256
// colours each, which every Windows from 95 on shows.
#pragma once
#include <cstdint>
#include <vector>

inline constexpr int kIconSizes[] = {16, 32, 48};

struct IconPixel {
    uint8_t red, green, blue;
    bool opaque;
};

// The pixels of one size, row by row from the top.
std::vector<IconPixel> draw_app_icon(int size);

// The icon file (.ico) with every size of kIconSizes; empty when a size needs more than 256
// colours.
std::vector<uint8_t> app_icon_file();
