#include "core/session.h"

InstallerSession session;
