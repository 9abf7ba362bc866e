// The wizard's computed artwork: eight pictures, drawn once at start-up.
#pragma once

enum Picture : int {
    WelcomeStripPicture = 41,
    WelcomePicture = 42,
    LicenceHeaderPicture = 43,
    SystemCheckHeaderPicture = 44,
    TargetHeaderPicture = 45,
    StartMenuHeaderPicture = 46,
    ShortcutsHeaderPicture = 47,
    InstallHeaderPicture = 48,
};

enum WizardFont : int { WelcomeTitleFont = 0, ProductNameFont = 1, BodyFont = 2, HeadingFont = 3 };

void draw_wizard_artwork();
void load_wizard_fonts();
// Releases the eight pictures and the four fonts; called by the shutdown after the window is gone.
void release_artwork();
