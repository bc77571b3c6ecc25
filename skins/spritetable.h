// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// Where the classic Winamp 2 skin format keeps each picture in a skin's bitmaps, and where
// Winamp draws it in its windows. Every position of the format is written here once.
namespace SpriteTable {

enum Bitmap : int {
    Main,
    Titlebar,
    Cbuttons,
    Playpaus,
    Monoster,
    Posbar,
    Volume,
    Balance,
    Shufrep,
    Text,
    Eqmain,
    Pledit,
    BitmapCount
};

// The file behind each bitmap.
inline constexpr std::array<const char*, BitmapCount> bitmapFiles
    = { "main.bmp", "titlebar.bmp", "cbuttons.bmp", "playpaus.bmp", "monoster.bmp", "posbar.bmp", "volume.bmp",
          "balance.bmp", "shufrep.bmp", "text.bmp", "eqmain.bmp", "pledit.bmp" };
inline constexpr const char* pleditTextFile = "pledit.txt";
inline constexpr const char* regionFile = "region.txt";

struct Sprite
{
    Bitmap bitmap;
    int x, y, w, h;
};

// A sprite and the point of the window where its top-left corner goes.
struct Placed
{
    Sprite sprite;
    int x, y;
};

struct Area
{
    int x, y, w, h;
};

inline constexpr int windowWidth = 275;
inline constexpr int windowHeight = 116;

// The main window as Winamp draws it when stopped: title bar active, buttons up, mono and
// stereo both off, the equalizer and playlist buttons lit because those windows are open.
// Stopped, Winamp draws no position bar, no time and no visualisation: main.bmp shows
// there.
inline constexpr Placed mainStopped[] = {
    { { Main, 0, 0, 275, 116 }, 0, 0 }, { { Titlebar, 27, 0, 275, 14 }, 0, 0 }, // active title bar
    { { Titlebar, 0, 0, 9, 9 }, 6, 3 }, // options
    { { Titlebar, 9, 0, 9, 9 }, 244, 3 }, // minimise
    { { Titlebar, 0, 18, 9, 9 }, 254, 3 }, // window shade
    { { Titlebar, 18, 0, 9, 9 }, 264, 3 }, // close
    { { Titlebar, 304, 0, 8, 43 }, 10, 22 }, // clutter bar
    { { Playpaus, 18, 0, 9, 9 }, 26, 28 }, // stopped
    { { Playpaus, 27, 0, 2, 9 }, 24, 28 }, // the strip beside it
    { { Monoster, 29, 12, 27, 12 }, 212, 41 }, // mono, off
    { { Monoster, 0, 12, 29, 12 }, 239, 41 }, // stereo, off
    { { Cbuttons, 0, 0, 23, 18 }, 16, 88 }, // previous
    { { Cbuttons, 23, 0, 23, 18 }, 39, 88 }, // play
    { { Cbuttons, 46, 0, 23, 18 }, 62, 88 }, // pause
    { { Cbuttons, 69, 0, 23, 18 }, 85, 88 }, // stop
    { { Cbuttons, 92, 0, 22, 18 }, 108, 88 }, // next
    { { Cbuttons, 114, 0, 22, 16 }, 136, 89 }, // eject
    { { Shufrep, 28, 0, 47, 15 }, 164, 89 }, // shuffle, off
    { { Shufrep, 0, 0, 28, 15 }, 210, 89 }, // repeat, off
    { { Shufrep, 0, 73, 23, 12 }, 219, 58 }, // equalizer, on
    { { Shufrep, 23, 73, 23, 12 }, 242, 58 }, // playlist, on
};

// Volume and balance: 28 backgrounds 15 pixels apart, then the thumb.
inline constexpr int sliderFrames = 28;
inline constexpr int sliderFrameStep = 15;
inline constexpr Sprite volumeFrame(int frame)
{
    return { Volume, 0, frame * sliderFrameStep, 68, 13 };
}
inline constexpr Sprite balanceFrame(int frame)
{
    return { Balance, 9, frame * sliderFrameStep, 38, 13 };
}
inline constexpr Sprite volumeThumb { Volume, 15, 422, 14, 11 };
inline constexpr Sprite balanceThumb { Balance, 15, 422, 14, 11 };
inline constexpr Area volumeArea { 107, 57, 68, 13 };
inline constexpr Area balanceArea { 177, 57, 38, 13 };
inline constexpr int sliderThumbTop = 1; // below the top of its area
// How far the thumb's left edge travels across its slider.
inline constexpr int volumeTravel = 51;
inline constexpr int balanceTravel = balanceArea.w - balanceThumb.w;

// text.bmp: 5 x 6 cells, 31 to a row.
inline constexpr int glyphWidth = 5;
inline constexpr int glyphHeight = 6;
// Row and column of a character's cell in text.bmp; both cases of a letter share one, and
// anything the font lacks is the blank at row 0, column 30.
constexpr std::array<int, 2> glyphCell(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        c -= U'a' - U'A';
    constexpr const char32_t* rows[]
        = { U"ABCDEFGHIJKLMNOPQRSTUVWXYZ\"@", U"0123456789\u2026.:()-'!_+\\/[]^&%,=$#", U"\u00c5\u00d6\u00c4?*" };
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; rows[row][col]; ++col) {
            if (rows[row][col] == c)
                return { row, col };
        }
    }
    if (c == U'<' || c == U'{')
        return { 1, 22 };
    if (c == U'>' || c == U'}')
        return { 1, 23 };
    return { 0, 30 };
}
// A text field: where it starts, how many glyphs Winamp draws into it (blanks after the
// text) and how many pixels of them show.
struct TextField
{
    int x, y, glyphs, width;
};
inline constexpr TextField songTitle { 111, 27, 31, 154 };

// The equalizer: flat, off, buttons up; its title bar inactive, the main window being the
// active one.
inline constexpr Placed equalizerStopped[] = {
    { { Eqmain, 0, 0, 275, 116 }, 0, 0 }, { { Eqmain, 0, 149, 275, 14 }, 0, 0 }, // inactive title bar
    { { Eqmain, 10, 119, 26, 12 }, 14, 18 }, // on, off
    { { Eqmain, 36, 119, 32, 12 }, 40, 18 }, // auto, off
    { { Eqmain, 224, 164, 44, 12 }, 217, 18 }, // presets
    { { Eqmain, 0, 294, 113, 19 }, 86, 17 }, // graph background
};
inline constexpr Area eqGraph { 86, 17, 113, 19 };
inline constexpr Sprite eqPreampLine { Eqmain, 0, 314, 113, 1 };
// One pixel a row: the colour of the curve at that height of the graph.
inline constexpr Sprite eqCurveColours { Eqmain, 115, 294, 1, 19 };
inline constexpr int eqSliderTop = 38;
inline constexpr int eqSliderHeight = 63;
// A band's thumb stands 0 to 50 pixels below the top of its slider, 0 dB half way.
inline constexpr int eqSliderTravel = 50;
inline constexpr std::array<int, 11> eqSliderLefts = { 21, 78, 96, 114, 132, 150, 168, 186, 204, 222, 240 };
inline constexpr Sprite eqSliderFrame(int frame)
{
    return { Eqmain, 13 + (frame % 14) * 15, frame < 14 ? 164 : 229, 14, 63 };
}
inline constexpr Sprite eqSliderThumb { Eqmain, 0, 164, 11, 11 };

// The playlist editor at its smallest, 275 x 116: corners, tiles and the title piece, the
// top ones inactive (21 pixels down), as the main window is the active one. The title is
// centred, at (275 - 100) / 2; the 62 and 63 pixels beside it each hold a tile cut to 12
// or 13 pixels, then two whole ones.
inline constexpr Placed playlistSmallest[] = {
    { { Pledit, 0, 21, 25, 20 }, 0, 0 }, // top left
    { { Pledit, 127, 21, 12, 20 }, 25, 0 }, // top filler
    { { Pledit, 127, 21, 25, 20 }, 37, 0 }, { { Pledit, 127, 21, 25, 20 }, 62, 0 },
    { { Pledit, 26, 21, 100, 20 }, 87, 0 }, // title
    { { Pledit, 127, 21, 13, 20 }, 187, 0 }, { { Pledit, 127, 21, 25, 20 }, 200, 0 },
    { { Pledit, 127, 21, 25, 20 }, 225, 0 }, { { Pledit, 153, 21, 25, 20 }, 250, 0 }, // top right
    { { Pledit, 0, 42, 12, 29 }, 0, 20 }, // left side
    { { Pledit, 0, 42, 12, 29 }, 0, 49 }, { { Pledit, 31, 42, 20, 29 }, 255, 20 }, // right side with the scroll groove
    { { Pledit, 31, 42, 20, 29 }, 255, 49 }, { { Pledit, 0, 72, 125, 38 }, 0, 78 }, // bottom left
    { { Pledit, 126, 72, 150, 38 }, 125, 78 }, // bottom right
    { { Pledit, 52, 53, 8, 18 }, 260, 20 }, // scroll thumb
};
inline constexpr Area playlistList { 12, 20, 243, 58 };
inline constexpr int playlistRowHeight = 13;
inline constexpr TextField playlistRunningTime { 132, 88, 18, 18 * glyphWidth };
// Stopped, Winamp clears the mini time with a blank piece of text.bmp on each of its
// places, leaving pledit.bmp's colon at 208 to 210.
inline constexpr Placed playlistMiniTimeCleared[] = {
    { { Text, 142, 0, 4, 6 }, 189, 101 },
    { { Text, 142, 0, 5, 6 }, 193, 101 },
    { { Text, 142, 0, 5, 6 }, 198, 101 },
    { { Text, 142, 0, 5, 6 }, 203, 101 },
    { { Text, 142, 0, 5, 6 }, 211, 101 },
    { { Text, 142, 0, 5, 6 }, 216, 101 },
};

} // namespace SpriteTable
