#pragma once

// Page 6: the whole installation in twenty steps, then the success message and "Fertigstellen".
void run_install_page();
