// The registry layer against Wine's registry, in the test's own prefix (writing HKLM is fine).
#include <windows.h>
#include <string>
#include <vector>
#include "check.h"
#include "test_boxes.h"
#include "env/registry.h"

namespace {

const char* const kKey = "SOFTWARE\\KvRegistryTest\\";
const HKEY kMachine = HKEY_LOCAL_MACHINE;

// What the registry really holds, read past the layer.
struct RawValue {
    LONG status = -1;
    DWORD type = 0;
    std::vector<BYTE> data;
};

RawValue raw_read(HKEY root, const std::string& sub_key, const std::string& name) {
    RawValue value;
    HKEY key;
    value.status = RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key);
    if (value.status != ERROR_SUCCESS) return value;
    DWORD size = 0;
    value.status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                                        size ? value.data.data() : nullptr, &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

void raw_write(const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(kMachine, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

bool raw_key_exists(HKEY root, const std::string& sub_key) {
    HKEY key;
    if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

int32_t raw_dword(const RawValue& value) {
    int32_t number = 0;
    if (value.data.size() == 4) memcpy(&number, value.data.data(), 4);
    return number;
}

void test_keys() {
    CHECK_EQ(reg_key_exists(kHkeyLocalMachine, kKey, ""), 0);
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\a\\b\\", ""), 1);
    CHECK(raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\a\\b"));
    CHECK_EQ(reg_key_exists(kHkeyLocalMachine, kKey, ""), 1);
    // Already there: still 1.
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, kKey, ""), 1);

    // One leading "\" is dropped, a second one is not.
    CHECK_EQ(reg_key_exists(kHkeyLocalMachine, "\\SOFTWARE\\KvRegistryTest\\a", ""), 1);
    CHECK_EQ(reg_key_exists(kHkeyLocalMachine, "\\\\SOFTWARE\\KvRegistryTest\\a", ""), 0);
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "\\SOFTWARE\\KvRegistryTest\\c", ""), 1);
    CHECK(raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\c"));

    // The local computer by name goes through a registry connection and finds the same keys;
    // another computer cannot be reached and counts as a missing key.
    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = sizeof computer;
    if (GetComputerNameA(computer, &length)) {
        std::string local = std::string("\\\\") + computer;
        CHECK_EQ(reg_key_exists(kHkeyLocalMachine, kKey, local), 1);
    }
    CHECK_EQ(reg_key_exists(kHkeyLocalMachine, kKey, "\\\\kv-no-such-host"), 0);
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\remote",
                            "\\\\kv-no-such-host"),
             0);
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\remote"));

    CHECK_EQ(reg_delete_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\a\\b"), 1);
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\a\\b"));
    CHECK_EQ(reg_delete_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\a\\b"), 0);
    // The roll-back passes the product key with its final "\", as it was recorded.
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\rolled\\", ""), 1);
    CHECK_EQ(reg_delete_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\rolled\\"), 1);
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\rolled"));
    // A key with values goes with them, as the roll-back of the list entry, recorded as its key
    // alone, needs.
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\entry\\", ""), 1);
    CHECK_EQ(reg_set_value(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\entry\\", "DisplayName",
                           "x", kRegSz, ""),
             1);
    CHECK_EQ(reg_set_value(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\entry\\", "NoModify", "1",
                           kRegDword, ""),
             1);
    CHECK_EQ(reg_delete_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\entry\\"), 1);
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\entry"));
    // A key that still has a sub key stays: there is no deletion of a whole tree.
    CHECK_EQ(reg_create_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\a\\b", ""), 1);
    CHECK_EQ(reg_delete_key(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\a"), 0);
    CHECK(raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\a\\b"));
}

void test_set_value() {
    CHECK_EQ(reg_set_value(kHkeyLocalMachine, kKey, "version_string", "1.20.1", kRegSz, ""), 1);
    RawValue text = raw_read(kMachine, kKey, "version_string");
    CHECK_EQ(text.type, DWORD(REG_SZ));
    CHECK_EQ(text.data.size(), size_t(7));
    CHECK(text.data.size() == 7 && memcmp(text.data.data(), "1.20.1", 7) == 0);

    struct {
        const char* text;
        int32_t stored;
    } const numbers[] = {{"12010", 12010}, {" -5x", -5}, {"+7", 7}, {"abc", 0}, {"", 0}};
    for (const auto& n : numbers) {
        CHECK_EQ(reg_set_value(kHkeyLocalMachine, "\\SOFTWARE\\KvRegistryTest", "number", n.text,
                               kRegDword, ""),
                 1);
        RawValue number = raw_read(kMachine, kKey, "number");
        CHECK_EQ(number.type, DWORD(REG_DWORD));
        CHECK_EQ(raw_dword(number), n.stored);
    }

    // A value the system refuses (a name beyond the registry's limit) is not a success, and the
    // key opened, so there is no message either: an answerer that finds no box proves it.
    {
        DialogAnswerer none(IDOK, 1500);
        CHECK_EQ(reg_set_value(kHkeyLocalMachine, kKey, std::string(20000, 'n'), "x", kRegSz, ""),
                 0);
        none.finish();
        CHECK(!none.seen);
    }
    // So is a value type that is not written from a text.
    CHECK_EQ(reg_set_value(kHkeyLocalMachine, kKey, "binary", "x", 3, ""), 0);
    CHECK_EQ(raw_read(kMachine, kKey, "binary").status, LONG(ERROR_FILE_NOT_FOUND));
}

void test_set_value_missing_key() {
    DialogAnswerer answer(IDOK);
    int result = reg_set_value(kHkeyLocalMachine, "SOFTWARE\\KvRegistryTest\\missing\\",
                               "version_string", "1.20.1", kRegSz, "");
    answer.finish();
    CHECK_EQ(result, 0);
    CHECK(answer.seen);
    CHECK_EQ(answer.title, std::string("Fehler"));
    CHECK_EQ(answer.text, std::string("Ein Fehler ist aufgetreten"));
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvRegistryTest\\missing"));

    // Through a connection that cannot be made, the same.
    DialogAnswerer remote(IDOK);
    result = reg_set_value(kHkeyLocalMachine, kKey, "x", "1", kRegSz, "\\\\kv-no-such-host");
    remote.finish();
    CHECK_EQ(result, 0);
    CHECK(remote.seen);
}

void test_get_value() {
    const char* path = "C:\\Programme\\Kavento-Producer";
    raw_write("program_path", REG_SZ, path, DWORD(strlen(path) + 1));
    int32_t number = 12010;
    raw_write("version_number", REG_DWORD, &number, 4);
    number = -42;
    raw_write("negative", REG_DWORD, &number, 4);

    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "version_number", ""), 0L);
    CHECK_EQ(reg_last_value(), std::string("12010"));
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "negative", ""), 0L);
    CHECK_EQ(reg_last_value(), std::string("-42"));
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, "\\SOFTWARE\\KvRegistryTest", "program_path", ""),
             0L);
    CHECK_EQ(reg_last_value(), std::string(path));

    // Failures keep the text of the last successful read.
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "no_such_value", ""),
             long(ERROR_FILE_NOT_FOUND));
    CHECK_EQ(reg_last_value(), std::string(path));
    CHECK(reg_get_value(kHkeyLocalMachine, "SOFTWARE\\KvNoSuchKey", "x", "") != 0);
    CHECK_EQ(reg_last_value(), std::string(path));

    // The buffer holds 255 bytes: 254 characters and the zero fit, one more does not.
    std::string longest(254, 'L');
    raw_write("longest", REG_SZ, longest.c_str(), 255);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "longest", ""), 0L);
    CHECK_EQ(reg_last_value(), longest);
    std::string too_long(255, 'T');
    raw_write("too_long", REG_SZ, too_long.c_str(), 256);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "too_long", ""), long(ERROR_MORE_DATA));
    CHECK_EQ(reg_last_value(), longest);
    std::string huge(299, 'H');
    raw_write("huge", REG_SZ, huge.c_str(), 300);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "huge", ""), 234L);
    CHECK_EQ(reg_last_value(), longest);

    // Malformed string values: no zero byte, or no data at all.
    raw_write("unterminated", REG_SZ, "abc", 3);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "unterminated", ""), 0L);
    CHECK_EQ(reg_last_value(), std::string("abc"));
    raw_write("empty", REG_SZ, "", 0);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "empty", ""), 0L);
    CHECK_EQ(reg_last_value(), std::string(""));
    // Exactly the buffer without a zero: the system may want room for one it adds (Wine does)
    // and refuse; either way the text is the whole value or the old one, nothing beyond.
    std::string full(255, 'F');
    raw_write("full", REG_SZ, full.c_str(), 255);
    long status = reg_get_value(kHkeyLocalMachine, kKey, "full", "");
    CHECK(status == 0 || status == ERROR_MORE_DATA);
    CHECK_EQ(reg_last_value(), status == 0 ? full : std::string(""));

    // Other types leave the text alone.
    raw_write("version_number", REG_DWORD, &number, 4);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "version_number", ""), 0L);
    const BYTE binary[3] = {1, 2, 3};
    raw_write("binary_value", REG_BINARY, binary, 3);
    CHECK_EQ(reg_get_value(kHkeyLocalMachine, kKey, "binary_value", ""), 0L);
    CHECK_EQ(reg_last_value(), std::string("-42"));
}

void test_write_value() {
    // Every missing key of the path is created, and the empty name is the default value.
    const char* command = "\"C:\\Programme\\Kavento-Producer\\Kav-Player.exe\" \"%1\"";
    reg_write_value(kHkeyClassesRoot, "KvTestDocument\\shell\\open\\command", "", kRegSz, command,
                    uint32_t(strlen(command) + 1));
    RawValue value = raw_read(HKEY_CLASSES_ROOT, "KvTestDocument\\shell\\open\\command", "");
    CHECK_EQ(value.status, 0L);
    CHECK_EQ(value.type, DWORD(REG_SZ));
    CHECK(value.data.size() == strlen(command) + 1 &&
          memcmp(value.data.data(), command, value.data.size()) == 0);

    int32_t flags = 0x10000;
    CHECK_EQ(reg_write_value(kHkeyClassesRoot, "KvTestDocument", "EditFlags", kRegDword, &flags, 4),
             1);
    CHECK_EQ(raw_dword(raw_read(HKEY_CLASSES_ROOT, "KvTestDocument", "EditFlags")), 0x10000);
    CHECK_EQ(reg_write_value(kHkeyClassesRoot, "KvTestDocument", "x", kRegSz, nullptr, 4), 0);
}

void test_delete_value() {
    CHECK_EQ(reg_delete_value(kHkeyLocalMachine, "SOFTWARE\\KvNoSuchKey\\", "x"), 0);
    CHECK(!raw_key_exists(kMachine, "SOFTWARE\\KvNoSuchKey"));
    CHECK_EQ(reg_delete_value(kHkeyLocalMachine, kKey, "program_path"), 1);
    CHECK_EQ(raw_read(kMachine, kKey, "program_path").status, LONG(ERROR_FILE_NOT_FOUND));
    CHECK_EQ(reg_delete_value(kHkeyLocalMachine, kKey, "program_path"), 0);
}

} // namespace

int main() {
    test_keys();
    test_set_value();
    test_set_value_missing_key();
    test_get_value();
    test_write_value();
    test_delete_value();
    return check_report();
}
