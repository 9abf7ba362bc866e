#include <cstdint>
#include <vector>
#include "check.h"
#include "services/held_folder.h"

static void components() {
    using List = std::vector<std::string>;
    CHECK(held_path_components("C:\\a\\b\\") == (List{"C:\\a", "C:\\a\\b"}));
    CHECK(held_path_components("C:\\a\\\\b") == (List{"C:\\a", "C:\\a\\\\b"}));
    // A share is a root like a drive: neither can be renamed, so neither is held.
    CHECK(held_path_components("\\\\srv\\share\\a") == (List{"\\\\srv\\share\\a"}));
    CHECK(held_path_components("\\\\srv\\share").empty());
    CHECK(held_path_components("C:\\").empty());
    CHECK(held_path_components("").empty());
    CHECK(held_path_components("\\a\\b") == (List{"\\a", "\\a\\b"}));
}

static uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | b[at + size_t(i)];
    return value;
}

// Read back the way the system walks an access list: header, then entries by their own sizes.
static void access_list() {
    const std::vector<uint8_t> acl = program_files_access_list();
    CHECK_EQ(acl[0], uint8_t(2));
    CHECK_EQ(le(acl, 2, 2), uint32_t(acl.size()));
    CHECK_EQ(le(acl, 4, 2), uint32_t(3));
    struct Expected {
        uint32_t rights;
        std::vector<uint32_t> sub_authorities;
    } expected[] = {{0x1F01FF, {32, 544}}, {0x1F01FF, {18}}, {0x1200A9, {32, 545}}};
    size_t at = 8;
    for (const Expected& e : expected) {
        if (at + 16 > acl.size()) break;
        CHECK_EQ(acl[at], uint8_t(0));     // access allowed
        CHECK_EQ(acl[at + 1], uint8_t(3)); // inherited by files and folders
        const uint32_t size = le(acl, at + 2, 2);
        CHECK_EQ(le(acl, at + 4, 4), e.rights);
        CHECK_EQ(acl[at + 8], uint8_t(1));
        CHECK_EQ(size_t(acl[at + 9]), e.sub_authorities.size());
        CHECK_EQ(acl[at + 15], uint8_t(5)); // the NT authority
        for (size_t i = 0; i < e.sub_authorities.size(); ++i)
            CHECK_EQ(le(acl, at + 16 + 4 * i, 4), e.sub_authorities[i]);
        CHECK_EQ(size, uint32_t(16 + 4 * e.sub_authorities.size()));
        at += size;
    }
    CHECK_EQ(at, acl.size());
}

int main() {
    components();
    access_list();
    return check_report();
}
