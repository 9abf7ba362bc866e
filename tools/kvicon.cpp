// kvicon OUT.ico: writes the programs' icon (see app_icon.h), byte for byte the same every time.
#include <cstdio>
#include <string>
#include <vector>
#include "app_icon.h"
#include "file_bytes.h"

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
    std::string err;
    if (!write_file(argv[1], icon, err)) {
        std::printf("kvicon: %s: %s\n", argv[1], err.c_str());
        return 1;
    }
    return 0;
}
