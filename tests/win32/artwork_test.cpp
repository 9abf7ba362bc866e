// The computed pictures read back from the bitmaps: the gradients pixel by pixel against the
// formulas, the texts where they are drawn and nowhere else.
#include <windows.h>
#include <string>
#include <vector>

#include "check.h"
#include "core/session.h"
#include "ui/artwork.h"
#include "ui/gradients.h"
#include "ui/pictures.h"

namespace {

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> data; // 0x00RRGGBB, top-down
    uint32_t at(int x, int y) const { return data[size_t(y) * width + x]; }
    int blue(int x, int y) const { return int(at(x, y) & 0xFF); }
};

Pixels read_picture(int number) {
    Pixels p;
    HBITMAP bitmap = picture_handle(number);
    BITMAP bm = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof(bm), &bm)) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.data.assign(size_t(p.width) * p.height, 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, p.height, p.data.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != p.height) p.data.assign(p.data.size(), 0xDEADBEEF);
    for (uint32_t& v : p.data)
        v &= 0xFFFFFF;
    return p;
}

uint32_t rgb(int r, int g, int b) {
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

void welcome_strip() {
    Pixels p = read_picture(WelcomeStripPicture);
    CHECK_EQ(p.width, 160);
    CHECK_EQ(p.height, 310);
    if (p.width != 160 || p.height != 310) return;
    CHECK_EQ(p.at(0, 0), rgb(0, 0, 255));
    CHECK_EQ(p.at(159, 1), rgb(0, 0, 255));
    CHECK_EQ(p.at(80, 2), rgb(0, 0, 254));
    CHECK_EQ(p.at(0, 154), rgb(0, 0, 128));
    CHECK_EQ(p.at(159, 155), rgb(0, 0, 128));
    CHECK_EQ(p.at(3, 308), rgb(0, 0, 1));
    CHECK_EQ(p.at(3, 309), rgb(0, 0, 0));
    int wrong = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) != rgb(0, 0, strip_blue(y, p.height))) ++wrong;
    CHECK_EQ(wrong, 0);
}

struct TextBox {
    RECT box;
};

// Where a text drawn at (x, y) in a font can put ink, with a margin for overhangs and for the
// hinted glyphs running a few pixels past the measured advance.
RECT text_box(int font, int x, int y, const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_handle(font));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.data(), int(text.size()), &extent);
    SelectObject(dc, old);
    DeleteDC(dc);
    RECT r = {x - 2, y - 2, x + extent.cx + 8, y + extent.cy + 2};
    return r;
}

bool inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

struct Header {
    int picture;
    const char* title;
    const char* first;
    const char* second;
};

const Header kHeaders[] = {
    {43, "Lizenzabkommen:",
     "Bitte lesen Sie die Lizenzbedingungen durch, bevor Sie mit der Installation", "fortfahren."},
    {44, "System-Check:",
     "Es wurde geprüft, ob ihr Computer die nötigen Systemvoraussetzungen besitzt.", nullptr},
    {45, "Zielverzeichnis auswählen:",
     "Wählen Sie das Verzeichnis aus, in das die Programme Kavento-Producer ",
     "und Kavento-Player installiert werden sollen."},
    {46, "Startmenü-Ordner bestimmen:",
     "Bestimmen Sie einen Startmenü-Ordner für die Programmverknüpfungen.", nullptr},
    {47, "Verknüpfungen:", "Welche weiteren Verknüpfungen sollen erstellt werden?", nullptr},
    {48, "Installation:",
     "Die Programme Kavento-Producer und Kavento Player werden nun installiert!", nullptr},
};

void header(const Header& h) {
    Pixels p = read_picture(h.picture);
    CHECK_EQ(p.width, 480);
    CHECK_EQ(p.height, 60);
    if (p.width != 480 || p.height != 60) return;
    std::vector<RECT> boxes = {text_box(HeadingFont, 15, 9, h.title),
                               text_box(BodyFont, 25, 25, h.first)};
    if (h.second) boxes.push_back(text_box(BodyFont, 25, 40, h.second));
    auto in_text = [&](int x, int y) {
        for (const RECT& r : boxes)
            if (inside(r, x, y)) return true;
        return false;
    };

    // Away from the texts every pixel is the formula's colour.
    int wrong = 0, checked = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 480; ++x)
            if (!in_text(x, y)) {
                ++checked;
                if (p.at(x, y) != rgb(255, 255, header_blue(x, y, 480, 60))) {
                    if (!wrong)
                        std::printf("picture %d: (%d, %d) is %06x\n", h.picture, x, y,
                                    unsigned(p.at(x, y)));
                    ++wrong;
                }
            }
    CHECK_EQ(wrong, 0);
    CHECK(checked > 480 * 60 / 2);

    // The sample points (all of them clear of the texts).
    for (int y = 0; y < 60; ++y)
        if (!in_text(238, y)) CHECK_EQ(p.at(238, y), rgb(255, 255, 255));
    const struct {
        int x, y, blue;
    } samples[] = {{239, 59, 255}, {240, 59, 254}, {359, 30, 188}, {420, 59, 62},
                   {479, 0, 124},  {479, 30, 60},  {479, 59, 0}};
    for (auto& s : samples)
        if (!in_text(s.x, s.y)) CHECK_EQ(p.blue(s.x, s.y), s.blue);
    int first = -1;
    for (int x = 0; x < 480 && first < 0; ++x)
        if (p.at(x, 0) != rgb(255, 255, 255)) first = x;
    CHECK_EQ(first, 357);

    // Every text left ink (dark pixels) inside its box.
    for (const RECT& r : boxes) {
        int ink = 0;
        for (int y = r.top < 0 ? 0 : r.top; y < r.bottom && y < 60; ++y)
            for (int x = r.left < 0 ? 0 : r.left; x < r.right && x < 480; ++x)
                if ((p.at(x, y) >> 16) < 128) ++ink;
        CHECK(ink > 20);
    }
    // Transparent text: between the letters the gradient shows. Where the gradient is yellow,
    // an opaque text background would leave white cells; there must be none, and most pixels of
    // the box keep the gradient's colour exactly.
    for (const RECT& r : boxes) {
        int white = 0, gradient = 0, yellow = 0;
        for (int y = r.top < 0 ? 0 : r.top; y < r.bottom && y < 60; ++y)
            for (int x = r.left < 0 ? 0 : r.left; x < r.right && x < 480; ++x) {
                int expected = header_blue(x, y, 480, 60);
                if (expected > 240) continue;
                ++yellow;
                if (p.at(x, y) == rgb(255, 255, 255)) ++white;
                if (p.at(x, y) == rgb(255, 255, expected)) ++gradient;
            }
        CHECK_EQ(white, 0);
        if (yellow) CHECK(gradient > yellow / 2);
    }
}

// Rows of the welcome picture that differ between two drawings.
std::vector<bool> rows_that_differ(const Pixels& a, const Pixels& b) {
    std::vector<bool> differ(size_t(a.height), false);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y)) differ[size_t(y)] = true;
    return differ;
}

void welcome_picture() {
    Pixels first = read_picture(WelcomePicture);
    CHECK_EQ(first.width, 320);
    CHECK_EQ(first.height, 310);
    if (first.width != 320 || first.height != 310) return;
    // White where nothing is written: the margins and the gaps between the text blocks.
    for (int y = 0; y < 310; ++y) {
        CHECK_EQ(first.at(0, y), rgb(255, 255, 255));
        CHECK_EQ(first.at(319, y), rgb(255, 255, 255));
    }
    for (int x = 0; x < 320; ++x) {
        CHECK_EQ(first.at(x, 5), rgb(255, 255, 255));
        CHECK_EQ(first.at(x, 185), rgb(255, 255, 255));
        CHECK_EQ(first.at(x, 305), rgb(255, 255, 255));
    }
    // Each text block has ink.
    for (int y0 : {25, 45, 85, 112, 135, 200, 215, 230, 270}) {
        int ink = 0;
        for (int y = y0; y < y0 + 12; ++y)
            for (int x = 20; x < 300; ++x)
                if ((first.at(x, y) & 0xFF) < 128) ++ink;
        CHECK(ink > 20);
    }

    // The version text appears in the two product lines and the body lines at 215 and 230,
    // and nowhere else: drawn again with another version, only those rows change.
    std::string kept = session.version_text;
    session.version_text = "9.88.7";
    draw_wizard_artwork();
    Pixels second = read_picture(WelcomePicture);
    session.version_text = kept;
    if (second.width != 320 || second.height != 310) return;
    std::vector<bool> differ = rows_that_differ(first, second);
    auto any_between = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            if (differ[size_t(y)]) return true;
        return false;
    };
    CHECK(any_between(85, 110));   // Kavento-Producer version
    CHECK(any_between(135, 160));  // Kavento-Player version
    CHECK(any_between(215, 229));  // body line 2
    CHECK(any_between(230, 245));  // body line 3
    CHECK(!any_between(0, 84));    // title lines
    CHECK(!any_between(160, 214)); // first body line
    CHECK(!any_between(250, 310)); // last line
}

void fonts() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    struct {
        int font, points, weight;
    } table[] = {{WelcomeTitleFont, 12, 700},
                 {ProductNameFont, 16, 700},
                 {BodyFont, 9, 400},
                 {HeadingFont, 9, 700}};
    for (auto& f : table) {
        LOGFONTA lf = {};
        CHECK(GetObjectA(font_handle(f.font), sizeof(lf), &lf) != 0);
        CHECK_EQ(std::string(lf.lfFaceName), std::string("Arial"));
        CHECK_EQ(int(lf.lfHeight), -font_pixel_height(f.points, dpi));
        CHECK_EQ(int(lf.lfWeight), f.weight);
        CHECK(!lf.lfItalic && !lf.lfUnderline && !lf.lfStrikeOut);
    }
    CHECK_EQ(font_pixel_height(12, 96), 16);
    CHECK_EQ(font_pixel_height(9, 96), 12);
    CHECK_EQ(font_pixel_height(16, 96), 21);
    CHECK_EQ(font_pixel_height(9, 120), 15);
}

void primitives() {
    // A new picture is black; drawing without a target does nothing; replacing a number works.
    CHECK(create_picture(7, 4, 3));
    CHECK_EQ(picture_width(), 4);
    CHECK_EQ(picture_height(), 3);
    Pixels p = read_picture(7);
    bool all_black = true;
    for (uint32_t v : p.data)
        all_black = all_black && v == 0;
    CHECK(all_black);
    set_pixel(1, 1, RGB(9, 9, 9)); // no target yet
    begin_drawing(7);
    set_pixel(0, 0, RGB(1, 2, 3));
    set_pixel(4, 0, RGB(1, 2, 3));  // outside: ignored
    set_pixel(-1, 2, RGB(1, 2, 3)); // outside: ignored
    fill_box(1, 1, 2, 1, RGB(200, 100, 50));
    set_pixel(3, 2, RGB(7, 8, 9)); // after a fill: both must reach the bits
    end_drawing();
    set_pixel(3, 0, RGB(9, 9, 9)); // drawing ended
    p = read_picture(7);
    CHECK_EQ(p.at(0, 0), rgb(1, 2, 3));
    CHECK_EQ(p.at(1, 1), rgb(200, 100, 50));
    CHECK_EQ(p.at(2, 1), rgb(200, 100, 50));
    CHECK_EQ(p.at(3, 1), rgb(0, 0, 0)); // the fill stops before x + width
    CHECK_EQ(p.at(3, 2), rgb(7, 8, 9));
    CHECK_EQ(p.at(3, 0), rgb(0, 0, 0));
    CHECK_EQ(p.at(0, 2), rgb(0, 0, 0));
    HBITMAP before = picture_handle(7);
    CHECK(create_picture(7, 2, 2));
    CHECK(picture_handle(7) != before);
    CHECK_EQ(picture_width(), 2);
    // The table grows past its first 10 entries.
    CHECK(create_picture(120, 1, 1));
    CHECK(picture_handle(120) != nullptr);
    CHECK(picture_handle(119) == nullptr);
    CHECK(picture_handle(-1) == nullptr);
    CHECK(!create_picture(-3, 1, 1));
    CHECK(!create_picture(8, 0, 5));

    // write_text moves the text position to the end of the text.
    CHECK(create_picture(9, 200, 30));
    begin_drawing(9);
    fill_box(0, 0, 200, 30, RGB(255, 255, 255));
    select_font(BodyFont);
    set_text_background(kTextTransparent);
    move_to(2, 2);
    write_text("ab");
    write_text("");
    write_text("cd");
    end_drawing();
    Pixels once = read_picture(9);
    CHECK(create_picture(10, 200, 30));
    begin_drawing(10);
    fill_box(0, 0, 200, 30, RGB(255, 255, 255));
    select_font(BodyFont);
    set_text_background(kTextTransparent);
    move_to(2, 2);
    write_text("abcd");
    end_drawing();
    Pixels whole = read_picture(10);
    int differing = 0;
    for (size_t i = 0; i < once.data.size() && i < whole.data.size(); ++i)
        if (once.data[i] != whole.data[i]) ++differing;
    CHECK_EQ(differing, 0);
}

} // namespace

int main() {
    session.version_text = "1.20.1";
    pictures_init();
    draw_wizard_artwork();
    welcome_strip();
    for (const Header& h : kHeaders)
        header(h);
    fonts();
    welcome_picture();
    primitives();
    release_artwork();
    CHECK(picture_handle(WelcomeStripPicture) == nullptr);
    CHECK(font_handle(BodyFont) == nullptr);

    // Benchmark: the whole artwork, drawn again.
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    draw_wizard_artwork();
    QueryPerformanceCounter(&b);
    std::printf("benchmark: draw_wizard_artwork %.2f ms (221 120 gradient pixels)\n",
                double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart));
    release_artwork();
    return check_report();
}
