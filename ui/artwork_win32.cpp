#include "ui/artwork.h"

#include <algorithm>
#include <vector>

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

// A line of the welcome picture: before, then the version and after when it names one.
struct WelcomeLine {
    WizardFont font;
    int y;
    const char* before;
    const char* after; // nullptr: the line names no version
};

// In drawing order, font by font; the lines are read from the top down.
const WelcomeLine kWelcomeLines[] = {
    {WelcomeTitleFont, 25, "Willkommen beim Installations-", nullptr},
    {WelcomeTitleFont, 45, "Assistenten für die Programme", nullptr},
    {WelcomeTitleFont, 112, "und", nullptr},
    {ProductNameFont, 85, "Kavento-Producer ", ""},
    {ProductNameFont, 135, "Kavento-Player ", ""},
    {BodyFont, 200, "Dieser Assistent wird Sie durch die Installation", nullptr},
    {BodyFont, 215, "der Programme Kavento-Producer ", " und"},
    {BodyFont, 230, "Kavento-Player ", " begleiten."},
    {BodyFont, 270, "Klicken Sie auf Weiter, um fortzufahren.", nullptr},
};

std::string welcome_text(const WelcomeLine& line) {
    return line.after ? line.before + session.version_text + line.after : line.before;
}

// Lines as one text to be read: a blank between them, none after a hyphen that split a word.
void append_line(std::string& words, std::string line) {
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (!words.empty() && words.back() != '-') words += ' ';
    words += line;
}

void draw_welcome_picture() {
    create_picture(WelcomePicture, 320, 310);
    begin_drawing(WelcomePicture);
    fill_box(0, 0, picture_width(), picture_height(), RGB(255, 255, 255));
    set_text_background(kTextTransparent);
    set_draw_colour(0, 0, 0);
    for (size_t i = 0; i < sizeof kWelcomeLines / sizeof kWelcomeLines[0]; ++i) {
        const WelcomeLine& line = kWelcomeLines[i];
        if (i == 0 || kWelcomeLines[i - 1].font != line.font) select_font(line.font);
        text_at(20, line.y, welcome_text(line));
    }
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

std::string picture_words(Picture picture) {
    std::string words;
    if (picture == WelcomeStripPicture) return "Farbverlauf";
    if (picture == WelcomePicture) {
        // Lines of the same font were drawn together; they are read from the top down.
        std::vector<const WelcomeLine*> lines;
        for (const WelcomeLine& line : kWelcomeLines)
            lines.push_back(&line);
        std::sort(lines.begin(), lines.end(),
                  [](const WelcomeLine* a, const WelcomeLine* b) { return a->y < b->y; });
        for (const WelcomeLine* line : lines)
            append_line(words, welcome_text(*line));
        return words;
    }
    for (const HeaderTexts& header : kHeaders) {
        if (header.picture != picture) continue;
        append_line(words, header.title);
        append_line(words, header.first_line);
        if (header.second_line) append_line(words, header.second_line);
    }
    return words;
}

void release_artwork() {
    pictures_shutdown();
}
