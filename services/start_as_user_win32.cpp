// The way to the desktop's shell: the shell's list of its windows names the desktop; the desktop's
// browser gives its folder view, whose scripting object is the shell's own application object,
// which starts programs in the shell's process.
#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <vector>
#include "services/start_as_user.h"
#include "services/system_library.h"
#include "services/system_paths.h"

namespace {

// The service that gives a window's top-level browser.
const GUID kTopLevelBrowser = {
    0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// Released when it goes out of scope.
template <class Interface> struct Held {
    Interface* p = nullptr;
    ~Held() {
        if (p) p->Release();
    }
    void** out() { return reinterpret_cast<void**>(&p); }
};

using SysAllocStringCall = BSTR(WINAPI*)(const OLECHAR*);
using SysFreeStringCall = void(WINAPI*)(BSTR);

// The texts of a request that crosses into the shell's process: system strings, which only the
// automation library allocates. Loaded from the system folder, looked up at run time.
struct Texts {
    SysAllocStringCall allocate = nullptr;
    SysFreeStringCall free = nullptr;
    BSTR file = nullptr, arguments = nullptr, folder = nullptr, verb = nullptr;
    ~Texts() {
        for (BSTR text : {file, arguments, folder, verb})
            if (text) free(text);
    }
    BSTR make(const std::string& ansi) {
        // A vector, not a wide string: that one would link the runtime's whole wide-string code.
        std::vector<wchar_t> wide(ansi.size() + 1, L'\0');
        if (!ansi.empty() && MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), int(ansi.size()),
                                                 wide.data(), int(ansi.size())) <= 0)
            return nullptr;
        return allocate(wide.data());
    }
};

VARIANT text_variant(BSTR text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

VARIANT number_variant(LONG number) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = number;
    return v;
}

bool ask_shell(const std::string& program, const std::string& working_folder) {
    Held<IShellWindows> windows;
    if (FAILED(CoCreateInstance(__uuidof(ShellWindows), nullptr, CLSCTX_ALL,
                                __uuidof(IShellWindows), windows.out())))
        return false;
    VARIANT desktop = number_variant(CSIDL_DESKTOP);
    VARIANT no_root;
    no_root.vt = VT_EMPTY;
    LONG window = 0;
    Held<IDispatch> found;
    if (windows.p->FindWindowSW(&desktop, &no_root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                &found.p) != S_OK ||
        !found.p)
        return false;
    Held<IServiceProvider> services;
    Held<IShellBrowser> browser;
    Held<IShellView> view;
    Held<IDispatch> background;
    Held<IShellFolderViewDual> folder_view;
    Held<IDispatch> application;
    Held<IShellDispatch2> shell;
    if (FAILED(found.p->QueryInterface(__uuidof(IServiceProvider), services.out())) ||
        FAILED(
            services.p->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser), browser.out())) ||
        FAILED(browser.p->QueryActiveShellView(&view.p)) || !view.p ||
        FAILED(view.p->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.out())) ||
        FAILED(background.p->QueryInterface(__uuidof(IShellFolderViewDual), folder_view.out())) ||
        FAILED(folder_view.p->get_Application(&application.p)) || !application.p ||
        FAILED(application.p->QueryInterface(__uuidof(IShellDispatch2), shell.out())))
        return false;

    Texts texts;
    HMODULE automation = load_system_library("oleaut32.dll");
    texts.allocate = optional_function<SysAllocStringCall>(automation, "SysAllocString");
    texts.free = optional_function<SysFreeStringCall>(automation, "SysFreeString");
    if (!texts.allocate || !texts.free) return false;
    texts.file = texts.make(program);
    texts.arguments = texts.make("");
    texts.folder = texts.make(working_folder);
    texts.verb = texts.make("open");
    if (!texts.file || !texts.arguments || !texts.folder || !texts.verb) return false;
    return SUCCEEDED(shell.p->ShellExecute(texts.file, text_variant(texts.arguments),
                                           text_variant(texts.folder), text_variant(texts.verb),
                                           number_variant(SW_SHOWNORMAL)));
}

} // namespace

bool start_as_signed_in_user(const std::string& program, const std::string& working_folder) {
    if (ansi_system()) return false;
    const HRESULT started = CoInitialize(nullptr);
    if (FAILED(started)) return false;
    const bool asked = ask_shell(program, working_folder);
    CoUninitialize();
    return asked;
}
