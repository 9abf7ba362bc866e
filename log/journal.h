// The journal of a run: before each change the installer (or the uninstaller) writes down what
// would undo it (or finish it), so that a run cut off by a crash, a kill or a power cut is undone
// (or finished) by the next start of either program. A record is an undo action with its detail,
// the same that the roll-back of a reported failure carries out.
//
// The records are kept as the numbered values of one key below HKEY_LOCAL_MACHINE (kJournalKey):
// only administrators may write there on the NT family; it exists before the first change (the
// pack file in the temp folder comes before the target folder, and a custom target folder has no
// record of its own yet); every start finds it without knowing where the run installed; a value is
// written whole or not at all; and no file-system link stands in the way of reading it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "log/product_scope.h"

inline constexpr const char* kJournalKey = "SOFTWARE\\Kavento-Install";

// Records that only the journal holds (never the list's log, never the log). The first record of
// an installation's journal is kTagRunInstall (argument empty); once the target folder is known
// kTagTargetFolder names it (without a final backslash); kTagDone follows the log's replacement:
// from then on the installation is whole, and only its kept copies are left to delete. An
// uninstallation's journal starts with kTagRunUninstall (the installation folder) and then holds
// the log lines that its run carries out.
inline constexpr const char* kTagRunInstall = "*Run install: ";
inline constexpr const char* kTagRunUninstall = "*Run uninstall: ";
inline constexpr const char* kTagTargetFolder = "*Target folder: ";
inline constexpr const char* kTagDone = "*Done: ";

// A record's bytes: "KJ1", then root and value type (32 bits, little-endian), then the tag, the
// argument, the kept path, the value name and the value data, each as a 32-bit length and bytes.
std::string encode_journal_record(const UndoAction& action);
// The reader: false for anything that is not one whole record of a known tag (a field longer than
// kMaxJournalField included). Pure, so that it can be fuzzed as it is.
inline constexpr uint32_t kMaxJournalField = 64u << 10;
bool decode_journal_record(const std::string& bytes, UndoAction& action);

// The target folder that the journal names, or empty.
std::string journal_target_folder(const std::vector<UndoAction>& records);

// Kept names tried in one folder before keeping counts as impossible.
inline constexpr int kKeptNameAttempts = 100;

// The kept name of attempt 1, 2, …: the original's own name with ".~kv" and the number behind
// it, in the same folder, so that putting it back is one rename on the same volume.
std::string kept_file_path(const std::string& original, int attempt);

// When the journal cannot be begun, nothing is changed and the installation fails with this.
inline constexpr const char* kJournalNotCreatedTitle = "Fehler beim Erstellen des Schlüssels";
inline constexpr const char* kJournalNotCreatedText =
    "Der Schlüssel HKEY_LOCAL_MACHINE\\SOFTWARE\\Kavento-Install konnte nicht erstellt werden.";

// What the next start does with a journal left behind.
enum class RecoveryKind {
    kNone,            // no journal, or one without a known first record
    kUndoInstall,     // an installation cut off before its log was in place
    kFinishInstall,   // an installation whose log was in place: only its kept copies are left
    kFinishUninstall, // an uninstallation: its lines are carried out again
};
struct RecoveryPlan {
    RecoveryKind kind = RecoveryKind::kNone;
    std::string target_folder;
    // kUndoInstall: the admitted records, newest first, as the roll-back takes them.
    std::vector<UndoAction> undo;
    // kFinishInstall: the kept copies to delete.
    std::vector<std::string> kept_files;
    // kFinishUninstall: the admitted lines as a log text, in the order they were written.
    std::string uninstall_log;
    size_t refused = 0; // records that name anything but the product's own
};
// The journal is admin-only, yet it is read like the log: a record acts only on the product's own
// places (places, built for journal_target_folder), on the pack file at pack_path, on kept copies
// beside the product's files, and on the document types' registry entries.
RecoveryPlan plan_recovery(const std::vector<UndoAction>& records, const ProductPlaces& places,
                           const std::string& pack_path);

// The texts of the box that tells the user about it.
inline constexpr const char* kRecoveryTitle = "Unterbrochener Vorgang";
const char* recovery_message(RecoveryKind kind);

// Win32. Nonzero on success: the key is made (an old journal there is dropped) and the first
// record written.
int journal_begin(const UndoAction& first);
// Appends a record and flushes the key; nonzero on success. Does nothing without journal_begin.
int journal_append(const UndoAction& action);
// Removes the whole journal: the run is over, rolled back or finished.
void journal_end();
// The records of a journal left by an earlier run, up to the first that cannot be read; false
// when there is none.
bool journal_read(std::vector<UndoAction>& records);
