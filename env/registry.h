// Registry access: seven self-contained operations, each opening and closing its own key.
#pragma once
#include <cstdint>
#include <string>

using RegRoot = uint32_t; // a predefined root key's handle value
inline constexpr RegRoot kHkeyClassesRoot = 0x80000000u;
inline constexpr RegRoot kHkeyCurrentUser = 0x80000001u;
inline constexpr RegRoot kHkeyLocalMachine = 0x80000002u;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegDword = 4;

int reg_delete_key(RegRoot root, const std::string& sub_key);
int reg_delete_value(RegRoot root, const std::string& sub_key, const std::string& value_name);
int reg_key_exists(RegRoot root, const std::string& sub_key, const std::string& computer);
int reg_create_key(RegRoot root, const std::string& sub_key, const std::string& computer);
// Opens (never creates) the key; when it cannot, tells the user "Ein Fehler ist aufgetreten" and
// returns 0. Also 0, without a message, when the system refused the value.
int reg_set_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                  const std::string& value_text, uint32_t type, const std::string& computer);
// The Windows status code; 0 means success and the value is in the last-value text (for a string
// or a number: any other type leaves it alone). A value longer than kRegValueBufferSize is not
// read. value_type, when given, receives the type of a value that was read.
long reg_get_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                   const std::string& computer, uint32_t* value_type = nullptr);
// Creates the key path when missing and writes the raw value; 1 when the value was written.
// Callers may ignore the result: a value that cannot be written is skipped without a word.
int reg_write_value(RegRoot root, const std::string& sub_key, const std::string& value_name,
                    uint32_t type, const void* data, uint32_t size);

// ERROR_FILE_NOT_FOUND: the key or the value does not exist.
inline constexpr long kRegStatusNotFound = 2;
// The status of opening the key for reading (sub key unchanged): 0 when it exists.
long reg_open_status(RegRoot root, const std::string& sub_key);
// Reads a value whole, of any type and length, so that it can be written back exactly (sub key
// unchanged, as reg_write_value takes it). The status: 0 on success, kRegStatusNotFound when the
// key or the value does not exist. The last-value text is left alone.
long reg_read_raw(RegRoot root, const std::string& sub_key, const std::string& value_name,
                  uint32_t& type, std::string& data);

// The last-value text: what the most recent successful reg_get_value read.
const std::string& reg_last_value();
