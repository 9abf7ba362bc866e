// Keeping what an installation replaces: an old file waits under a kept name in its own folder
// and an old registry value is saved with its type and data, until the run has succeeded. The
// roll-back of a failed run puts them back; the uninstall log never mentions them.
#pragma once
#include <string>
#include <vector>
#include "env/registry.h"

// Win32, recording on session.undo_list.
// 1 when no file stands at path or the file now waits under a kept name (recorded, its name in
// kept_path when given); 0 when a file is there that cannot be moved aside, in which case the
// step must fail before it replaces anything.
int keep_file(const std::string& path, std::string* kept_path = nullptr);
// Saves the value that a write is about to replace.
enum class KeptValue { kAbsent, kKept, kFailed };
KeptValue keep_reg_value(RegRoot root, const std::string& sub_key, const std::string& value_name);
// Records the keys of sub_key that do not exist yet, so that the roll-back removes what a write
// below it creates.
void record_missing_keys(RegRoot root, const std::string& sub_key);
// After success: the kept files are not needed any more.
void remove_kept_files();
