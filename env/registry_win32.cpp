// The registry layer: seven self-contained operations. Each opens or creates the one key it needs
// and closes it again; the only state kept between calls is the last-value text.
#include <windows.h>
#include <cstring>
#include "env/registry.h"
#include "env/registry_rules.h"
#include "ui/dialogs.h"

namespace {

std::string last_value;

// A root handle for the operation: the predefined root itself, or a connection to another
// computer's registry (closed by the destructor; the operation needs it for one call only).
// A failed connection leaves a null root, so the open or create that follows fails too.
struct RootHandle {
    HKEY key = nullptr;
    bool remote = false;
    RootHandle(RegRoot root, const std::string& computer) {
        if (computer.empty()) {
            key = HKEY(ULONG_PTR(root));
        } else {
            remote = true;
            if (RegConnectRegistryA(computer.c_str(), HKEY(ULONG_PTR(root)), &key) != ERROR_SUCCESS)
                key = nullptr;
        }
    }
    ~RootHandle() {
        if (remote && key) RegCloseKey(key);
    }
    RootHandle(const RootHandle&) = delete;
    RootHandle& operator=(const RootHandle&) = delete;
};

LONG open_key(const RootHandle& root, const std::string& sub_key, HKEY* key) {
    *key = nullptr;
    if (!root.key) return ERROR_BAD_NETPATH;
    return RegOpenKeyExA(root.key, sub_key.c_str(), 0, KEY_ALL_ACCESS, key);
}

LONG create_key(HKEY root, const std::string& sub_key, HKEY* key) {
    *key = nullptr;
    if (!root) return ERROR_BAD_NETPATH;
    DWORD disposition = 0;
    return RegCreateKeyExA(root, sub_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, key, &disposition);
}

} // namespace

int reg_delete_key(RegRoot root, const std::string& sub_key) {
    return RegDeleteKeyA(HKEY(ULONG_PTR(root)), sub_key.c_str()) == ERROR_SUCCESS ? 1 : 0;
}

int reg_delete_value(RegRoot root, const std::string& sub_key, const std::string& value_name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY(ULONG_PTR(root)), sub_key.c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return 0;
    LONG status = RegDeleteValueA(key, value_name.c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int reg_key_exists(RegRoot root, const std::string& sub_key, const std::string& computer) {
    RootHandle base(root, computer);
    HKEY key = nullptr;
    if (open_key(base, without_leading_backslash(sub_key), &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

int reg_create_key(RegRoot root, const std::string& sub_key, const std::string& computer) {
    RootHandle base(root, computer);
    HKEY key = nullptr;
    if (create_key(base.key, without_leading_backslash(sub_key), &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

int reg_set_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                  const std::string& value_text, uint32_t type, const std::string& computer) {
    RootHandle base(root, computer);
    HKEY key = nullptr;
    if (open_key(base, without_leading_backslash(sub_key), &key) != ERROR_SUCCESS) {
        message_box("Fehler", "Ein Fehler ist aufgetreten", kButtonsOk);
        return 0;
    }
    LONG status = ERROR_INVALID_PARAMETER; // no other value type is written from a text
    if (type == kRegSz) {
        status = RegSetValueExA(key, value_name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value_text.c_str()),
                                DWORD(value_text.size() + 1));
    } else if (type == kRegDword) {
        int32_t number = parse_whole_number(value_text);
        status = RegSetValueExA(key, value_name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    RegCloseKey(key);
    // A refused write is a failure too, though without a message: the caller names what failed.
    return status == ERROR_SUCCESS ? 1 : 0;
}

long reg_get_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                   const std::string& computer, uint32_t* value_type) {
    RootHandle base(root, computer);
    HKEY key = nullptr;
    LONG status = open_key(base, without_leading_backslash(sub_key), &key);
    if (status != ERROR_SUCCESS) return status;

    char buffer[kRegValueBufferSize];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    status = RegQueryValueExA(key, value_name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer), &size);
    if (status == ERROR_SUCCESS) {
        if (type == REG_SZ) {
            status = RegQueryValueExA(key, value_name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(buffer), &size);
            last_value = status == ERROR_SUCCESS ? text_of_string_value(buffer, size) : "";
        } else if (type == REG_DWORD) {
            int32_t number = 0; // a shorter value than four bytes fills only its part
            DWORD number_size = sizeof number;
            status = RegQueryValueExA(key, value_name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(&number), &number_size);
            last_value = status == ERROR_SUCCESS ? decimal_text(number) : "0";
        }
        if (value_type) *value_type = type;
    }
    RegCloseKey(key);
    return status;
}

int reg_write_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                    uint32_t type, const void* data, uint32_t size) {
    if (!data && size) return 0;
    HKEY key = nullptr;
    if (create_key(HKEY(ULONG_PTR(root)), sub_key, &key) != ERROR_SUCCESS) return 0;
    LONG status =
        RegSetValueExA(key, value_name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}

long reg_open_status(RegRoot root, const std::string& sub_key) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY(ULONG_PTR(root)), sub_key.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
}

long reg_read_raw(RegRoot root, const std::string& sub_key, const std::string& value_name,
                  uint32_t& type, std::string& data) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY(ULONG_PTR(root)), sub_key.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    // The size is asked first; a value that grows in between is asked for again.
    for (int round = 0; round < 4; ++round) {
        DWORD value_type = 0;
        DWORD size = 0;
        status = RegQueryValueExA(key, value_name.c_str(), nullptr, &value_type, nullptr, &size);
        if (status != ERROR_SUCCESS) break;
        data.assign(size, '\0');
        status = RegQueryValueExA(key, value_name.c_str(), nullptr, &value_type,
                                  reinterpret_cast<BYTE*>(&data[0]), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            type = value_type;
        }
        break;
    }
    RegCloseKey(key);
    return status;
}

const std::string& reg_last_value() {
    return last_value;
}
