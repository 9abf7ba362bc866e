// The held folder service against Wine's file system: what a hold refuses to every other opener,
// links refused component by component, folders created held with the access list of Program
// Files (as far as Wine keeps it), and the removal through the hold.
#include <windows.h>
#include <string>
#include "check.h"
#include "services/held_folder.h"
#include "test_files.h"

namespace {

std::string work; // a fresh folder of this run, without final "\"

bool plant_link(const std::string& link, const std::string& to) {
    const LinuxRun run =
        run_linux_command("ln -s '" + unix_path(to) + "' '" + unix_path(link) + "'", 10000);
    return run.finished && run.status == 0;
}

// Each check that a rename or an opening fails is paired with the same attempt after the release,
// which succeeds: it was the hold that refused it, not the path.
void test_hold_refuses_others() {
    const std::string a = work + "\\a", b = a + "\\b";
    HeldPath held;
    CHECK(hold_path(held, b) == HoldResult::kHeld);
    CHECK(!held_completely(held));
    CHECK(create_held_folder(held, false) == HoldResult::kHeld);
    CHECK(create_held_folder(held, false) == HoldResult::kHeld);
    CHECK(held_completely(held));
    CHECK(folder_exists(b));
    CHECK(!MoveFileA(b.c_str(), (a + "\\moved").c_str()));
    CHECK(!MoveFileA(a.c_str(), (work + "\\moved").c_str()));
    CHECK(!RemoveDirectoryA(b.c_str()));
    // What goes inside is not hindered.
    write_all(b + "\\f", "x");
    CHECK(file_exists(b + "\\f"));
    // Not removed while it holds a file; removed through the hold once empty.
    CHECK(!remove_innermost_held(held));
    CHECK(folder_exists(b));
    DeleteFileA((b + "\\f").c_str());
    CHECK(remove_innermost_held(held));
    CHECK(!exists(b));
    release_path(held);
    CHECK(MoveFileA(a.c_str(), (work + "\\moved").c_str()));

    // A held folder that was there before is never removed through the hold.
    const std::string found = work + "\\found";
    CreateDirectoryA(found.c_str(), nullptr);
    CHECK(hold_path(held, found) == HoldResult::kHeld && held_completely(held));
    CHECK(!remove_innermost_held(held));
    CHECK(folder_exists(found));
    release_path(held);
}

void test_links_refused() {
    const std::string real = work + "\\real", link = work + "\\link";
    CreateDirectoryA(real.c_str(), nullptr);
    if (!plant_link(link, real)) {
        CHECK(!"a link could be planted");
        return;
    }
    CHECK(path_has_link(link + "\\x"));
    CHECK(!path_has_link(real + "\\x"));
    HeldPath held;
    CHECK(hold_path(held, link + "\\x") == HoldResult::kLink);
    CHECK(held.holds.empty());
    // A file where a folder of the path must be is refused the same way.
    write_all(work + "\\file", "x");
    CHECK(hold_path(held, work + "\\file\\x") == HoldResult::kLink);
    // A link put where the next folder is to be made, after the check: the creation fails rather
    // than making anything behind the link.
    CHECK(hold_path(held, work + "\\late\\y") == HoldResult::kHeld);
    CHECK(plant_link(work + "\\late", real));
    CHECK(create_held_folder(held, false) == HoldResult::kFailed);
    CHECK(!exists(real + "\\y"));
    release_path(held);
}

// The access list as the system reads it back: whether it grants anything to Everyone.
bool grants_everyone(const std::string& folder) {
    char buffer[4096];
    DWORD needed = 0;
    BOOL present = FALSE, defaulted = FALSE;
    ACL* dacl = nullptr;
    if (!GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer,
                          &needed) ||
        !GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted))
        return true;
    if (!present || !dacl) return true; // no list at all lets everyone in
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return true;
    bool granted = false;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&ace->SidStart, everyone))
            granted = true;
    }
    FreeSid(everyone);
    return granted;
}

// Wine keeps no access list of a folder: it maps the list onto the Unix mode bits and reads back
// one made from them (the owner, SYSTEM, and Everyone for the bits of all others). What the list
// of Program Files leaves there is that all others get nothing, where a folder made without it
// gives Everyone read and execute. Windows keeps the list itself; its layout is checked natively.
void test_access_list_reaches_the_system() {
    HeldPath held;
    hold_path(held, work + "\\listed");
    CHECK(create_held_folder(held, true) == HoldResult::kHeld);
    CHECK(!grants_everyone(work + "\\listed"));
    release_path(held);
    hold_path(held, work + "\\unlisted");
    CHECK(create_held_folder(held, false) == HoldResult::kHeld);
    CHECK(grants_everyone(work + "\\unlisted"));
    release_path(held);
}

} // namespace

int main() {
    work = make_run_folder("kv-held-folder");
    work.pop_back();
    test_hold_refuses_others();
    test_links_refused();
    test_access_list_reaches_the_system();
    return check_report();
}
