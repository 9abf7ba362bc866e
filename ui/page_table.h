// Which gadgets each wizard page shows, and what entering a page does to the four buttons that
// belong to no page. Every page procedure enters its page through show_page, so the groups are
// written here and nowhere else.
#pragma once
#include <cstddef>
#include "ui/gadgets.h"

inline constexpr int kPageCount = 7; // page indices 0 to 6

// A page's own gadgets: entering the page shows them, entering either neighbour hides them.
struct PageGroup {
    const int* first;
    size_t size;
    constexpr const int* begin() const { return first; }
    constexpr const int* end() const { return first + size; }
};

// What entering a page does to one button. Each half is 0 or 1 as set_gadget_hidden and
// set_gadget_disabled take it, or kKeep, which leaves the button as the page before left it.
inline constexpr int kKeep = -1;
struct ButtonEntry {
    int hidden;
    int disabled;
};
inline constexpr ButtonEntry kUnchanged = {kKeep, kKeep};
inline constexpr ButtonEntry kShown = {0, kKeep};
inline constexpr ButtonEntry kHidden = {1, kKeep};
inline constexpr ButtonEntry kEnabled = {kKeep, 0};
inline constexpr ButtonEntry kDisabled = {kKeep, 1};

inline constexpr int kPageButtons[4] = {NextButton, BackButton, InstallButton, CancelButton};
struct PageEntry {
    PageGroup group;
    ButtonEntry buttons[4]; // in the order of kPageButtons
    // Where the keyboard focus goes once the page is set up: the first of these that can take it
    // (visible and enabled; 0 is no gadget), else the first tab stop.
    int focus[2];
};

inline constexpr int kWelcomeGroup[] = {WelcomeStripImage, WelcomeImage};
inline constexpr int kSystemCheckGroup[] = {
    SystemCheckHeader, OsCheckbox, OsNameField,  DirectXCheckbox, Direct3DCheckbox,
    SystemOkCheckbox,  OsLabel,    DirectXLabel, Direct3DLabel,   SystemOkLabel};
inline constexpr int kLicenceGroup[] = {LicenceHeader, LicenceText, LicenceAcceptCheckbox};
inline constexpr int kTargetGroup[] = {TargetHeader, TargetInfoText, TargetFrame, TargetPathField,
                                       BrowseButton};
inline constexpr int kStartMenuGroup[] = {StartMenuHeader, StartMenuInfoText, StartMenuFolderField,
                                          StartMenuFolderList, NoShortcutsCheckbox};
inline constexpr int kShortcutsGroup[] = {ShortcutsHeader, ShortcutsFrame, DesktopProducerCheckbox,
                                          DesktopPlayerCheckbox};
inline constexpr int kInstallGroup[] = {InstallHeader, ProgressFrame, InstallProgressBar,
                                        LaunchProducerCheckbox};

template <size_t N> constexpr PageGroup group_of(const int (&gadgets)[N]) {
    return {gadgets, N};
}

// Indexed by page_index.
// clang-format off
inline constexpr PageEntry kPageTable[kPageCount] = {
    //                            Next        Back        Install     Cancel      focus
    {group_of(kWelcomeGroup),     {kEnabled,   kHidden,    kUnchanged, kUnchanged}, {NextButton, BackButton}},
    // A system that lacks something disables Next again on entry.
    {group_of(kSystemCheckGroup), {kEnabled,   kShown,     kUnchanged, kUnchanged}, {NextButton, BackButton}},
    // Next follows the accept box, which the page itself reads.
    {group_of(kLicenceGroup),     {kUnchanged, kUnchanged, kUnchanged, kUnchanged}, {LicenceAcceptCheckbox, 0}},
    // An update's folder is fixed: the field is disabled then.
    {group_of(kTargetGroup),      {kUnchanged, kUnchanged, kUnchanged, kUnchanged}, {TargetPathField, NextButton}},
    // Typing replaces the proposed name, unless there are to be no start-menu links.
    {group_of(kStartMenuGroup),   {kShown,     kUnchanged, kHidden,    kUnchanged}, {StartMenuFolderField, NoShortcutsCheckbox}},
    // Install takes Next's place.
    {group_of(kShortcutsGroup),   {kHidden,    kUnchanged, kShown,     kUnchanged}, {DesktopProducerCheckbox, 0}},
    // No way back and no cancel while the installation runs; the close box still asks afterwards.
    // The focus goes to "Fertigstellen" when the installation is done.
    {group_of(kInstallGroup),     {kUnchanged, kDisabled,  kUnchanged, kDisabled},  {InstallButton, 0}},
};
// clang-format on

// Every gadget of the window but the four buttons is in exactly one group.
constexpr bool groups_cover_every_page_gadget() {
    for (int gadget = WelcomeStripImage; gadget < InstallButton; ++gadget) {
        int found = 0;
        for (const PageEntry& page : kPageTable)
            for (int member : page.group)
                found += member == gadget ? 1 : 0;
        if (found != (gadget == 11 ? 0 : 1)) return false; // 11 is never created
    }
    return true;
}
static_assert(groups_cover_every_page_gadget(), "a page gadget is missing or in two groups");

// Hides or shows one page's group; a page index outside 0 to 6 has none.
void set_page_group_hidden(int page_index, int hidden);
// Enters a page: hides the groups of the pages before and after it, shows its own, and sets the
// buttons as its row says. What the gadgets hold is the page procedure's business. Mouse clicks
// are held back for the double-click time from here on, so that the second click of a
// double-click that opened the page does not act on it.
void show_page(int page_index);
// Puts the keyboard focus where its row says; called once the page has set up its gadgets, since
// what can take the focus depends on that.
void focus_page(int page_index);
