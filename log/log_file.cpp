#include "log/log_file.h"

StopHook stop_hook = nullptr;
