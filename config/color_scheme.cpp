#include "config/color_scheme.h"

#include <algorithm>
#include <cstdio>

#include "config/configuration.h"
#include "config/environment.h"
#include "config/settings.h"

namespace config {
namespace {

constexpr int kHlsMax = 240;
constexpr int kRgbMax = 255;
constexpr int kUndefinedHue = kHlsMax * 2 / 3;

// Luminance bases of the palette fields, in degrees, in field order.
constexpr std::array<int, 6> kLuminanceBase = {332, 277, 332, 165, 193, 224};

constexpr const char* kSchemeColors[5] = {"#80a0c0", "#99b4d1", "#b0c4de", "#4c7eb1", "#6082B6"};

struct Recipe {
  const char* base;  // nullptr: the scheme colour
  int shift;
  std::array<int, 6> extras;
};
constexpr Recipe kRecipes[kPaletteCount] = {
    {nullptr, 0, {0, 0, 0, 0, 0, 0}},    {"#d7dcec", 2, {0, 0, 0, 7, 7, 7}},
    {"#94B5C2", -5, {0, 0, 0, 0, 0, 0}}, {"#b8b8a0", -5, {0, 0, 0, 0, 0, 0}},
    {"#B04C7E", 0, {0, 0, 0, 0, 0, 0}},  {"#9ea8ad", 0, {0, 0, 0, 0, 0, 0}},
};

PlainMessageBox& MessageBox() {
  static PlainMessageBox box;
  return box;
}

int R(Color c) { return static_cast<int>(c & 0xFF); }
int G(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
int B(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
Color MakeColor(int r, int g, int b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

int HexByte(std::string_view text, size_t pos) {
  if (pos + 1 >= text.size()) return 0;
  return HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1]);
}

int HueToRgb(int n1, int n2, int hue) {
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  if (hue < kHlsMax / 6) return n1 + (((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6));
  if (hue < kHlsMax / 2) return n2;
  if (hue < kHlsMax * 2 / 3) {
    return n1 + (((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6));
  }
  return n1;
}

// A component as handed over after 16-bit arithmetic: values from 32768 up are the negative
// numbers they wrapped from. Then brought into 0..240.
int ClampComponent(int v) {
  if (v >= 32768 && v <= 65535) v -= 65536;
  return std::clamp(v, 0, kHlsMax);
}

int Add16(int component, int degrees) {
  if (degrees == 0) return component;
  return static_cast<uint16_t>(static_cast<uint16_t>(component) +
                               static_cast<uint16_t>(DegreesToScale(degrees)));
}

void DefaultMessageBox(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

}  // namespace

Hls RgbToHls(Color color) {
  const int r = R(color), g = G(color), b = B(color);
  const int cmax = std::max({r, g, b});
  const int cmin = std::min({r, g, b});
  Hls out;
  out.luminance = ((cmax + cmin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
  if (cmax == cmin) {
    out.saturation = 0;
    out.hue = kUndefinedHue;
    return out;
  }
  const int delta = cmax - cmin;
  if (out.luminance <= kHlsMax / 2) {
    out.saturation = (delta * kHlsMax + (cmax + cmin) / 2) / (cmax + cmin);
  } else {
    const int rest = 2 * kRgbMax - cmax - cmin;
    out.saturation = (delta * kHlsMax + rest / 2) / rest;
  }
  const int rd = ((cmax - r) * (kHlsMax / 6) + delta / 2) / delta;
  const int gd = ((cmax - g) * (kHlsMax / 6) + delta / 2) / delta;
  const int bd = ((cmax - b) * (kHlsMax / 6) + delta / 2) / delta;
  int hue;
  if (r == cmax) {
    hue = bd - gd;
  } else if (g == cmax) {
    hue = kHlsMax / 3 + rd - bd;
  } else {
    hue = 2 * kHlsMax / 3 + gd - rd;
  }
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  out.hue = hue;
  return out;
}

Color HlsToRgb(const Hls& hls) {
  int hue = ClampComponent(hls.hue);
  if (hue == kHlsMax) hue = 0;
  const int lum = ClampComponent(hls.luminance);
  const int sat = ClampComponent(hls.saturation);
  if (sat == 0) {
    const int v = lum * kRgbMax / kHlsMax;
    return MakeColor(v, v, v);
  }
  int m2;
  if (lum <= kHlsMax / 2) {
    m2 = (lum * (kHlsMax + sat) + kHlsMax / 2) / kHlsMax;
  } else {
    m2 = lum + sat - (lum * sat + kHlsMax / 2) / kHlsMax;
  }
  const int m1 = 2 * lum - m2;
  auto channel = [&](int h) {
    return std::clamp((HueToRgb(m1, m2, h) * kRgbMax + kHlsMax / 2) / kHlsMax, 0, kRgbMax);
  };
  return MakeColor(channel(hue + kHlsMax / 3), channel(hue), channel(hue - kHlsMax / 3));
}

int DegreesToScale(int degrees) { return degrees * kHlsMax / 359; }

Color HexToColor(std::string_view text) {
  return MakeColor(HexByte(text, 1), HexByte(text, 3), HexByte(text, 5));
}

Color SetLuminance(Color color, int degrees) {
  Hls hls = RgbToHls(color);
  hls.luminance = DegreesToScale(degrees);
  return HlsToRgb(hls);
}

Color ShiftHls(Color color, int hue_degrees, int luminance_degrees, int saturation_degrees) {
  Hls hls = RgbToHls(color);
  hls.hue = Add16(hls.hue, hue_degrees);
  hls.luminance = Add16(hls.luminance, luminance_degrees);
  hls.saturation = Add16(hls.saturation, saturation_degrees);
  return HlsToRgb(hls);
}

std::array<ColorPalette, kPaletteCount>& Palettes() {
  static std::array<ColorPalette, kPaletteCount> palettes;
  return palettes;
}

ColorPalette& Palette(int number) {
  if (number < 1 || number > kPaletteCount) number = 1;
  return Palettes()[static_cast<size_t>(number - 1)];
}

void BuildPalette(int number, Color base, int shift, const std::array<int, 6>& extras) {
  ColorPalette& p = Palette(number);
  Color* fields[6] = {&p.panel,       &p.panel_to,       &p.grid,
                      &p.report_menu, &p.report_menu_to, &p.background};
  for (size_t f = 0; f < 6; ++f) {
    *fields[f] = SetLuminance(base, kLuminanceBase[f] + shift + extras[f]);
  }
  p.report_menu = ShiftHls(p.report_menu, 0, 0, 2);
  p.report_menu_to = ShiftHls(p.report_menu_to, 0, 0, -15);
}

void ApplyColorScheme() {
  ConfigSettings& s = Settings();
  platform::Env* env = CurrentEnv();
  if (s.default_main_color != 2 && !env->FileExists(StartupDirectory() + kSchemePictureCheck)) {
    s.default_main_color = 2;
    SaveConfiguration();
    const std::string temp_picture = TempDir() + kTempBackgroundPicture;
    if (env->FileExists(temp_picture)) env->DeleteFile(temp_picture);
    const PlainMessageBox& box = MessageBox();
    if (box) {
      box(kFolderNotFound);
    } else {
      DefaultMessageBox(kFolderNotFound);
    }
    return;
  }
  const int scheme =
      (s.default_main_color >= 1 && s.default_main_color <= 5) ? s.default_main_color : 2;
  for (int p = 1; p <= kPaletteCount; ++p) {
    const Recipe& r = kRecipes[p - 1];
    const char* base = r.base != nullptr ? r.base : kSchemeColors[scheme - 1];
    const int shift = (p == 1 && scheme == 4) ? -2 : r.shift;
    BuildPalette(p, HexToColor(base), shift, r.extras);
  }
}

void SetPlainMessageBox(PlainMessageBox box) { MessageBox() = std::move(box); }

}  // namespace config
