// A file that is whole or absent: written under a temporary name beside itself, flushed, and
// then put in place of the earlier one in one step. A link that stands at the name is replaced,
// never written through. Used for the uninstall log by both programs.
#pragma once
#include <string>

// Test builds only: where a run may be cut off (kv-stop-at=NAME, see tests/seams); nothing in
// the shipped programs.
// The exit code of a run cut off there.
inline constexpr unsigned kStopExitCode = 0x4B56;
using StopHook = void (*)(const char* point);
extern StopHook stop_hook;
inline void stop_point(const char* point) {
    if (stop_hook) stop_hook(point);
}

// Win32. Writes text to a new file at path (a file or link left there is deleted first) and
// flushes it to the disk; false when it cannot be written whole.
bool write_flushed_file(const std::string& path, const std::string& text);
// Puts the file at from in place of the one at to: on the NT family in one step, written
// through; on the 95 family, which cannot replace, the old one is deleted first (a reader then
// falls back to from).
bool put_in_place(const std::string& from, const std::string& to);
// Both, through path + kLogTempSuffix.
bool replace_whole_file(const std::string& path, const std::string& text);
