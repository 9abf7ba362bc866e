#include "ui/dialogs.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "ui/folder_chooser.h"
#include "services/system_library.h"
#include "services/system_paths.h"

namespace {

using BrowseForFolder = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);

void* lookup(HMODULE library, const char* name, const char* ansi_name) {
    FARPROC found = GetProcAddress(library, name);
    if (!found) found = GetProcAddress(library, ansi_name);
    return reinterpret_cast<void*>(found);
}

int CALLBACK select_start_folder(HWND chooser, UINT message, LPARAM, LPARAM data) {
    const char* start = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && start && *start)
        SendMessageA(chooser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
    return 0;
}

} // namespace

std::string choose_folder(const std::string& title, const std::string& initial_folder) {
    HMODULE shell = load_system_library("SHELL32.DLL");
    if (!shell) return std::string();
    auto browse =
        reinterpret_cast<BrowseForFolder>(lookup(shell, "SHBrowseForFolder", "SHBrowseForFolderA"));
    if (!browse) {
        FreeLibrary(shell);
        return std::string();
    }

    std::string start = chooser_start_folder(initial_folder);
    BROWSEINFOA info = {};
    HWND owner = static_cast<HWND>(dialog_owner());
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = select_start_folder;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());

    // The resizable chooser is an OLE client: it needs OLE on this thread, which nothing else
    // here keeps running.
    HRESULT ole = OleInitialize(nullptr);
    // Ending a dialog enables its owner whatever state it had (Wine always does): a window that
    // was disabled before the chooser opened must stay disabled.
    bool owner_was_enabled = owner && IsWindowEnabled(owner);
    disable_thread_windows();
    LPITEMIDLIST item = browse(&info);
    enable_thread_windows();
    if (owner && !owner_was_enabled && IsWindow(owner)) EnableWindow(owner, FALSE);

    std::string result;
    if (item) {
        // A folder named in letters the code page lacks comes back by its short form; one
        // without a short form, like an item without a file-system path, gives the empty text,
        // as a cancel does, never a look-alike path that would make a new folder.
        std::string path;
        if (item_list_path(shell, item, path)) result = chooser_result(path);
        // The shell allocates item lists with its task allocator, not GlobalAlloc.
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    FreeLibrary(shell);
    return result;
}
