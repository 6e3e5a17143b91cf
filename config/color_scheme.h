// The six colour palettes the windows draw panels, grid bands, report menus and backgrounds
// with. They are recomputed from fixed base colours at every configuration load
// (ApplyColorScheme, the last step of LoadConfiguration); USER_COLOR_TYPE picks the palette a
// window uses, DEFAULT_MAIN_COLOR picks the base of palette 1.
//
// Colours are Windows colour values 0x00BBGGRR. Hue, luminance and saturation are on the
// 0..240 scale; values in degrees are scaled as degrees * 240 / 359, truncating toward zero.
//
// Contract that is easy to get wrong:
//  * When the scheme pictures are missing (and the scheme is not 2), ApplyColorScheme stores
//    scheme 2, saves QXACC.CFG, shows "Folder not found." once through the plain message box
//    and leaves the palettes as they were.
//  * Palette 6 is always recomputed from #9ea8ad, replacing the CUSTOM values read from
//    QXACC.CFG; a save in between writes the values held at that moment.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace config {

using Color = uint32_t;

struct Hls {
  int hue = 0;
  int luminance = 0;
  int saturation = 0;
};

// Conversions on the 0..240 scale. HlsToRgb clamps each component into 0..240 first, reading
// a component in 32768..65535 as the negative 16-bit value it wrapped from.
Hls RgbToHls(Color color);
Color HlsToRgb(const Hls& hls);

// degrees * 240 / 359, truncated toward zero (332 -> 221, -15 -> -10).
int DegreesToScale(int degrees);

// "#rrggbb" (either letter case) -> r + 256 g + 65536 b; an unfit digit counts as 0.
Color HexToColor(std::string_view text);
Color SetLuminance(Color color, int degrees);
// Adds each non-zero delta (degrees, scaled) to its component in 16-bit unsigned arithmetic.
Color ShiftHls(Color color, int hue_degrees, int luminance_degrees, int saturation_degrees);

struct ColorPalette {
  Color panel = 0;
  Color panel_to = 0;
  Color grid = 0;
  Color report_menu = 0;
  Color report_menu_to = 0;
  Color background = 0;
};

constexpr int kPaletteCount = 6;

// Palettes numbered 1..6, all black before the first computation.
std::array<ColorPalette, kPaletteCount>& Palettes();
// Palette `number` (1..6); numbers outside that range give palette 1.
ColorPalette& Palette(int number);

void BuildPalette(int number, Color base, int shift, const std::array<int, 6>& extras);

// The scheme picture check and the palette computation described above.
void ApplyColorScheme();

// The plain message box of the colour scheme check ("Folder not found."). The default writes
// the text to standard error; the GUI installs a real message box. nullptr restores the
// default.
using PlainMessageBox = std::function<void(const std::string& text)>;
void SetPlainMessageBox(PlainMessageBox box);

inline constexpr char kSchemePictureCheck[] = "\\Wallpaper_Blue\\Wallpaper_001_1.jpg";
inline constexpr char kTempBackgroundPicture[] = "~bg_glmain32_0_tmp.bmp";
inline constexpr char kFolderNotFound[] = "Folder not found.";

}  // namespace config
