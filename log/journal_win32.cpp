#include "log/journal.h"

#include <windows.h>
#include "services/system_paths.h"
#include "services/text_rules.h"

namespace {

// Far above what an installation writes (a few dozen records): a journal longer than this is not
// one that a run of ours wrote.
constexpr uint32_t kMaxJournalRecords = 4096;

HKEY g_journal = nullptr;
uint32_t g_records = 0;

std::string record_name(uint32_t number) {
    return std::to_string(number);
}

} // namespace

int journal_begin(const UndoAction& first) {
    journal_end();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return 0;
    g_journal = key;
    g_records = 0;
    return journal_append(first);
}

int journal_append(const UndoAction& action) {
    if (!g_journal) return 1;
    const std::string bytes = encode_journal_record(action);
    const std::string name = record_name(++g_records);
    if (RegSetValueExA(g_journal, name.c_str(), 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(bytes.data()),
                       DWORD(bytes.size())) != ERROR_SUCCESS)
        return 0;
    // Written through before the change it stands for is made.
    RegFlushKey(g_journal);
    return 1;
}

void journal_end() {
    if (g_journal) RegCloseKey(g_journal);
    g_journal = nullptr;
    g_records = 0;
    // The key holds values only: the NT family deletes it with them, as the 95 family does.
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, kJournalKey) == ERROR_SUCCESS)
        RegFlushKey(HKEY_LOCAL_MACHINE);
}

bool journal_read(std::vector<UndoAction>& records) {
    records.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kJournalKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    for (uint32_t number = 1; number <= kMaxJournalRecords; ++number) {
        const std::string name = record_name(number);
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_BINARY || size > 6 * kMaxJournalField)
            break;
        std::string bytes(size, '\0');
        UndoAction record;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(size ? &bytes[0] : nullptr),
                             &size) != ERROR_SUCCESS ||
            size != bytes.size() || !decode_journal_record(bytes, record))
            break;
        records.push_back(std::move(record));
    }
    RegCloseKey(key);
    return true;
}
