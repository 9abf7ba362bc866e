// Placeholder until the installation sequence exists: Install ends the run as if the user had
// confirmed a cancel, so nothing is written.
#include "engine/install_page.h"
#include "core/startup.h"

void run_install_page() {
    shutdown_and_exit();
}
