// The licence agreement shown on the licence page.
#pragma once

// Windows-1252 text, every line ending in CR LF; short enough per line that the viewer never needs
// to scroll sideways.
extern const char kLicenceText[];
