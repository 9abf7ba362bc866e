#include "payload/pack.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include "core/session.h"
#include "install/keep.h"
#include "install/undo.h"
#include "log/log_file.h"
#include "payload/embedded.h"
#include "payload/pack_format.h"
#include "services/file_services.h"
#include "services/system_paths.h"

namespace {

// The one pack reader of the process: its own handle, not a numbered file, so that the files
// written meanwhile through file number 0 do not disturb it.
struct PackReader {
    HANDLE handle = INVALID_HANDLE_VALUE;
    uint8_t* entry = nullptr;
    int32_t entry_size = -1;
    int entry_ok = 0;
    // Set while the handle is the pack file that write_pack_file made: its path and the bytes
    // written into it, which reading it back must find again.
    std::string made_path;
    const uint8_t* made_bytes = nullptr;
    uint32_t made_length = 0;
};
PackReader reader;

// Another program may put its own file back between our removal of the name and our creation,
// or hold it for a moment while it does: a few more rounds, each after a pause when the removal
// failed, before the creation counts as failed.
constexpr int kCreateAttempts = 10;
constexpr DWORD kRetryPauseMs = 20;

void release_entry() {
    std::free(reader.entry);
    reader.entry = nullptr;
}

// Created only where no file stands, so that no link is ever followed, and opened without any
// sharing: until our handle is closed no other program can open it, so none can write, rename or
// delete it. Closing deletes it, except on the 95 family, where a deletion on close is not to be
// relied on: there pack_close deletes it by name.
HANDLE create_pack(const std::string& path) {
    const DWORD flags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN |
                        (ansi_system() ? 0 : FILE_FLAG_DELETE_ON_CLOSE);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, flags, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return handle;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
        if (!file_remove_name(path)) Sleep(kRetryPauseMs);
    }
    return INVALID_HANDLE_VALUE;
}

// Reads exactly count bytes; a short read (the file ends) or a failed one is false.
bool read_exactly(void* buffer, DWORD count, DWORD& got) {
    got = 0;
    while (got < count) {
        DWORD n = 0;
        if (!ReadFile(reader.handle, static_cast<uint8_t*>(buffer) + got, count - got, &n, nullptr))
            return false;
        if (n == 0) return false;
        got += n;
    }
    return true;
}

bool rewind() {
    return SetFilePointer(reader.handle, 0, nullptr, FILE_BEGIN) == 0;
}

// What the held pack file holds is the blob written into it, byte for byte and nothing more.
bool holds_made_bytes() {
    if (!rewind()) return false;
    uint8_t chunk[16384];
    DWORD got = 0;
    for (uint32_t at = 0; at < reader.made_length; at += got) {
        const uint32_t left = reader.made_length - at;
        const DWORD want = left < sizeof chunk ? DWORD(left) : DWORD(sizeof chunk);
        if (!read_exactly(chunk, want, got) ||
            std::memcmp(chunk, reader.made_bytes + at, want) != 0)
            return false;
    }
    return !read_exactly(chunk, 1, got) && got == 0 && rewind();
}

// Bytes from the reading position to the end of the pack. The 64-bit forms of these two calls
// do not exist before Windows 2000; all-ones with an error set is how the older ones fail.
uint64_t bytes_left() {
    DWORD size_high = 0;
    SetLastError(NO_ERROR);
    DWORD size_low = GetFileSize(reader.handle, &size_high);
    if (size_low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    LONG position_high = 0;
    SetLastError(NO_ERROR);
    DWORD position_low = SetFilePointer(reader.handle, 0, &position_high, FILE_CURRENT);
    if (position_low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 0;
    uint64_t size = (uint64_t(size_high) << 32) | size_low;
    uint64_t position = (uint64_t(DWORD(position_high)) << 32) | position_low;
    return position > size ? 0 : size - position;
}

} // namespace

int write_pack_file(const std::string& path, const uint8_t* blob, uint32_t length,
                    void (*after_create)()) {
    pack_close();
    const HANDLE handle = create_pack(path);
    if (handle == INVALID_HANDLE_VALUE) return 0;
    reader.handle = handle;
    reader.made_path = path;
    reader.made_bytes = blob;
    reader.made_length = length;
    if (after_create) after_create();
    // A full disk leaves a short pack; reading it back would install damaged files.
    DWORD written = 0;
    if (!WriteFile(handle, blob, length, &written, nullptr) || written != length) {
        pack_close();
        return 0;
    }
    return 1;
}

int pack_open(const std::string& path) {
    reader.entry_size = -1;
    reader.entry_ok = 0;
    enter_installer_folder();
    if (reader.handle != INVALID_HANDLE_VALUE && !reader.made_path.empty() &&
        path == reader.made_path) {
        release_entry();
        if (holds_made_bytes()) return 1;
        pack_close();
        return 0;
    }
    pack_close();
    reader.handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return reader.handle != INVALID_HANDLE_VALUE ? 1 : 0;
}

const uint8_t* pack_next_entry() {
    reader.entry_size = -1;
    reader.entry_ok = 0;
    if (reader.handle == INVALID_HANDLE_VALUE) return nullptr;

    uint8_t header_bytes[kEntryHeaderSize];
    DWORD got = 0;
    if (!read_exactly(header_bytes, sizeof header_bytes, got)) return nullptr;
    release_entry();
    const EntryHeader header = parse_entry_header(header_bytes);
    // A size near 4 GiB would wrap size + 1 below; a packed size beyond the end of the pack is a
    // truncated pack. Either way there is nothing to allocate for.
    if (!entry_sizes_allowed(header) || header.packed_size > bytes_left()) return nullptr;

    // One spare byte so that an empty entry still has a buffer to point at.
    reader.entry = static_cast<uint8_t*>(std::malloc(size_t(header.unpacked_size) + 1));
    if (!reader.entry) return nullptr;
    uint8_t* packed = entry_is_stored(header)
                          ? reader.entry
                          : static_cast<uint8_t*>(std::malloc(size_t(header.packed_size) + 1));
    if (!packed) {
        release_entry();
        return nullptr;
    }

    // A stream that decodes to anything but its declared size, or fails its check value, must
    // not be taken for the file it stands for.
    const bool ok =
        read_exactly(packed, header.packed_size, got) && unpack_entry(header, packed, reader.entry);
    if (packed != reader.entry) std::free(packed);
    if (!ok) {
        release_entry();
        return nullptr;
    }
    reader.entry_size = int32_t(header.unpacked_size);
    reader.entry_ok = 1;
    return reader.entry;
}

int32_t pack_entry_size() {
    return reader.handle != INVALID_HANDLE_VALUE ? reader.entry_size : -1;
}

int pack_entry_ok() {
    return reader.handle != INVALID_HANDLE_VALUE ? reader.entry_ok : 0;
}

void pack_close() {
    if (reader.handle != INVALID_HANDLE_VALUE) CloseHandle(reader.handle);
    reader.handle = INVALID_HANDLE_VALUE;
    // Closing deleted it, but where that is not to be relied on.
    if (!reader.made_path.empty() && ansi_system()) file_delete(reader.made_path);
    reader.made_path.clear();
    reader.made_bytes = nullptr;
    reader.made_length = 0;
    release_entry();
    reader.entry_size = -1;
    reader.entry_ok = 0;
}

int read_file_list() {
    const uint8_t* bytes = pack_next_entry();
    if (!bytes) return 0;
    for (std::string& name : parse_file_name_list(bytes, size_t(pack_entry_size())))
        session.file_name_list.push_back(std::move(name));
    return 1;
}

int install_payload_files(const std::string& target, std::string& failed_path, void (*advance)()) {
    for (const std::string& name : session.file_name_list) {
        const std::string path = target + name;
        // A listed name is put behind the target folder as it is; one that is not a plain file
        // name could reach outside it. The file of an earlier installation is kept, not
        // overwritten, so that a failed update can put it back.
        // Recorded before it is made: the roll-back then removes a damaged file too.
        if (!is_bare_file_name(name) || !keep_file(path) || !undo_before(kTagDeleteFile, path)) {
            failed_path = path;
            return 0;
        }
        if (!file_create(0, path)) {
            undo_forget_newest();
            failed_path = path;
            return 0;
        }
        if (&name != &session.file_name_list.front()) stop_point("unpacking");
        const uint8_t* bytes = pack_next_entry();
        const int32_t size = pack_entry_size();
        bool good = bytes != nullptr;
        if (good && size > 0) good = file_write_data(bytes, uint32_t(size)) != 0;
        file_close(0);
        if (!good) {
            failed_path = path;
            return 0;
        }
        if (advance) advance();
    }
    return 1;
}

LibraryResult extract_embedded_library(const std::string& target) {
    const std::string host_path = target + kLibraryHostName;
    const std::string library_path = target + kLibraryFileName;
    if (!file_open_read(0, host_path)) return LibraryResult::kToolNotOpened;
    const int32_t size = file_size();
    uint8_t* host = size > 0 ? static_cast<uint8_t*>(std::malloc(size_t(size))) : nullptr;
    const bool read_whole = host && file_read_data(host, uint32_t(size)) == uint32_t(size);
    file_close(0);
    if (size > 0 && !read_whole) {
        std::free(host);
        return LibraryResult::kToolNotOpened;
    }

    const bool recorded = keep_file(library_path) && undo_before(kTagDeleteFile, library_path);
    if (!recorded || !file_create(0, library_path)) {
        if (recorded) undo_forget_newest();
        std::free(host);
        return LibraryResult::kLibraryNotCreated;
    }

    bool written = true;
    const int64_t at =
        find_signature(host, size > 0 ? size_t(size) : 0, library_signature(), kSignatureLength);
    if (at >= 0) {
        const size_t count = library_copy_length(size_t(size), size_t(at), library_length());
        if (count > 0) written = file_write_data(host + at, uint32_t(count)) != 0;
    }
    file_close(0);
    std::free(host);
    return written ? LibraryResult::kOk : LibraryResult::kLibraryNotCreated;
}
