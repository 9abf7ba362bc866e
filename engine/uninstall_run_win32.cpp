#include "engine/uninstall_run.h"

#include <windows.h>
#include <cstring>

namespace {

bool is_missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

StepOutcome delete_file(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    // A folder where the log names a file is not the thing the installation made.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return StepOutcome::kFailed;
    if (DeleteFileA(path.c_str())) return StepOutcome::kRemoved;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileA(path.c_str())) return StepOutcome::kRemoved;
        SetFileAttributesA(path.c_str(), attributes);
    }
    return StepOutcome::kFailed;
}

bool folder_is_empty(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
            empty = false;
    } while (empty && FindNextFileA(find, &entry));
    FindClose(find);
    return empty;
}

StepOutcome delete_folder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_missing(GetLastError()) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return StepOutcome::kFailed;
    // Checked first, not left to RemoveDirectory: on some file systems and network shares a
    // folder that still holds the user's documents must not depend on the server refusing.
    if (!folder_is_empty(path)) return StepOutcome::kNotEmpty;
    if (RemoveDirectoryA(path.c_str())) return StepOutcome::kRemoved;
    if (GetLastError() == ERROR_DIR_NOT_EMPTY) return StepOutcome::kNotEmpty;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (RemoveDirectoryA(path.c_str())) return StepOutcome::kRemoved;
        SetFileAttributesA(path.c_str(), attributes);
    }
    return StepOutcome::kFailed;
}

StepOutcome delete_reg_key(const std::string& path) {
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
        return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    DWORD sub_keys = 0, values = 0;
    status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return StepOutcome::kFailed;
    // Windows 9x deletes a key with everything below it: checking first keeps other entries.
    if (sub_keys != 0 || values != 0) return StepOutcome::kNotEmpty;
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS ? StepOutcome::kRemoved
                                                                            : StepOutcome::kFailed;
}

StepOutcome delete_reg_value(const std::string& path, const std::string& name) {
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
    status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    if (status == ERROR_SUCCESS) return StepOutcome::kRemoved;
    return is_missing(status) ? StepOutcome::kAlreadyGone : StepOutcome::kFailed;
}

} // namespace

bool read_uninstall_log(const std::string& path, std::string& text) {
    text.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kMaxLogBytes;
    if (ok) {
        text.assign(size, '\0');
        DWORD done = 0;
        while (ok && done < size) {
            DWORD got = 0;
            ok = ReadFile(file, &text[done], size - done, &got, nullptr) && got != 0;
            done += got;
        }
    }
    CloseHandle(file);
    if (!ok) text.clear();
    return ok;
}

StepOutcome perform_uninstall_step(const UninstallStep& step) {
    switch (step.action) {
    case UninstallAction::kDeleteFile:
        return delete_file(step.path);
    case UninstallAction::kDeleteFolder:
        return delete_folder(step.path);
    case UninstallAction::kDeleteRegKey:
        return delete_reg_key(step.path);
    case UninstallAction::kDeleteRegValue:
        return delete_reg_value(step.path, step.value_name);
    case UninstallAction::kSkip:
        break;
    }
    return StepOutcome::kAlreadyGone;
}

std::vector<StepResult> perform_uninstall(const UninstallPlan& plan, unsigned retry_pause_ms) {
    std::vector<StepResult> results;
    bool any_left = false;
    for (const UninstallStep& step : plan.steps) {
        StepResult r{step, perform_uninstall_step(step)};
        any_left |= r.outcome == StepOutcome::kFailed || r.outcome == StepOutcome::kNotEmpty;
        results.push_back(r);
    }
    if (!any_left || retry_pause_ms == 0) return results;
    Sleep(retry_pause_ms);
    for (StepResult& r : results)
        if (r.outcome == StepOutcome::kFailed || r.outcome == StepOutcome::kNotEmpty)
            r.outcome = perform_uninstall_step(r.step);
    return results;
}
