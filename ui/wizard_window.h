// The wizard window: every gadget of every page, created once at start-up.
#pragma once

// Gadget numbers. 0, 1 and 11 are never created.
enum Gadget : int {
    WelcomeStripImage = 2,
    WelcomeImage = 3,
    SystemCheckHeader = 4,
    OsCheckbox = 5,
    OsNameField = 6,
    DirectXCheckbox = 7,
    Direct3DCheckbox = 8,
    SystemOkCheckbox = 9,
    OsLabel = 10,
    DirectXLabel = 12,
    Direct3DLabel = 13,
    SystemOkLabel = 14,
    LicenceHeader = 15,
    LicenceText = 16,
    LicenceAcceptCheckbox = 17,
    TargetHeader = 18,
    TargetInfoText = 19,
    TargetFrame = 20,
    TargetPathField = 21,
    BrowseButton = 22,
    StartMenuHeader = 23,
    StartMenuInfoText = 24,
    StartMenuFolderField = 25,
    StartMenuFolderList = 26,
    NoShortcutsCheckbox = 27,
    ShortcutsHeader = 28,
    ShortcutsFrame = 29,
    DesktopProducerCheckbox = 30,
    DesktopPlayerCheckbox = 31,
    InstallHeader = 32,
    ProgressFrame = 33,
    InstallProgressBar = 34,
    LaunchProducerCheckbox = 35,
    InstallButton = 36,
    NextButton = 37,
    BackButton = 38,
    CancelButton = 39,
};

inline constexpr int kWizardWindow = 0;
inline constexpr int kWizardClientWidth = 480;
inline constexpr int kWizardClientHeight = 360;

void build_wizard_window();
