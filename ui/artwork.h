// The wizard's computed artwork: eight pictures, drawn once at start-up.
#pragma once
#include <string>

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
// What a screen reader reads for a picture: the words it shows, line after line, or for the
// colour strip, which shows none, what it is.
std::string picture_words(Picture picture);
void load_wizard_fonts();
// Releases the eight pictures and the four fonts; called by the shutdown after the window is gone.
void release_artwork();
