// resgen: regenerates the application's resources into a temporary folder,
// reads them back through the engine's own readers (property lists, the
// bitmap-font configuration, the image decoder) and compares them with the
// copies committed under app/resources.
//
// The sprite-frame cache is checked here through the property list itself;
// the frame cache's own reading of the sheet is its test's business.

#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Geometry.h"
#include "platform/Image.h"
#include "platform/PropertyList.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "support/TestSupport.h"
#include "tessera/CCBMFontConfiguration.h"
#include "tessera/CCConfiguration.h"
#include "tessera/ccMacros.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using platform::Ref;

extern char** environ;

namespace {

const std::vector<std::string> kGeneratedFiles = {
    "umbrascope.plist",        "umbrascope.png",         "umbrascope-hd.plist",     "umbrascope-hd.png",
    "courierNew12pt.fnt",      "courierNew12pt.png",     "courierNew12pt-hd.fnt",   "courierNew12pt-hd.png",
    "courierRED.fnt",          "courierRED.png",         "courierRED-hd.fnt",       "courierRED-hd.png",
    "fps_images.png",          "fps_images-hd.png",      "fire.png",                "fire-hd.png",
    "house-ad-1.png",          "house-ad-1-hd.png",      "house-ad-1-full.png",     "house-ad-1-full-hd.png",
    "house-ad-2.png",          "house-ad-2-hd.png",      "house-ad-2-full.png",     "house-ad-2-full-hd.png",
};

std::string hd(int scale) { return scale == 2 ? "-hd" : ""; }

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Ref<platform::Image> loadImage(const fs::path& path) {
  Ref<platform::Image> image = platform::Image::imageWithContentsOfFile(path.string());
  EXPECT_NE(nullptr, image.get()) << path;
  return image;
}

uint8_t alphaAt(const platform::Image& image, int x, int y) { return image.premultipliedPixel(x, y)[3]; }

// The first line where two texts differ, for a readable failure.
std::string firstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string lineA, lineB;
  for (int number = 1;; ++number) {
    const bool moreA = bool(std::getline(a, lineA)), moreB = bool(std::getline(b, lineB));
    if (!moreA && !moreB) return "";
    if (lineA != lineB || moreA != moreB) {
      return "line " + std::to_string(number) + ": generated \"" + (moreA ? lineA : "") + "\", committed \"" +
             (moreB ? lineB : "") + "\"";
    }
  }
}

// Whole-pixel rectangles overlap when they share at least one pixel.
bool overlap(CGRect a, CGRect b) {
  return a.origin.x < b.origin.x + b.size.width && b.origin.x < a.origin.x + a.size.width &&
         a.origin.y < b.origin.y + b.size.height && b.origin.y < a.origin.y + a.size.height;
}

bool inside(CGRect rect, const platform::Image& image) {
  return rect.origin.x >= 0 && rect.origin.y >= 0 && rect.origin.x + rect.size.width <= image.width() &&
         rect.origin.y + rect.size.height <= image.height();
}

// Generates once per test program, unless CTest's fixture has already
// generated into RESGEN_OUTPUT_DIR (every case is its own process there).
class GeneratedResources : public testing::Environment {
 public:
  void SetUp() override {
    if (const char* prepared = std::getenv("RESGEN_OUTPUT_DIR"); prepared && *prepared) {
      folder_ = prepared;
      exitStatus_ = fs::is_directory(folder_) ? 0 : -1;
      return;
    }
    folder_ = fs::temp_directory_path() / ("tessera-resgen-" + std::to_string(::getpid()));
    owned_ = true;
    fs::remove_all(folder_);
    const std::string folder = folder_.string();
    std::array<const char*, 5> arguments{RESGEN_EXECUTABLE, folder.c_str(), RESGEN_MONO_FONT, RESGEN_MONO_BOLD_FONT,
                                         nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, RESGEN_EXECUTABLE, nullptr, nullptr, const_cast<char**>(arguments.data()), environ) == 0) {
      int status = 0;
      if (waitpid(child, &status, 0) == child && WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
    }
  }
  void TearDown() override {
    if (owned_) fs::remove_all(folder_);
  }

  static fs::path folder_;
  static int exitStatus_;

 private:
  bool owned_ = false;
};

fs::path GeneratedResources::folder_;
int GeneratedResources::exitStatus_ = -1;
[[maybe_unused]] testing::Environment* const kGeneratedResources =
    testing::AddGlobalTestEnvironment(new GeneratedResources);

class ResgenTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(RESGEN_MONO_FONT) || !fs::exists(RESGEN_MONO_BOLD_FONT)) {
      GTEST_SKIP() << "source fonts missing (" RESGEN_MONO_FONT "); install fonts-liberation";
    }
    ASSERT_EQ(0, GeneratedResources::exitStatus_)
        << RESGEN_EXECUTABLE " failed, or " << GeneratedResources::folder_ << " is missing";
    output_ = GeneratedResources::folder_;
  }

  fs::path output_;
};

// [SECTION] Sprite sheet

struct Sheet {
  std::string textureFileName;
  std::map<std::string, CGRect> frames;  // pixels
  Ref<platform::Image> image;
};

// Reads the frame list at `scale` and its image. Expects format 2 with
// untrimmed, unrotated frames.
Sheet readSheet(const fs::path& folder, int scale) {
  Sheet sheet;
  const fs::path path = folder / ("umbrascope" + hd(scale) + ".plist");
  const std::optional<platform::Value> list = platform::readPropertyListFile(path.string());
  EXPECT_TRUE(list.has_value());
  if (!list) return sheet;
  EXPECT_EQ(2, (*list)["metadata"]["format"].intValue());
  sheet.textureFileName = (*list)["metadata"]["textureFileName"].stringValue();
  for (const auto& [name, frame] : (*list)["frames"].asDict()) {
    sheet.frames[name] = CGRectFromString(frame["frame"].stringValue());
    EXPECT_FALSE(frame["rotated"].boolValue()) << name;
    EXPECT_TRUE(CGPointEqualToPoint(CGPointZero, CGPointFromString(frame["offset"].stringValue()))) << name;
    EXPECT_TRUE(CGSizeEqualToSize(sheet.frames[name].size, CGSizeFromString(frame["sourceSize"].stringValue())))
        << name << " is trimmed";
  }
  sheet.image = loadImage(folder / sheet.textureFileName);
  return sheet;
}

TEST_F(ResgenTest, SheetFramesAreTheSameInPointsAtBothScalesAndLieApart) {
  Sheet sheets[2] = {readSheet(output_, 1), readSheet(output_, 2)};
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const Sheet& sheet = sheets[scale - 1];
    EXPECT_EQ("umbrascope" + hd(scale) + ".png", sheet.textureFileName) << "each list names its own image";
    ASSERT_TRUE(sheet.image);
    EXPECT_EQ(512 * scale, sheet.image->width());
    EXPECT_EQ(512 * scale, sheet.image->height());
    ASSERT_EQ(3u, sheet.frames.size());
    for (auto a = sheet.frames.begin(); a != sheet.frames.end(); ++a) {
      const CGRect r = a->second;
      const CGRect inPoints =
          CGRectMake(r.origin.x / scale, r.origin.y / scale, r.size.width / scale, r.size.height / scale);
      ASSERT_TRUE(sheets[0].frames.contains(a->first)) << a->first;
      EXPECT_TRUE(CGRectEqualToRect(sheets[0].frames.at(a->first), inPoints)) << a->first;
      ASSERT_TRUE(inside(r, *sheet.image)) << a->first;
      for (auto b = std::next(a); b != sheet.frames.end(); ++b) {
        EXPECT_FALSE(overlap(r, b->second)) << a->first << " and " << b->first;
      }
      // Linear filtering at the frame's edge must not pick up a neighbour.
      const int left = int(r.origin.x), top = int(r.origin.y);
      const int right = left + int(r.size.width) - 1, bottom = top + int(r.size.height) - 1;
      int ink = 0;
      for (int x = left; x <= right; ++x) ink += alphaAt(*sheet.image, x, top) + alphaAt(*sheet.image, x, bottom);
      for (int y = top; y <= bottom; ++y) ink += alphaAt(*sheet.image, left, y) + alphaAt(*sheet.image, right, y);
      EXPECT_EQ(0, ink) << a->first << " has ink on its outermost pixel ring";
    }
  }
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(252, 252), sheets[0].frames["radarbase3.png"].size));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(252, 252), sheets[0].frames["radarbase3c.png"].size))
      << "the arm turns about the radar's centre only if it is the base's size";
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(48, 56), sheets[0].frames["finger.png"].size));
}

TEST_F(ResgenTest, ArmLeadsAtTwelveWithItsTrailBehindAClockwiseSweep) {
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const Sheet sheet = readSheet(output_, scale);
    ASSERT_TRUE(sheet.image && sheet.frames.contains("radarbase3c.png") && sheet.frames.contains("radarbase3.png"));
    const CGRect arm = sheet.frames.at("radarbase3c.png"), base = sheet.frames.at("radarbase3.png");
    // 60 points from the centre, `degrees` clockwise from 12 o'clock (rows grow downward).
    auto armAlpha = [&](float degrees) {
      const float a = degrees * 3.14159265f / 180.0f;
      return alphaAt(*sheet.image, int(arm.origin.x + arm.size.width / 2 + 60.0f * scale * std::sin(a)),
                     int(arm.origin.y + arm.size.height / 2 - 60.0f * scale * std::cos(a)));
    };
    EXPECT_EQ(255, armAlpha(0)) << "leading edge";
    EXPECT_GT(armAlpha(-30), 40) << "trail counter-clockwise of the edge";
    EXPECT_GT(armAlpha(-20), armAlpha(-50)) << "the trail fades away from the edge";
    EXPECT_EQ(0, armAlpha(30)) << "nothing ahead of the edge";
    EXPECT_EQ(0, armAlpha(180));
    const int cx = int(base.origin.x + base.size.width / 2), cy = int(base.origin.y + base.size.height / 2);
    EXPECT_EQ(255, alphaAt(*sheet.image, cx + 100 * scale, cy + 17 * scale)) << "the base is an opaque disc";
    EXPECT_EQ(0, alphaAt(*sheet.image, int(base.origin.x) + 4 * scale, int(base.origin.y) + 4 * scale));
  }
}

// [SECTION] Bitmap fonts

struct FontCase {
  const char* name;
  int scale;
  std::array<int, 3> color;
};

void PrintTo(const FontCase& font, std::ostream* out) { *out << font.name << (font.scale == 2 ? "-hd" : ""); }

class ResgenFontTest : public ResgenTest, public testing::WithParamInterface<FontCase> {
 protected:
  void SetUp() override {
    ResgenTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The page-size check reads the GL's maximum texture size.
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) GTEST_SKIP() << "no OpenGL ES 1.1 context";
    CCConfiguration::purgeSharedConfigurationForTesting();
    CCBMFontConfiguration::purgeCachedData();
  }
  void TearDown() override {
    CCBMFontConfiguration::purgeCachedData();
    CCConfiguration::purgeSharedConfigurationForTesting();
    platform::GLContext::setCurrentContext(nullptr);
    platform::resetFacts();
    ccSetContentScaleFactor(1.0f);
  }
  Ref<platform::GLContext> context_;
};

TEST_P(ResgenFontTest, ParsesWithExactMetricsAndCleanlyPackedGlyphs) {
  const FontCase& font = GetParam();
  const int s = font.scale;
  const fs::path fnt = output_ / (std::string(font.name) + hd(s) + ".fnt");
  testing_support::AssertionRecorder assertions;
  Ref<CCBMFontConfiguration> configuration = CCBMFontConfiguration::configurationWithFNTFile(fnt.string());
  ASSERT_NE(nullptr, configuration.get());
  EXPECT_TRUE(assertions.empty()) << assertions.messages().front();
  EXPECT_EQ(14u * s, configuration->commonHeight());
  const std::string text = readText(fnt);
  const int base = 10 * s;
  const std::string common = "common lineHeight=" + std::to_string(14 * s) + " base=" + std::to_string(base) + " ";
  EXPECT_NE(std::string::npos, text.find(common)) << "the base line documents where the baseline is";
  EXPECT_EQ((output_ / (std::string(font.name) + hd(s) + ".png")).string(), configuration->atlasName());

  const Ref<platform::Image> page = loadImage(configuration->atlasName());
  ASSERT_NE(nullptr, page.get());
  EXPECT_EQ(128 * s, page->width());
  EXPECT_EQ(64 * s, page->height());

  std::vector<CGRect> rects;
  for (uint32_t code = 32; code <= 126; ++code) {
    SCOPED_TRACE(code);
    const BMFontDef& glyph = configuration->fontDef(code);
    EXPECT_EQ(code, glyph.charID) << "undefined";
    EXPECT_EQ(7 * s, glyph.xAdvance);
    if (code == ' ') {
      EXPECT_TRUE(CGRectEqualToRect(CGRectZero, glyph.rect));
      continue;
    }
    const CGRect r = glyph.rect;
    ASSERT_TRUE(r.size.width > 0 && r.size.height > 0 && inside(r, *page));
    for (const CGRect& other : rects) EXPECT_FALSE(overlap(r, other));
    rects.push_back(r);
    const int left = int(r.origin.x), top = int(r.origin.y);
    const int right = left + int(r.size.width), bottom = top + int(r.size.height);  // exclusive
    int inkInside = 0, inkAround = 0;
    for (int y = std::max(top - 1, 0); y <= std::min(bottom, page->height() - 1); ++y) {
      for (int x = std::max(left - 1, 0); x <= std::min(right, page->width() - 1); ++x) {
        const bool within = x >= left && x < right && y >= top && y < bottom;
        (within ? inkInside : inkAround) += alphaAt(*page, x, y);
      }
    }
    EXPECT_GT(inkInside, 0);
    EXPECT_EQ(0, inkAround) << "ink in the glyph's 1-pixel gutter";
  }
  // The colour is baked into the page: labels are drawn untinted.
  const std::vector<uint8_t>& bytes = page->pixels();  // straight RGBA
  std::size_t strongest = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 4) strongest = bytes[i + 3] > bytes[strongest + 3] ? i : strongest;
  EXPECT_EQ(font.color, (std::array<int, 3>{bytes[strongest], bytes[strongest + 1], bytes[strongest + 2]}));
  // Capitals and digits stand on the baseline; descenders go below it.
  for (uint32_t code : {'H', '0', 'x'}) {
    const BMFontDef& glyph = configuration->fontDef(code);
    EXPECT_EQ(base, glyph.yOffset + int(glyph.rect.size.height)) << char(code);
  }
  const BMFontDef& g = configuration->fontDef('g');
  EXPECT_GT(g.yOffset + int(g.rect.size.height), base);
}

INSTANTIATE_TEST_SUITE_P(Fonts, ResgenFontTest,
                         testing::Values(FontCase{"courierNew12pt", 1, {255, 255, 255}},
                                         FontCase{"courierNew12pt", 2, {255, 255, 255}},
                                         FontCase{"courierRED", 1, {255, 33, 33}},
                                         FontCase{"courierRED", 2, {255, 33, 33}}),
                         [](const testing::TestParamInfo<FontCase>& info) {
                           return std::string(info.param.name) + (info.param.scale == 2 ? "HD" : "");
                         });

TEST_F(ResgenFontTest, TheEngineFindsTheHdFontAtScaleTwo) {
  platform::facts().resourceDir = output_.string();
  ccSetContentScaleFactor(2.0f);
  Ref<CCBMFontConfiguration> configuration = CCBMFontConfiguration::configurationWithFNTFile("courierRED.fnt");
  ASSERT_NE(nullptr, configuration.get());
  EXPECT_EQ(28u, configuration->commonHeight());
  EXPECT_EQ("courierRED-hd.png", configuration->atlasName());
}

// [SECTION] Frame-rate digits, fire, house ads

TEST_F(ResgenTest, ImagesHaveTheirSizesInPointsAtBothScales) {
  const std::vector<std::tuple<std::string, int, int>> sizes = {
      {"fps_images", 192, 24}, {"fire", 64, 64},  // the fire must be square and a power of two
      {"house-ad-1", 480, 32}, {"house-ad-1-full", 480, 320}, {"house-ad-2", 480, 32}, {"house-ad-2-full", 480, 320}};
  for (const auto& [name, width, height] : sizes) {
    for (int scale : {1, 2}) {
      const Ref<platform::Image> image = loadImage(output_ / (name + hd(scale) + ".png"));
      ASSERT_TRUE(image) << name;
      EXPECT_EQ(width * scale, image->width()) << name << hd(scale);
      EXPECT_EQ(height * scale, image->height()) << name << hd(scale);
    }
  }
}

TEST_F(ResgenTest, FrameRateDigitsFillTwelveCellsWithoutTouchingTheirEdges) {
  for (int scale : {1, 2}) {
    const Ref<platform::Image> digits = loadImage(output_ / ("fps_images" + hd(scale) + ".png"));
    const int cellWidth = 16 * scale, cellHeight = 24 * scale;
    ASSERT_TRUE(digits && digits->width() == 12 * cellWidth && digits->height() == cellHeight);
    for (int cell = 0; cell < 12; ++cell) {
      int ink = 0, edgeInk = 0;
      for (int y = 0; y < cellHeight; ++y) {
        for (int x = cell * cellWidth; x < (cell + 1) * cellWidth; ++x) {
          const bool edge = y == 0 || y == cellHeight - 1 || x == cell * cellWidth || x == (cell + 1) * cellWidth - 1;
          (edge ? edgeInk : ink) += alphaAt(*digits, x, y);
        }
      }
      EXPECT_GT(ink, 0) << "cell " << cell << hd(scale);
      EXPECT_EQ(0, edgeInk) << "cell " << cell << hd(scale) << " would bleed into its neighbour";
    }
  }
}

TEST_F(ResgenTest, FireFallsOffRadiallyToClearEdges) {
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const Ref<platform::Image> fire = loadImage(output_ / ("fire" + hd(scale) + ".png"));
    ASSERT_TRUE(fire && fire->width() == fire->height());
    const int side = fire->width(), middle = side / 2;
    for (auto [x, y] : {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}, {0, middle}}) {
      EXPECT_EQ(0, alphaAt(*fire, x, y)) << x << "," << y;
    }
    EXPECT_EQ(255, alphaAt(*fire, middle, middle));
    for (int x = middle + 1; x < side; ++x) EXPECT_LE(alphaAt(*fire, x, middle), alphaAt(*fire, x - 1, middle));
    const std::array<uint8_t, 4> halfway = fire->premultipliedPixel(side * 3 / 4, middle);
    EXPECT_EQ(halfway[3], halfway[0]) << "white, so the particle colour decides the hue";
  }
}

// [SECTION] Committed copies

TEST_F(ResgenTest, CommittedResourcesMatchAFreshRun) {
  const fs::path committed = RESGEN_COMMITTED_DIR;
  EXPECT_TRUE(fs::exists(committed / "NOTICE")) << "the font's credit and licence";
  for (const std::string& name : kGeneratedFiles) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(fs::exists(output_ / name)) << "not generated";
    ASSERT_TRUE(fs::exists(committed / name)) << "not committed; run the regen-resources target";
    if (fs::path(name).extension() != ".png") {
      // Metrics and rectangles must match exactly.
      EXPECT_EQ("", firstDifference(readText(output_ / name), readText(committed / name)))
          << "stale; run the regen-resources target";
      continue;
    }
    // Pixels may drift by a step or two with another FreeType or zlib.
    const Ref<platform::Image> fresh = loadImage(output_ / name);
    const Ref<platform::Image> stored = loadImage(committed / name);
    ASSERT_TRUE(fresh && stored);
    ASSERT_EQ(fresh->width(), stored->width());
    ASSERT_EQ(fresh->height(), stored->height());
    int worst = 0;
    for (int y = 0; y < fresh->height(); ++y) {
      for (int x = 0; x < fresh->width(); ++x) {
        const auto a = fresh->premultipliedPixel(x, y), b = stored->premultipliedPixel(x, y);
        for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
      }
    }
    EXPECT_LE(worst, 2) << "stale; run the regen-resources target";
  }
}

}  // namespace
