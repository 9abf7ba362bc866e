// kvicon OUT.ico: writes the programs' icon (see app_icon.h), byte for byte the same every time.
#include <cstdio>
#include <vector>
#include "app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: kvicon OUT.ico\n");
        return 2;
    }
    std::vector<uint8_t> icon = app_icon_file();
    if (icon.empty()) {
        std::printf("kvicon: a size needs more than 256 colours\n");
        return 1;
    }
    FILE* out = std::fopen(argv[1], "wb");
    bool written = out && std::fwrite(icon.data(), 1, icon.size(), out) == icon.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
        std::printf("kvicon: %s: cannot write\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
