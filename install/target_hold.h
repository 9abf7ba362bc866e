// The installer's hold on its target folder (services/held_folder.h): taken on the components
// that exist when the target page accepts the folder, completed while step 3 creates the rest,
// and kept until the process ends, roll-back included. From then on the target's path names the
// folder that was checked, so every file written, kept aside, put back or removed by a path inside
// it stays inside it, whatever another program renames or links meanwhile.
#pragma once
#include <string>

// On Next of the target page. A link, or a folder that cannot be held, is not refused here but by
// step 3, the way a file standing there is.
void hold_target_folder(const std::string& folder);
// Step 3: holds every existing component of folder, refuses a link anywhere in the path, and
// creates the missing ones inside the held ones, with the access list of Program Files. A target
// that did not exist when the page accepted it and exists now is refused: another program made
// it. False on any failure; created tells whether folder itself was made (and so recorded).
bool make_target_folder(const std::string& folder, bool& created);
// The roll-back's removal of a recorded folder: true when it is the target this run made and
// holds, which is then removed through its hold if empty (never by name: the name may be
// another's by then, and the hold's sharing refuses a removal by name anyway). False for any
// other folder, which the caller removes as before. The hold itself ends with the process.
bool remove_if_held_target(const std::string& folder);
