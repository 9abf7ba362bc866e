// Off-screen pictures addressed by number, the drawing primitives the artwork needs, and the
// wizard's font table. Pictures are 32-bit DIB sections, so every pixel holds the exact colour
// that was set, whatever the screen's depth.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

inline constexpr int kTextOpaque = 0;
inline constexpr int kTextTransparent = 1;

// Picture table of 10 entries (grown on demand) and the black brush and pen every drawing starts
// with. Called by start-up; the other operations start it themselves when it was not.
void pictures_init();
// Deletes every picture, font, brush and pen.
void pictures_shutdown();

// Creates the picture filled black (replacing one of the same number) and makes it current.
// Returns false when it could not be created; the number then stays absent.
bool create_picture(int number, int width, int height);
int picture_width();  // of the current picture, 0 when there is none
int picture_height(); // of the current picture, 0 when there is none
HBITMAP picture_handle(int number);

void begin_drawing(int picture);
void end_drawing();
void set_pixel(int x, int y, COLORREF colour);
void fill_box(int x, int y, int width, int height, COLORREF colour);
void set_text_background(int mode);
void set_draw_colour(int red, int green, int blue);
void select_font(int font);
void move_to(int x, int y);
void write_text(const std::string& text);

// Font table: loads font `number` with a character height of `points` at the screen's vertical
// resolution.
void load_font(int number, const char* face, int points, int weight);
HFONT font_handle(int number);
// Character height in pixels of a font of `points` at `dpi` dots per inch, rounded to nearest.
int font_pixel_height(int points, int dpi);
