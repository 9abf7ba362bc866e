#include "log/log_file.h"

#include <windows.h>
#include "log/log_lines.h"
#include "services/file_services.h"
#include "services/system_library.h"
#include "services/system_paths.h"

bool write_flushed_file(const std::string& path, const std::string& text) {
    // Whatever stands there (a file left by a run that was cut off, or a link) goes by its name
    // alone, never through it; the new file is then made where nothing stands.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) file_remove_name(path);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Two halves, so that a test can cut the run off between them.
    const DWORD half = DWORD(text.size() / 2);
    DWORD first = 0, second = 0;
    bool ok = WriteFile(file, text.data(), half, &first, nullptr) && first == half;
    if (ok) stop_point("log-mid");
    ok = ok && WriteFile(file, text.data() + half, DWORD(text.size()) - half, &second, nullptr) &&
         second == text.size() - half && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

bool put_in_place(const std::string& from, const std::string& to) {
    using MoveFileExFn = BOOL(WINAPI*)(const char*, const char*, DWORD);
    static const MoveFileExFn move_file_ex =
        optional_function<MoveFileExFn>(GetModuleHandleA("kernel32.dll"), "MoveFileExA");
    if (!ansi_system() && move_file_ex)
        return move_file_ex(from.c_str(), to.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!DeleteFileA(to.c_str()) && GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool replace_whole_file(const std::string& path, const std::string& text) {
    const std::string temp = path + kLogTempSuffix;
    if (write_flushed_file(temp, text) && put_in_place(temp, path)) return true;
    DeleteFileA(temp.c_str());
    return false;
}
