#include "ui/page_table.h"
#include "ui/toolkit.h"

void set_page_group_hidden(int page_index, int hidden) {
    if (page_index < 0 || page_index >= kPageCount) return;
    for (int gadget : kPageTable[page_index].group)
        set_gadget_hidden(gadget, hidden);
}

void show_page(int page_index) {
    if (page_index < 0 || page_index >= kPageCount) return;
    const PageEntry& page = kPageTable[page_index];
    hold_back_clicks();
    // Whatever goes goes first, so that Next and Install, which share one place, never show
    // together.
    set_page_group_hidden(page_index - 1, 1);
    set_page_group_hidden(page_index + 1, 1);
    for (int i = 0; i < 4; ++i)
        if (page.buttons[i].hidden == 1) set_gadget_hidden(kPageButtons[i], 1);
    set_page_group_hidden(page_index, 0);
    for (int i = 0; i < 4; ++i) {
        if (page.buttons[i].hidden == 0) set_gadget_hidden(kPageButtons[i], 0);
        if (page.buttons[i].disabled != kKeep)
            set_gadget_disabled(kPageButtons[i], page.buttons[i].disabled);
    }
}

void focus_page(int page_index) {
    if (page_index < 0 || page_index >= kPageCount) return;
    const int* focus = kPageTable[page_index].focus;
    focus_first_of({focus[0], focus[1]});
}
