#include "ui/pictures.h"

#include <vector>

namespace {

struct PictureEntry {
    HBITMAP bitmap = nullptr;
    uint32_t* bits = nullptr; // top-down 0x00RRGGBB rows
    int width = 0;
    int height = 0;
};

std::vector<PictureEntry> pictures;
std::vector<HFONT> fonts;
bool started = false;
int current_picture = -1;

// The drawing target.
int target = -1;
HDC target_dc = nullptr;
HGDIOBJ saved_bitmap = nullptr;
HGDIOBJ saved_font = nullptr;
HGDIOBJ saved_pen = nullptr;
HGDIOBJ saved_brush = nullptr;
HPEN black_pen = nullptr;
HBRUSH black_brush = nullptr;
HPEN colour_pen = nullptr;
HBRUSH colour_brush = nullptr;
COLORREF draw_colour = RGB(0, 0, 0);
// GDI batches its calls: pending text or fills must reach the bits before they are written
// directly.
bool gdi_pending = false;

void start() {
    if (started) return;
    started = true;
    pictures.assign(10, PictureEntry{});
    black_pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    black_brush = CreateSolidBrush(RGB(0, 0, 0));
}

PictureEntry* entry(int number) {
    if (number < 0 || number >= int(pictures.size()) || !pictures[number].bitmap) return nullptr;
    return &pictures[number];
}

void use_colour(COLORREF colour) {
    draw_colour = colour;
    if (!target_dc) return;
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    SelectObject(target_dc, pen);
    SelectObject(target_dc, brush);
    if (colour_pen) DeleteObject(colour_pen);
    if (colour_brush) DeleteObject(colour_brush);
    colour_pen = pen;
    colour_brush = brush;
    SetTextColor(target_dc, colour);
}

} // namespace

void pictures_init() {
    start();
}

int font_pixel_height(int points, int dpi) {
    return (points * dpi + 36) / 72;
}

bool create_picture(int number, int width, int height) {
    start();
    if (number < 0 || width <= 0 || height <= 0) return false;
    if (number == target) end_drawing();
    if (number >= int(pictures.size())) pictures.resize(number + 10);
    PictureEntry& slot = pictures[number];
    if (slot.bitmap) DeleteObject(slot.bitmap);
    slot = PictureEntry{};

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    // A fresh DIB section is zero-filled: black.
    slot.bitmap = bitmap;
    slot.bits = static_cast<uint32_t*>(bits);
    slot.width = width;
    slot.height = height;
    current_picture = number;
    return true;
}

int picture_width() {
    PictureEntry* p = entry(current_picture);
    return p ? p->width : 0;
}

int picture_height() {
    PictureEntry* p = entry(current_picture);
    return p ? p->height : 0;
}

HBITMAP picture_handle(int number) {
    PictureEntry* p = entry(number);
    return p ? p->bitmap : nullptr;
}

void begin_drawing(int picture) {
    start();
    end_drawing();
    PictureEntry* p = entry(picture);
    if (!p) return;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    target = picture;
    target_dc = dc;
    saved_bitmap = SelectObject(dc, p->bitmap);
    saved_pen = SelectObject(dc, black_pen);
    saved_brush = SelectObject(dc, black_brush);
    saved_font = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    draw_colour = RGB(0, 0, 0);
    SetTextColor(dc, draw_colour);
    SetBkMode(dc, OPAQUE);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_UPDATECP);
    MoveToEx(dc, 0, 0, nullptr);
    gdi_pending = false;
}

void end_drawing() {
    if (!target_dc) return;
    GdiFlush();
    SelectObject(target_dc, saved_font);
    SelectObject(target_dc, saved_brush);
    SelectObject(target_dc, saved_pen);
    SelectObject(target_dc, saved_bitmap);
    DeleteDC(target_dc);
    target_dc = nullptr;
    target = -1;
    if (colour_pen) DeleteObject(colour_pen);
    if (colour_brush) DeleteObject(colour_brush);
    colour_pen = nullptr;
    colour_brush = nullptr;
}

void set_pixel(int x, int y, COLORREF colour) {
    PictureEntry* p = entry(target);
    if (!p || !target_dc || x < 0 || y < 0 || x >= p->width || y >= p->height) return;
    if (gdi_pending) {
        GdiFlush();
        gdi_pending = false;
    }
    p->bits[size_t(y) * p->width + x] = (uint32_t(GetRValue(colour)) << 16) |
                                        (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
}

void fill_box(int x, int y, int width, int height, COLORREF colour) {
    if (!target_dc) return;
    use_colour(colour);
    RECT box = {x, y, x + width, y + height};
    FillRect(target_dc, &box, colour_brush);
    gdi_pending = true;
}

void set_text_background(int mode) {
    if (target_dc) SetBkMode(target_dc, mode == kTextTransparent ? TRANSPARENT : OPAQUE);
}

void set_draw_colour(int red, int green, int blue) {
    use_colour(RGB(red, green, blue));
}

void select_font(int font) {
    HFONT handle = font_handle(font);
    if (target_dc && handle) SelectObject(target_dc, handle);
}

void move_to(int x, int y) {
    if (target_dc) MoveToEx(target_dc, x, y, nullptr);
}

void write_text(const std::string& text) {
    if (!target_dc || text.empty()) return;
    // TA_UPDATECP draws at the current position and leaves it at the end of the text.
    TextOutA(target_dc, 0, 0, text.data(), int(text.size()));
    gdi_pending = true;
}

void load_font(int number, const char* face, int points, int weight) {
    start();
    if (number < 0) return;
    if (number >= int(fonts.size())) fonts.resize(number + 1, nullptr);
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    // A negative height asks for the character height, not the cell height.
    HFONT font = CreateFontA(-font_pixel_height(points, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    if (fonts[number]) {
        if (target_dc) SelectObject(target_dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(fonts[number]);
    }
    fonts[number] = font;
}

HFONT font_handle(int number) {
    if (number < 0 || number >= int(fonts.size())) return nullptr;
    return fonts[number];
}

void pictures_shutdown() {
    end_drawing();
    for (PictureEntry& p : pictures)
        if (p.bitmap) DeleteObject(p.bitmap);
    pictures.clear();
    for (HFONT f : fonts)
        if (f) DeleteObject(f);
    fonts.clear();
    if (black_pen) DeleteObject(black_pen);
    if (black_brush) DeleteObject(black_brush);
    black_pen = nullptr;
    black_brush = nullptr;
    current_picture = -1;
    started = false;
}
