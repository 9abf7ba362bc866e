#include "log/journal.h"

#include <algorithm>
#include <cstring>
#include "env/registry_rules.h"
#include "log/document_types.h"
#include "log/log_lines.h"
#include "log/product.h"
#include "services/text_rules.h"

namespace {

const char kMagic[3] = {'K', 'J', '1'};

void put_word(std::string& out, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((word >> shift) & 0xFF);
}

void put_field(std::string& out, const std::string& field) {
    put_word(out, uint32_t(field.size()));
    out += field;
}

// Reads from bytes at at; every length is checked against what is left, so no sum can wrap.
bool take_word(const std::string& bytes, size_t& at, uint32_t& word) {
    if (bytes.size() - at < 4) return false;
    word = 0;
    for (int i = 3; i >= 0; --i)
        word = word << 8 | static_cast<unsigned char>(bytes[at + size_t(i)]);
    at += 4;
    return true;
}

bool take_field(const std::string& bytes, size_t& at, std::string& field) {
    uint32_t length = 0;
    if (!take_word(bytes, at, length) || length > kMaxJournalField || bytes.size() - at < length)
        return false;
    field.assign(bytes, at, length);
    at += length;
    return true;
}

bool is_journal_tag(const std::string& tag) {
    for (const char* known : {kTagRunInstall, kTagRunUninstall, kTagTargetFolder, kTagDone,
                              kTagDeletePackFile, kTagRemoveFile})
        if (tag == known) return true;
    return undo_kind(tag) != UndoKind::kNone;
}

bool is_product_file(const std::string& path, const ProductPlaces& places) {
    return is_product_log_line(kTagDeleteFile + path, places);
}

// Whether name is a file's name, ".~kv", then digits (a kept copy) or, with log_temp, the
// temporary name's letter.
bool is_copy_name(const std::string& name, const std::string& original, bool log_temp) {
    const std::string mark = original + ".~kv";
    if (name.size() <= mark.size() || name.compare(0, mark.size(), mark) != 0) return false;
    const std::string suffix = name.substr(mark.size());
    if (log_temp && suffix == kLogTempSuffix + 4) return true;
    bool digits = suffix.size() <= 3;
    for (char c : suffix)
        digits &= c >= '0' && c <= '9';
    return digits;
}

// A kept copy, or the log's temporary name, beside a product file.
bool is_copy_beside_product_file(const std::string& path, const ProductPlaces& places) {
    const size_t mark = path.rfind(".~kv");
    return mark != std::string::npos && is_copy_name(path, path.substr(0, mark), true) &&
           is_product_file(path.substr(0, mark), places);
}

// The document types' registry entries, in both layouts: a value that a registration writes, or
// a key on the way to one (a run records each key it had to make; undoing removes it only when it
// is empty again).
bool is_file_type_place(const UndoAction& action, bool key) {
    for (uint32_t version : {0u, 0x00010000u})
        for (const DocumentType& type : kDocumentTypes)
            for (const FileTypeWrite& w :
                 file_type_writes(version, type.extension, type.description, "p", "i", kPlayerExe,
                                  kOpenVerb, kOpenVerb)) {
                if (w.root != action.detail.root) continue;
                if (!key && equal_ignoring_case(w.sub_key, action.argument) &&
                    equal_ignoring_case(w.value_name, action.detail.value_name))
                    return true;
                if (key)
                    for (const std::string& prefix : key_path_prefixes(w.sub_key))
                        if (equal_ignoring_case(prefix, action.argument)) return true;
            }
    return false;
}

// A value of the product's key, or of its entry in the system's list, which an update rewrites
// value by value.
bool is_product_value(const UndoAction& action, const ProductPlaces& places) {
    return action.detail.root == kHkeyLocalMachine &&
           (is_uninstall_entry_key(without_trailing_backslash(action.argument)) ||
            is_product_log_line(kTagDeleteRegValue + with_trailing_backslash(action.argument) +
                                    action.detail.value_name,
                                places));
}

// Whether an installation's record may be carried out by the next start.
bool is_admitted(const UndoAction& action, const ProductPlaces& places,
                 const std::string& pack_path) {
    switch (undo_kind(action.tag)) {
    case UndoKind::kDeleteFile:
    case UndoKind::kDeleteDirectory:
    case UndoKind::kDeleteRegKey:
    case UndoKind::kDeleteRegValue:
        return is_product_log_line(log_line_text(action), places);
    case UndoKind::kRestoreFile:
        return is_product_file(action.argument, places) &&
               is_copy_name(action.detail.kept_path, action.argument, false);
    case UndoKind::kRestoreRegValue:
    case UndoKind::kRemoveRegValue:
        return is_product_value(action, places) || is_file_type_place(action, false);
    case UndoKind::kRemoveRegKey:
        return is_file_type_place(action, true);
    case UndoKind::kRemoveFile:
        return is_copy_beside_product_file(action.argument, places);
    case UndoKind::kNone:
        break;
    }
    return action.tag == kTagDeletePackFile && !pack_path.empty() && action.argument == pack_path;
}

} // namespace

std::string encode_journal_record(const UndoAction& action) {
    std::string out(kMagic, sizeof kMagic);
    put_word(out, action.detail.root);
    put_word(out, action.detail.value_type);
    for (const std::string* field : {&action.tag, &action.argument, &action.detail.kept_path,
                                     &action.detail.value_name, &action.detail.value_data})
        put_field(out, *field);
    return out;
}

bool decode_journal_record(const std::string& bytes, UndoAction& action) {
    if (bytes.size() < sizeof kMagic || bytes.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
        return false;
    size_t at = sizeof kMagic;
    UndoAction read;
    if (!take_word(bytes, at, read.detail.root) || !take_word(bytes, at, read.detail.value_type))
        return false;
    for (std::string* field : {&read.tag, &read.argument, &read.detail.kept_path,
                               &read.detail.value_name, &read.detail.value_data})
        if (!take_field(bytes, at, *field)) return false;
    if (at != bytes.size() || !is_journal_tag(read.tag)) return false;
    action = std::move(read);
    return true;
}

std::string journal_target_folder(const std::vector<UndoAction>& records) {
    for (const UndoAction& record : records)
        if (record.tag == kTagTargetFolder || record.tag == kTagRunUninstall)
            return without_trailing_backslash(record.argument);
    return std::string();
}

RecoveryPlan plan_recovery(const std::vector<UndoAction>& records, const ProductPlaces& places,
                           const std::string& pack_path) {
    RecoveryPlan plan;
    if (records.empty()) return plan;
    plan.target_folder = journal_target_folder(records);
    const std::string& first = records.front().tag;
    if (first == kTagRunUninstall) {
        plan.kind = RecoveryKind::kFinishUninstall;
        for (size_t i = 1; i < records.size(); ++i) {
            const std::string line = log_line_text(records[i]);
            if (is_product_log_line(line, places))
                plan.uninstall_log += line + "\r\n";
            else
                ++plan.refused;
        }
        return plan;
    }
    if (first != kTagRunInstall) return plan;
    bool done = false;
    for (const UndoAction& record : records)
        done |= record.tag == kTagDone;
    plan.kind = done ? RecoveryKind::kFinishInstall : RecoveryKind::kUndoInstall;
    for (size_t i = 1; i < records.size(); ++i) {
        const UndoAction& record = records[i];
        if (record.tag == kTagTargetFolder || record.tag == kTagDone) continue;
        if (!is_admitted(record, places, pack_path)) {
            ++plan.refused;
            continue;
        }
        if (!done)
            // The pack file's own record does nothing in a roll-back, where closing the pack
            // deletes it; here nothing holds it any more.
            plan.undo.push_back(record.tag == kTagDeletePackFile
                                    ? UndoAction{kTagRemoveFile, record.argument}
                                    : record);
        else if (undo_kind(record.tag) == UndoKind::kRestoreFile)
            plan.kept_files.push_back(record.detail.kept_path);
        else if (record.tag == kTagRemoveFile)
            plan.kept_files.push_back(record.argument);
    }
    // Newest first, as the roll-back takes its list.
    std::reverse(plan.undo.begin(), plan.undo.end());
    return plan;
}

const char* recovery_message(RecoveryKind kind) {
    switch (kind) {
    case RecoveryKind::kUndoInstall:
        return "Eine unterbrochene Installation der Programme Kavento-Producer und "
               "Kavento-Player wurde rückgängig gemacht.";
    case RecoveryKind::kFinishInstall:
        return "Eine unterbrochene Installation der Programme Kavento-Producer und "
               "Kavento-Player wurde abgeschlossen.";
    case RecoveryKind::kFinishUninstall:
        return "Eine unterbrochene Deinstallation der Programme Kavento-Producer und "
               "Kavento-Player wurde abgeschlossen.";
    case RecoveryKind::kNone:
        break;
    }
    return "";
}

std::string kept_file_path(const std::string& original, int attempt) {
    return original + ".~kv" + std::to_string(attempt);
}
