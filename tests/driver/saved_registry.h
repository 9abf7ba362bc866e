// Reads the text that the Wine server writes for RegSaveKey ("WINE REGISTRY Version 2"): one
// call gives a whole branch, where walking it key by key costs a server round trip per key and
// per value (a second or more for a fresh prefix, against some ten milliseconds).
#pragma once
#include <cstddef>
#include <string>

#include "driver/snapshot.h"

// Adds every key (named root_name + "\" + path; keys that hold only sub-keys are implied by them)
// and every value of the saved text to the snapshot, texts turned into Windows-1252. Counts
// what it added in stats. Returns false with a message on text it does not understand.
bool read_saved_registry(const std::string& text, const std::string& root_name, Snapshot& snapshot,
                         SnapshotStats& stats, std::string& error);
