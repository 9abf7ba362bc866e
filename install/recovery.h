// What either program does first: finish or undo a run that an earlier start left cut off.
#pragma once
#include "log/journal.h"

// Win32. Looks for a journal, carries out its plan, tells the user, removes it. Returns the kind
// done.
RecoveryKind recover_interrupted_run();
