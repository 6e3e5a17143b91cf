#include "config/color_scheme.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "config/configuration.h"
#include "config/settings.h"
#include "config/test_env.h"

namespace config {
namespace {

using testing::ScratchTest;

TEST(ColorModel, DegreesScaleTruncatingTowardZero) {
  const struct {
    int in, out;
  } cases[] = {{332, 221}, {-15, -10}, {277, 185}, {2, 1}, {-2, -1}, {359, 240}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(DegreesToScale(c.in), c.out) << c.in;
}

TEST(ColorModel, HexTextsBecomeWindowsColours) {
  EXPECT_EQ(HexToColor("#80a0c0"), 0xC0A080u);
  EXPECT_EQ(HexToColor("#6082B6"), 0xB68260u);
  EXPECT_EQ(HexToColor("#12"), 0x12u);  // short text: missing digits count as 0
}

TEST(ColorModel, HlsOnThe240Scale) {
  const struct {
    Color c;
    int h, l, s;
  } cases[] = {
      {0x0000FF, 0, 120, 240},    // red
      {0x00FF00, 80, 120, 240},   // green
      {0xFF0000, 160, 120, 240},  // blue
      {0xFFFFFF, 160, 240, 0},    // white, hue undefined
      {0x000000, 160, 0, 0},     {0x808080, 160, 120, 0},
  };
  for (const auto& c : cases) {
    const Hls hls = RgbToHls(c.c);
    EXPECT_EQ(hls.hue, c.h) << std::hex << c.c;
    EXPECT_EQ(hls.luminance, c.l) << std::hex << c.c;
    EXPECT_EQ(hls.saturation, c.s) << std::hex << c.c;
    if (c.c != 0x808080) {
      EXPECT_EQ(HlsToRgb(hls), c.c);
    }
  }
  // Round trips stay within the precision of the 0..240 scale.
  for (Color c : {0x808080u, 0xADA89Eu, 0x7E4CB0u, 0xC2B594u, 0x123456u, 0xFEDCBAu}) {
    const Color back = HlsToRgb(RgbToHls(c));
    for (int shift : {0, 8, 16}) {
      EXPECT_LE(std::abs(static_cast<int>((back >> shift) & 0xFF) -
                         static_cast<int>((c >> shift) & 0xFF)),
                2)
          << std::hex << c;
    }
  }
}

TEST(ColorModel, ShiftHlsScalesAndWrapsSaturation) {
  const Color c = HlsToRgb({80, 120, 100});
  const Hls hls = RgbToHls(c);
  EXPECT_EQ(ShiftHls(c, 0, 0, -15), HlsToRgb({hls.hue, hls.luminance, hls.saturation - 10}));
  EXPECT_NE(ShiftHls(c, 0, 0, -15), HlsToRgb({hls.hue, hls.luminance, hls.saturation - 11}));
  // A saturation that wraps below zero is handed over as the negative value it stands for:
  // the colour loses its saturation instead of becoming fully saturated.
  const Color pale = HlsToRgb({80, 120, 5});
  const Color shifted = ShiftHls(pale, 0, 0, -15);
  EXPECT_EQ(shifted & 0xFF, (shifted >> 8) & 0xFF);
  EXPECT_EQ(shifted & 0xFF, (shifted >> 16) & 0xFF);
  EXPECT_EQ(SetLuminance(c, 359), 0xFFFFFFu);
}

class ColorSchemeTest : public ScratchTest {
 protected:
  void InstallPictures() {
    ASSERT_EQ(env_->CreateDirectory(Path("Wallpaper_Blue")), platform::kErrNone);
    Write("Wallpaper_Blue\\Wallpaper_001_1.jpg", "jpg");
  }
};

TEST_F(ColorSchemeTest, MissingPicturesFallBackToSchemeTwoWithOneMessage) {
  Write("QXACC.CFG", "LOOKANDFEEL=0\r\nDEFAULT_MAIN_COLOR=3\r\nCUSTOM_GRID_COLOR=123\r\n");
  Write("~bg_glmain32_0_tmp.bmp", "bmp");
  LoadConfiguration();
  EXPECT_EQ(boxes_, (std::vector<std::string>{"Folder not found."}));
  EXPECT_EQ(Settings().default_main_color, 2);
  EXPECT_NE(Read("QXACC.CFG").find("DEFAULT_MAIN_COLOR=2\r\n"), std::string::npos);
  EXPECT_NE(Read("QXACC.CFG").find("CUSTOM_GRID_COLOR=123\r\n"), std::string::npos);
  EXPECT_FALSE(env_->FileExists(Path("~bg_glmain32_0_tmp.bmp")));
  // Not computed: palette 1 still black, palette 6 holds the stored value.
  EXPECT_EQ(Palette(1).panel, 0u);
  EXPECT_EQ(Palette(6).grid, 123u);
  EXPECT_EQ(Palette(6).panel, 0u);

  // The fallback is stored: the next load computes the palettes without a message.
  LoadConfiguration();
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(Palette(1).panel, SetLuminance(HexToColor("#99b4d1"), 332));
}

TEST_F(ColorSchemeTest, PalettesAreBuiltFromTheirRecipes) {
  InstallPictures();
  Write("QXACC.CFG", "LOOKANDFEEL=0\r\nDEFAULT_MAIN_COLOR=4\r\nCUSTOM_GRID_COLOR=123\r\n");
  LoadConfiguration();
  EXPECT_TRUE(boxes_.empty());
  const Color scheme4 = HexToColor("#4c7eb1");
  EXPECT_EQ(Palette(1).panel, SetLuminance(scheme4, 330));
  EXPECT_EQ(Palette(1).background, SetLuminance(scheme4, 222));
  const Color base2 = HexToColor("#d7dcec");
  EXPECT_EQ(Palette(2).panel_to, SetLuminance(base2, 279));
  EXPECT_EQ(Palette(2).report_menu, ShiftHls(SetLuminance(base2, 174), 0, 0, 2));
  EXPECT_EQ(Palette(2).report_menu_to, ShiftHls(SetLuminance(base2, 202), 0, 0, -15));
  EXPECT_EQ(Palette(3).grid, SetLuminance(HexToColor("#94B5C2"), 327));
  // Palette 6 is recomputed whatever the CUSTOM keys say.
  EXPECT_EQ(Palette(6).grid, SetLuminance(HexToColor("#9ea8ad"), 332));
  EXPECT_NE(Palette(6).grid, 123u);
}

TEST_F(ColorSchemeTest, SchemeTwoNeedsNoPictures) {
  Write("QXACC.CFG", "LOOKANDFEEL=0\r\n");
  LoadConfiguration();
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Palette(1).grid, SetLuminance(HexToColor("#99b4d1"), 332));
  EXPECT_EQ(Read("QXACC.CFG"), "LOOKANDFEEL=0\r\n");
}

}  // namespace
}  // namespace config
