// Holding a folder so that its path keeps naming it.
//
// Our programs run with administrator rights, and a folder below C:\ (or on another drive) that a
// user made is one that every program of that user may change: rename it, or put a link where it
// stood, between our check of a path and our next write through it. A held path shuts that door
// on the NT family:
//   - every component of the path below its root is open in this process, shared for reading and
//     writing but never for deletion: no other program can rename, delete or replace it (a rename
//     or a deletion opens the name for deletion, which the sharing refuses), nor turn an empty one
//     into a link (that needs it open for writing, which the innermost hold also refuses);
//   - each component was found to be a plain folder, no link (reparse point), once it was held, so
//     that the check cannot be outrun: from the hold on, the name is what was checked.
// So a path built on a held folder (held.path + "\" + name) reaches that folder and nothing else,
// until the hold is released. Everything is released when the process ends.
//
// The 95 family has no links, nobody else's rights, and opens no folders: there a hold holds
// nothing (its handles are null), and creating and removing go by name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The folders that a path runs through below its root, from the top down, without final "\":
// "C:\a\b\" gives "C:\a" and "C:\a\b"; "\\server\share\a" gives "\\server\share\a" (the share is
// the root). Doubled backslashes name no folder of their own. Platform-free.
std::vector<std::string> held_path_components(const std::string& path);

// The access list that a folder we create gets on the NT family, the one of Program Files:
// Administrators and SYSTEM full control, Users read and execute, each inherited by sub folders
// and files. The bytes of an ACL as the system lays it out (revision 2, access-allowed entries),
// so that it is built without calls that NT 4 or the 95 family lack. Platform-free.
std::vector<uint8_t> program_files_access_list();

struct HeldPath {
    std::string path;          // the folder the hold is for, without final "\"
    std::vector<void*> holds;  // one per component held, from the top down (null: nothing to hold)
    std::vector<bool> created; // per component held: made by create_held_folder
};

enum class HoldResult {
    kHeld,   // every component that exists is held (held_completely tells whether all exist)
    kLink,   // a component is a link, or a file stands where a folder should: nothing is held
    kFailed, // a component exists but could not be held (no right to list it, held by others)
};

// Whether an existing component of path (the last one included, a file or a folder) is a link.
// By name only: the answer may be out of date at once. For a decision that must last, hold.
bool path_has_link(const std::string& path);

// Holds every component of path that exists, from the top down, and stops at the first that does
// not. Components already held for the same leading path are kept, so that it can be called again
// after the next one was created; a hold for another path is released first.
HoldResult hold_path(HeldPath& held, const std::string& path);
// Every component of held.path exists and is held.
bool held_completely(const HeldPath& held);
// Creates the next missing component of held.path inside the innermost held one and holds it
// (atomically on the NT family: the new folder is opened by its creation, so no other program can
// put anything in its place in between). With access_list, it gets program_files_access_list().
// kFailed when it cannot be created, also when something (a link) stands there by now.
HoldResult create_held_folder(HeldPath& held, bool access_list);
// Removes the innermost held folder when it is empty and was made by create_held_folder, through
// its own handle (so never anything that stands under its name instead), and lets go of it. True
// when it is gone.
bool remove_innermost_held(HeldPath& held);
void release_path(HeldPath& held);
