// Kavento-Player: plays a slide show; started with the document to show.
#include "common/program_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    return run_program_window(instance, "Kavento-Player", command_line, nullptr);
}
