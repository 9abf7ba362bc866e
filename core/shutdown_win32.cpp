#include "core/shutdown.h"
#include <windows.h>
#include "core/session.h"
#include "core/single_copy.h"
#include "env/system_check.h"
#include "services/dir_examine.h"
#include "services/file_services.h"
#include "ui/artwork.h"
#include "ui/toolkit.h"

void shutdown_and_exit() {
    toolkit_shutdown(); // the window and its gadgets go before the pictures they show
    release_artwork();
    services_shutdown();
    dir_examine_shutdown();
    release_directx_probe();
    session.undo_list.clear();
    session.file_name_list.clear();
    release_running_mark();
    ExitProcess(0);
}
