// The pack file: the payload blob written to the temp folder, read back one entry at a time.
#pragma once
#include <cstdint>
#include <string>

// Writes blob (length bytes, which must outlive the pack) to a new file at path and keeps it
// open; nonzero when created and fully written. Whatever stands at path, file or link, is removed
// first, never written through. From its creation until pack_close the file is held so that no
// other program can open it (and so write, rename or delete it), and closing it deletes it, on
// every way out of the process; only on the systems without that (95, 98, Me) does pack_close
// delete it by name. after_create (may be null) runs between the creation and the write, where
// the installation page advances its progress bar.
int write_pack_file(const std::string& path, const uint8_t* blob, uint32_t length,
                    void (*after_create)() = nullptr);
// Opens the pack at path for reading from its first entry. The pack that write_pack_file holds is
// not opened again by name: it is read back through its handle and must hold exactly the blob
// written, or it is closed (and with that deleted) and the result is 0.
int pack_open(const std::string& path);
// The entry's bytes (owned by the reader, valid until the next read or pack_close), or nullptr at
// the end or on a bad entry: truncated, unreadable, or a stream that does not decode to its
// declared size with a matching check value.
const uint8_t* pack_next_entry();
int32_t pack_entry_size(); // size of the entry read last; -1 without one or without a pack
// Nonzero when the entry read last was good (read whole, decoded, check value matched).
int pack_entry_ok();
// Closes the pack; the one that write_pack_file made goes with it.
void pack_close();

// Reads entry 0 and appends its names to session.file_name_list. Nonzero on success.
int read_file_list();
// Writes one entry per listed name into target (ending in "\"). On failure returns 0 and sets
// failed_path to the file that could not be made: a name that is not a bare file name, an
// existing file that cannot be kept aside, a file that cannot be created, a missing or bad entry,
// a short write. A file that was created is
// recorded for deletion even when its entry failed. advance (may be null) is called after each
// file.
int install_payload_files(const std::string& target, std::string& failed_path, void (*advance)());

// Cuts fmod.dll out of target + "Kav-Producer.exe". tool_not_opened also when the tool cannot be
// read whole; library_not_created also when an existing fmod.dll cannot be kept aside, and on a
// short write. Without the signature in the tool,
// fmod.dll stays empty and the result is ok.
enum class LibraryResult { kOk, kToolNotOpened, kLibraryNotCreated };
LibraryResult extract_embedded_library(const std::string& target);
