#include "ui/artwork.h"

#include "core/session.h"
#include "ui/gradients.h"
#include "ui/pictures.h"

namespace {

struct HeaderTexts {
    Picture picture;
    const char* title;
    const char* first_line;
    const char* second_line; // nullptr when the header has one line
};

// In drawing order, which is not the page order: the licence header comes before the system
// check's.
const HeaderTexts kHeaders[] = {
    {LicenceHeaderPicture, "Lizenzabkommen:",
     "Bitte lesen Sie die Lizenzbedingungen durch, bevor Sie mit der Installation", "fortfahren."},
    {SystemCheckHeaderPicture, "System-Check:",
     "Es wurde geprüft, ob ihr Computer die nötigen Systemvoraussetzungen besitzt.", nullptr},
    {TargetHeaderPicture, "Zielverzeichnis auswählen:",
     "Wählen Sie das Verzeichnis aus, in das die Programme Kavento-Producer ",
     "und Kavento-Player installiert werden sollen."},
    {StartMenuHeaderPicture, "Startmenü-Ordner bestimmen:",
     "Bestimmen Sie einen Startmenü-Ordner für die Programmverknüpfungen.", nullptr},
    {ShortcutsHeaderPicture,
     "Verknüpfungen:", "Welche weiteren Verknüpfungen sollen erstellt werden?", nullptr},
    {InstallHeaderPicture, "Installation:",
     "Die Programme Kavento-Producer und Kavento Player werden nun installiert!", nullptr},
};

void text_at(int x, int y, const std::string& text) {
    move_to(x, y);
    write_text(text);
}

void draw_welcome_strip() {
    create_picture(WelcomeStripPicture, 160, 310);
    begin_drawing(WelcomeStripPicture);
    const int width = picture_width();
    const int height = picture_height();
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            set_pixel(x, y, RGB(0, 0, strip_blue(y, height)));
    end_drawing();
}

void draw_welcome_picture() {
    const std::string& version = session.version_text;
    create_picture(WelcomePicture, 320, 310);
    begin_drawing(WelcomePicture);
    fill_box(0, 0, picture_width(), picture_height(), RGB(255, 255, 255));
    set_text_background(kTextTransparent);
    set_draw_colour(0, 0, 0);
    select_font(WelcomeTitleFont);
    text_at(20, 25, "Willkommen beim Installations-");
    text_at(20, 45, "Assistenten für die Programme");
    text_at(20, 112, "und");
    select_font(ProductNameFont);
    text_at(20, 85, "Kavento-Producer " + version);
    text_at(20, 135, "Kavento-Player " + version);
    select_font(BodyFont);
    text_at(20, 200, "Dieser Assistent wird Sie durch die Installation");
    text_at(20, 215, "der Programme Kavento-Producer " + version + " und");
    text_at(20, 230, "Kavento-Player " + version + " begleiten.");
    text_at(20, 270, "Klicken Sie auf Weiter, um fortzufahren.");
    end_drawing();
}

void draw_header(const HeaderTexts& header) {
    create_picture(header.picture, 480, 60);
    begin_drawing(header.picture);
    const int width = picture_width();
    const int height = picture_height();
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            set_pixel(x, y, RGB(255, 255, header_blue(x, y, width, height)));
    set_text_background(kTextTransparent);
    set_draw_colour(0, 0, 0);
    select_font(HeadingFont);
    text_at(15, 9, header.title);
    select_font(BodyFont);
    text_at(25, 25, header.first_line);
    if (header.second_line) text_at(25, 40, header.second_line);
    end_drawing();
}

} // namespace

void load_wizard_fonts() {
    load_font(WelcomeTitleFont, "Arial", 12, FW_BOLD);
    load_font(ProductNameFont, "Arial", 16, FW_BOLD);
    load_font(BodyFont, "Arial", 9, FW_NORMAL);
    load_font(HeadingFont, "Arial", 9, FW_BOLD);
}

void draw_wizard_artwork() {
    pictures_init();
    draw_welcome_strip();
    load_wizard_fonts();
    draw_welcome_picture();
    for (const HeaderTexts& header : kHeaders)
        draw_header(header);
}

void release_artwork() {
    pictures_shutdown();
}
