// resgen: writes the radar application's resources.
//
//   resgen OUTDIR [mono.ttf] [mono-bold.ttf]
//
// Output, each at 1x and as a "-hd" variant at twice the pixels:
//   umbrascope.plist/.png         sprite sheet: radar base, sweeping arm, finger pad
//   courierNew12pt.fnt/.png       white bitmap font, ASCII 32-126
//   courierRED.fnt/.png           the same font in red
//   fps_images.png                frame-rate digits ". / 0-9" in 16x24-point cells
//   fire.png                      soft round particle
//   house-ad-N.png                480x32-point house-ad banners
//   house-ad-N-full.png           480x320-point screens a banner opens
//
// Everything is drawn from code and the two font files, so the output is the
// same bytes on every run with the same FreeType and libpng. Art is painted
// analytically in points and supersampled 4x4 per pixel; the -hd layout is
// the 1x layout doubled, so sizes and rectangles in points match exactly.
//
// [SECTION] Errors and small helpers
// [SECTION] Pixmaps and PNG output
// [SECTION] Shelf packing
// [SECTION] FreeType faces and glyphs
// [SECTION] Radar sheet and its frame list
// [SECTION] Bitmap fonts
// [SECTION] Frame-rate digits and fire
// [SECTION] House-ad banners
// [SECTION] main

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// [SECTION] Errors and small helpers

constexpr const char* kDefaultMonoFont = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";
constexpr const char* kDefaultMonoBoldFont = "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf";

// Every failure is fatal for a generator: report it and write nothing more.
struct GeneratorError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void require(bool condition, const std::string& message) {
  if (!condition) throw GeneratorError(message);
}

int nextPowerOfTwo(int value) {
  int result = 1;
  while (result < value) result *= 2;
  return result;
}

void writeTextFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  require(out.good(), "cannot write " + path.string());
}

std::string xmlEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

// [SECTION] Pixmaps and PNG output

// A colour with premultiplied alpha, components 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 0;
};

constexpr Color kClear{};

// An 8-bit straight colour at opacity `alpha`, premultiplied.
Color rgb(int r, int g, int b, float alpha = 1.0f) {
  return {r / 255.0f * alpha, g / 255.0f * alpha, b / 255.0f * alpha, alpha};
}

// `top` composited over `bottom`.
Color over(Color top, Color bottom) {
  const float keep = 1.0f - top.a;
  return {top.r + bottom.r * keep, top.g + bottom.g * keep, top.b + bottom.b * keep, top.a + bottom.a * keep};
}

Color scaled(Color color, float factor) {
  return {color.r * factor, color.g * factor, color.b * factor, color.a * factor};
}

Color mix(Color from, Color to, float t) {
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
          from.a + (to.a - from.a) * t};
}

// Premultiplied float pixels, top row first.
struct Pixmap {
  Pixmap(int width, int height) : width(width), height(height), pixels(std::size_t(width) * height) {}

  Color& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
  const Color& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }

  int width;
  int height;
  std::vector<Color> pixels;
};

// The colour of a picture at a point, in points from the picture's top-left.
using Shader = std::function<Color(float x, float y)>;

constexpr int kSupersampling = 4;

// A picture of `widthPt` x `heightPt` points at `scale` pixels per point,
// each pixel the average of a 4x4 grid of shader samples.
Pixmap paint(int widthPt, int heightPt, int scale, const Shader& shader) {
  Pixmap out(widthPt * scale, heightPt * scale);
  const float step = 1.0f / kSupersampling;
  const float weight = 1.0f / (kSupersampling * kSupersampling);
  for (int py = 0; py < out.height; ++py) {
    for (int px = 0; px < out.width; ++px) {
      Color sum;
      for (int sy = 0; sy < kSupersampling; ++sy) {
        for (int sx = 0; sx < kSupersampling; ++sx) {
          const float x = (px + (sx + 0.5f) * step) / scale;
          const float y = (py + (sy + 0.5f) * step) / scale;
          const Color sample = shader(x, y);
          sum = {sum.r + sample.r, sum.g + sample.g, sum.b + sample.b, sum.a + sample.a};
        }
      }
      out.at(px, py) = scaled(sum, weight);
    }
  }
  return out;
}

void blit(Pixmap& target, const Pixmap& source, int left, int top) {
  require(left >= 0 && top >= 0 && left + source.width <= target.width && top + source.height <= target.height,
          "blit outside the target");
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < source.width; ++x) target.at(left + x, top + y) = source.at(x, y);
  }
}

uint8_t toByte(float unit) { return uint8_t(std::lround(std::clamp(unit, 0.0f, 1.0f) * 255.0f)); }

// Writes 8-bit RGBA with straight alpha and colour 0 wherever alpha is 0;
// no ancillary chunks, so decoders apply no gamma or colour management.
void writePng(const fs::path& path, const Pixmap& image) {
  std::vector<uint8_t> bytes(std::size_t(image.width) * image.height * 4);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const Color& p = image.pixels[i];
    const uint8_t alpha = toByte(p.a);
    if (alpha == 0) continue;
    const float unpremultiply = 1.0f / std::clamp(p.a, 1e-6f, 1.0f);
    bytes[i * 4 + 0] = toByte(p.r * unpremultiply);
    bytes[i * 4 + 1] = toByte(p.g * unpremultiply);
    bytes[i * 4 + 2] = toByte(p.b * unpremultiply);
    bytes[i * 4 + 3] = alpha;
  }

  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  require(file != nullptr, "cannot create " + path.string());
  std::vector<png_bytep> rows(image.height);
  for (int y = 0; y < image.height; ++y) rows[y] = bytes.data() + std::size_t(y) * image.width * 4;
  // Nothing with a destructor may be created between setjmp and the last
  // libpng call: an error longjmps back here.
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw GeneratorError("libpng failed writing " + path.string());
  }
  png_init_io(png, file.get());
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  require(std::fflush(file.get()) == 0 && !std::ferror(file.get()), "cannot write " + path.string());
}

// [SECTION] Shelf packing

struct PackedBox {
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
};

// Places the boxes on shelves, tallest first (ties keep their order), each on
// the first shelf with room; `margin` is kept from the page's left and top
// edges and `gap` between boxes. Returns the height used, bottom margin
// included. Expects every box to fit the page width.
int packShelves(std::vector<PackedBox>& boxes, int pageWidth, int margin, int gap) {
  std::vector<std::size_t> order(boxes.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return boxes[a].height > boxes[b].height; });

  struct Shelf {
    int y, height, nextX;
  };
  std::vector<Shelf> shelves;
  for (std::size_t index : order) {
    PackedBox& box = boxes[index];
    require(margin + box.width + margin <= pageWidth, "box wider than the page");
    Shelf* shelf = nullptr;
    for (Shelf& candidate : shelves) {
      if (candidate.nextX + box.width + margin <= pageWidth) {
        shelf = &candidate;
        break;
      }
    }
    if (!shelf) {
      const int y = shelves.empty() ? margin : shelves.back().y + shelves.back().height + gap;
      shelves.push_back({y, box.height, margin});
      shelf = &shelves.back();
    }
    box.x = shelf->nextX;
    box.y = shelf->y;
    shelf->nextX += box.width + gap;
  }
  return shelves.empty() ? 2 * margin : shelves.back().y + shelves.back().height + margin;
}

// [SECTION] FreeType faces and glyphs

// A glyph's coverage bitmap trimmed to its ink, placed relative to the pen:
// `left` pixels right of the pen, top edge `top` pixels above the baseline.
struct Glyph {
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  int advance = 0;
  std::vector<uint8_t> coverage;

  uint8_t at(int x, int y) const { return coverage[std::size_t(y) * width + x]; }
};

class Face {
 public:
  explicit Face(const std::string& path) {
    require(FT_Init_FreeType(&library_) == 0, "FreeType cannot start");
    if (FT_New_Face(library_, path.c_str(), 0, &face_) != 0) {
      FT_Done_FreeType(library_);
      throw GeneratorError("cannot open font " + path);
    }
  }
  ~Face() {
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  // Renders `code` at an em of `pixelSize` pixels, anti-aliased with light
  // (vertical-only) hinting, and trims empty rows and columns.
  Glyph glyph(char32_t code, int pixelSize) const {
    require(FT_Set_Pixel_Sizes(face_, 0, pixelSize) == 0, "cannot size the font");
    const FT_UInt index = FT_Get_Char_Index(face_, code);
    require(index != 0, "the font has no glyph for U+" + std::to_string(unsigned(code)));
    require(FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0, "cannot render a glyph");
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    require(bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.rows == 0, "unexpected glyph bitmap mode");

    Glyph out;
    out.advance = int((slot->advance.x + 32) >> 6);
    int minX = int(bitmap.width), minY = int(bitmap.rows), maxX = -1, maxY = -1;
    auto coverageAt = [&](int x, int y) { return bitmap.buffer[std::ptrdiff_t(y) * bitmap.pitch + x]; };
    for (int y = 0; y < int(bitmap.rows); ++y) {
      for (int x = 0; x < int(bitmap.width); ++x) {
        if (coverageAt(x, y) == 0) continue;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
    if (maxX < 0) return out;  // no ink (space)
    out.width = maxX - minX + 1;
    out.height = maxY - minY + 1;
    out.left = slot->bitmap_left + minX;
    out.top = slot->bitmap_top - minY;
    out.coverage.resize(std::size_t(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) out.coverage[std::size_t(y) * out.width + x] = coverageAt(minX + x, minY + y);
    }
    return out;
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

// Composites `glyph` in `color`, its pen at (penX, baseline), skipping
// pixels outside `clip` (left, top, right, bottom; right and bottom exclusive).
void drawGlyph(Pixmap& target, const Glyph& glyph, int penX, int baseline, Color color,
               std::array<int, 4> clip) {
  for (int y = 0; y < glyph.height; ++y) {
    for (int x = 0; x < glyph.width; ++x) {
      const int tx = penX + glyph.left + x;
      const int ty = baseline - glyph.top + y;
      if (tx < clip[0] || ty < clip[1] || tx >= clip[2] || ty >= clip[3]) continue;
      Color& pixel = target.at(tx, ty);
      pixel = over(scaled(color, glyph.at(x, y) / 255.0f), pixel);
    }
  }
}

// Draws one line of text centred on `centreX`, baseline at `baseline`
// (pixels). Pen steps are the rounded advances, so monospace stays even.
void drawText(Pixmap& target, const Face& face, int pixelSize, std::u32string_view text, float centreX,
              int baseline, Color color) {
  std::vector<Glyph> glyphs;
  int width = 0;
  for (char32_t code : text) {
    glyphs.push_back(face.glyph(code, pixelSize));
    width += glyphs.back().advance;
  }
  int pen = int(std::lround(centreX - width * 0.5f));
  for (const Glyph& glyph : glyphs) {
    drawGlyph(target, glyph, pen, baseline, color, {0, 0, target.width, target.height});
    pen += glyph.advance;
  }
}

// [SECTION] Radar sheet and its frame list

// The radar, in points: the base and the arm are the same square, centred on
// the radar's centre, so rotating the arm sprite about its middle turns it
// about the radar. A 2-point transparent margin keeps linear filtering of the
// rotating arm from reaching a neighbouring frame.
constexpr int kRadarSide = 252;
constexpr float kRadarCentre = 126.0f;
constexpr float kRadarRadius = 124.0f;
constexpr float kBezelWidth = 3.0f;
constexpr float kScopeRadius = kRadarRadius - kBezelWidth;  // inside the bezel
constexpr int kPadWidth = 48;
constexpr int kPadHeight = 56;
constexpr int kSheetSide = 512;  // points; the -hd sheet is 1024 pixels
constexpr int kSheetGap = 2;
constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

// Distance from a point at angle `angle` (radians) and radius `distance` to
// the nearest spoke of a fan with one spoke every `spacing` radians.
float distanceToSpoke(float angle, float distance, float spacing) {
  const float nearest = std::round(angle / spacing) * spacing;
  return distance * std::fabs(std::sin(angle - nearest));
}

Color radarBase(float x, float y) {
  const float dx = x - kRadarCentre, dy = y - kRadarCentre;
  const float distance = std::hypot(dx, dy);
  if (distance > kRadarRadius) return kClear;
  if (distance >= kScopeRadius) {
    // Bezel, brightest along its middle.
    const float across = std::fabs((distance - kScopeRadius) / kBezelWidth - 0.5f) * 2.0f;
    return mix(rgb(96, 240, 120), rgb(40, 160, 64), across);
  }
  // Phosphor: a dark green that deepens towards the rim.
  Color color = mix(rgb(0, 41, 5), rgb(0, 20, 5), distance / kRadarRadius);
  const float gridX = std::fabs(dx - 16.0f * std::round(dx / 16.0f));
  const float gridY = std::fabs(dy - 16.0f * std::round(dy / 16.0f));
  if (gridX < 0.35f || gridY < 0.35f) color = over(rgb(26, 89, 38), color);
  if (std::fabs(dx - dy) < 0.7071f || std::fabs(dx + dy) < 0.7071f) color = over(rgb(38, 128, 51), color);
  for (float ring : {0.25f, 0.5f, 0.75f}) {
    if (std::fabs(distance - ring * kRadarRadius) < 0.6f) color = over(rgb(51, 179, 77), color);
  }
  if (std::fabs(dx) < 0.6f || std::fabs(dy) < 0.6f) color = over(rgb(51, 179, 77), color);
  // Ticks inward from the bezel: every 10 degrees short, every 30 long.
  const float angle = std::atan2(dy, dx);
  if (distance > kScopeRadius - 8.0f && distanceToSpoke(angle, distance, 30.0f * kDegree) < 0.75f) {
    color = over(rgb(64, 217, 89), color);
  } else if (distance > kScopeRadius - 4.0f && distanceToSpoke(angle, distance, 10.0f * kDegree) < 0.5f) {
    color = over(rgb(64, 217, 89), color);
  }
  if (distance < 2.5f) color = over(rgb(153, 255, 166), color);
  return color;
}

// The arm at rotation 0: its leading edge points to 12 o'clock. A positive
// rotation turns the sprite clockwise, so the fading trail lies
// counter-clockwise of the edge, behind the sweep.
Color radarArm(float x, float y) {
  const float dx = x - kRadarCentre, dy = y - kRadarCentre;  // y grows downward
  const float distance = std::hypot(dx, dy);
  if (distance > kScopeRadius) return kClear;
  if (std::fabs(dx) < 1.0f && dy <= 0.0f) return rgb(153, 255, 166);
  const float clockwise = std::atan2(dx, -dy) / kDegree;  // 0 at 12 o'clock, 90 at 3
  constexpr float kTrail = 60.0f;
  if (clockwise > 0.0f || clockwise < -kTrail) return kClear;
  return rgb(64, 255, 102, 0.55f * (1.0f + clockwise / kTrail));
}

// Signed distance from a point to a rounded rectangle given by its centre,
// half sizes and corner radius (negative inside).
float roundedRectDistance(float x, float y, float centreX, float centreY, float halfWidth, float halfHeight,
                          float radius) {
  const float qx = std::fabs(x - centreX) - (halfWidth - radius);
  const float qy = std::fabs(y - centreY) - (halfHeight - radius);
  const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
  return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// The finger pad: a rounded panel (1-point transparent margin) with a bright
// border and the ridges of a fingertip whorl.
Color fingerPad(float x, float y) {
  const float edge = roundedRectDistance(x, y, kPadWidth * 0.5f, kPadHeight * 0.5f, kPadWidth * 0.5f - 1.0f,
                                         kPadHeight * 0.5f - 1.0f, 8.0f);
  if (edge > 0.0f) return kClear;
  if (edge > -1.5f) return rgb(64, 204, 89);
  Color color = rgb(10, 31, 15, 0.9f);
  if (edge > -3.0f) return color;
  // Ridges: concentric ellipses of a fingertip whorl, 2.8 points apart
  // across and 3.7 along (resolvable at 1x), gently waved so they read as
  // skin rather than a target. The outermost is 34 x 44 points.
  const float dx = x - kPadWidth * 0.5f, dy = y - (kPadHeight * 0.5f + 2.0f);
  const float reach = std::hypot(dx / 17.0f, dy / 22.0f);  // about 1 on the outermost ridge
  const float ridge = reach * 6.0f + 0.15f * reach * std::sin(3.0f * std::atan2(dy, dx) + 4.0f * reach);
  if (ridge < 6.5f && std::fabs(ridge - std::round(ridge)) < 0.2f) color = over(rgb(89, 230, 115), color);
  return color;
}

struct SheetFrame {
  const char* name;
  int width;  // points
  int height;
  Color (*shader)(float, float);
};

constexpr std::array<SheetFrame, 3> kSheetFrames{{
    {"radarbase3.png", kRadarSide, kRadarSide, radarBase},
    {"radarbase3c.png", kRadarSide, kRadarSide, radarArm},
    {"finger.png", kPadWidth, kPadHeight, fingerPad},
}};

// Frame positions in points, the same at every scale.
std::vector<PackedBox> sheetLayout() {
  std::vector<PackedBox> boxes;
  for (const SheetFrame& frame : kSheetFrames) boxes.push_back({frame.width, frame.height});
  const int height = packShelves(boxes, kSheetSide, 0, kSheetGap);
  require(height <= kSheetSide, "the sprite sheet overflows");
  return boxes;
}

// "{a,b}", the text form of a point or a size. Built by appending: GCC 12
// warns falsely (-Wrestrict) on `"{" + std::string` at -O2.
std::string bracedPair(int a, int b) {
  std::string text("{");
  text.append(std::to_string(a)).append(",").append(std::to_string(b)).append("}");
  return text;
}

// The frame list: format 2 (frame, offset, rotated, sourceSize), rectangles in
// pixels of this variant's image, which it names.
std::string sheetPlist(const std::vector<PackedBox>& layout, int scale, const std::string& imageName) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<plist version=\"1.0\">\n"
      "<dict>\n"
      "\t<key>frames</key>\n"
      "\t<dict>\n";
  for (std::size_t i = 0; i < kSheetFrames.size(); ++i) {
    const PackedBox& box = layout[i];
    const std::string origin = bracedPair(box.x * scale, box.y * scale);
    const std::string size = bracedPair(box.width * scale, box.height * scale);
    out.append("\t\t<key>").append(xmlEscaped(kSheetFrames[i].name)).append("</key>\n\t\t<dict>\n");
    out.append("\t\t\t<key>frame</key><string>{").append(origin).append(",").append(size).append("}</string>\n");
    out += "\t\t\t<key>offset</key><string>{0,0}</string>\n";
    out += "\t\t\t<key>rotated</key><false/>\n";
    out += "\t\t\t<key>sourceSize</key><string>" + size + "</string>\n";
    out += "\t\t</dict>\n";
  }
  out +=
      "\t</dict>\n"
      "\t<key>metadata</key>\n"
      "\t<dict>\n"
      "\t\t<key>format</key><integer>2</integer>\n"
      "\t\t<key>textureFileName</key><string>" +
      xmlEscaped(imageName) +
      "</string>\n"
      "\t</dict>\n"
      "</dict>\n"
      "</plist>\n";
  return out;
}

void writeSheet(const fs::path& folder, int scale, const std::string& suffix) {
  const std::vector<PackedBox> layout = sheetLayout();
  Pixmap sheet(kSheetSide * scale, kSheetSide * scale);
  for (std::size_t i = 0; i < kSheetFrames.size(); ++i) {
    const SheetFrame& frame = kSheetFrames[i];
    blit(sheet, paint(frame.width, frame.height, scale, frame.shader), layout[i].x * scale, layout[i].y * scale);
  }
  const std::string imageName = "umbrascope" + suffix + ".png";
  writePng(folder / imageName, sheet);
  writeTextFile(folder / ("umbrascope" + suffix + ".plist"), sheetPlist(layout, scale, imageName));
}

// [SECTION] Bitmap fonts

// Metrics at 1x, in pixels; the -hd font is exactly twice these, so labels
// measure the same in points at both scales.
constexpr int kFontEm = 12;
constexpr int kFontLineHeight = 14;
constexpr int kFontBase = 10;
constexpr int kFontAdvance = 7;
constexpr int kFontPageWidth = 128;
constexpr char32_t kFirstCharacter = 32;
constexpr char32_t kLastCharacter = 126;

struct PackedFont {
  int scale = 1;
  int pageWidth = 0;
  int pageHeight = 0;
  std::vector<Glyph> glyphs;     // by code - kFirstCharacter
  std::vector<PackedBox> boxes;  // the same order
};

PackedFont packFont(const Face& face, int scale) {
  PackedFont font;
  font.scale = scale;
  font.pageWidth = kFontPageWidth * scale;
  for (char32_t code = kFirstCharacter; code <= kLastCharacter; ++code) {
    Glyph glyph = face.glyph(code, kFontEm * scale);
    require(glyph.advance == kFontAdvance * scale,
            "glyph U+" + std::to_string(unsigned(code)) + " advances " + std::to_string(glyph.advance) +
                " pixels at " + std::to_string(kFontEm * scale) + " px, expected " +
                std::to_string(kFontAdvance * scale) + " (not a monospace face with these metrics?)");
    font.boxes.push_back({glyph.width, glyph.height});
    font.glyphs.push_back(std::move(glyph));
  }
  // One pixel of padding per scale step keeps linear filtering at half-pixel
  // label positions from picking up a neighbour.
  const int used = packShelves(font.boxes, font.pageWidth, scale, scale);
  font.pageHeight = nextPowerOfTwo(used);
  require(font.pageHeight <= 256 * scale, "the font page overflows");
  return font;
}

std::string fntText(const PackedFont& font, const std::string& pageName) {
  const int s = font.scale;
  char line[256];
  std::string out;
  std::snprintf(line, sizeof line,
                "info face=\"Mono%d\" size=%d bold=0 italic=0 charset=\"\" unicode=1 stretchH=100 smooth=1 aa=1 "
                "padding=0,0,0,0 spacing=%d,%d\n",
                kFontEm * s, kFontEm * s, s, s);
  out += line;
  std::snprintf(line, sizeof line, "common lineHeight=%d base=%d scaleW=%d scaleH=%d pages=1 packed=0\n",
                kFontLineHeight * s, kFontBase * s, font.pageWidth, font.pageHeight);
  out += line;
  out += "page id=0 file=\"" + pageName + "\"\n";
  out += "chars count=" + std::to_string(font.glyphs.size()) + "\n";
  for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
    const Glyph& glyph = font.glyphs[i];
    const PackedBox& box = font.boxes[i];
    const bool ink = glyph.width > 0;
    // yoffset runs from the top of the line down to the glyph's top edge.
    std::snprintf(line, sizeof line,
                  "char id=%u x=%d y=%d width=%d height=%d xoffset=%d yoffset=%d xadvance=%d page=0 chnl=15\n",
                  unsigned(kFirstCharacter + i), ink ? box.x : 0, ink ? box.y : 0, glyph.width, glyph.height,
                  glyph.left, kFontBase * s - glyph.top, glyph.advance);
    out += line;
  }
  return out;
}

Pixmap fontPage(const PackedFont& font, Color color) {
  Pixmap page(font.pageWidth, font.pageHeight);
  for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
    const Glyph& glyph = font.glyphs[i];
    for (int y = 0; y < glyph.height; ++y) {
      for (int x = 0; x < glyph.width; ++x) {
        page.at(font.boxes[i].x + x, font.boxes[i].y + y) = scaled(color, glyph.at(x, y) / 255.0f);
      }
    }
  }
  return page;
}

void writeFonts(const fs::path& folder, const Face& face) {
  const PackedFont normal = packFont(face, 1);
  const PackedFont hd = packFont(face, 2);
  require(hd.glyphs.front().advance == 2 * normal.glyphs.front().advance,
          "the 24-pixel advance must be exactly twice the 12-pixel one");
  struct Variant {
    const char* name;
    Color color;
  };
  const std::array<Variant, 2> variants{{{"courierNew12pt", rgb(255, 255, 255)}, {"courierRED", rgb(255, 33, 33)}}};
  for (const Variant& variant : variants) {
    for (const PackedFont* font : {&normal, &hd}) {
      const std::string base = std::string(variant.name) + (font->scale == 2 ? "-hd" : "");
      writePng(folder / (base + ".png"), fontPage(*font, variant.color));
      writeTextFile(folder / (base + ".fnt"), fntText(*font, base + ".png"));
    }
  }
}

// [SECTION] Frame-rate digits and fire

// One row of 16x24-point cells holding ". / 0 1 ... 9" (the readout maps a
// character to cell code - '.'), white bold digits on a 4-point baseline,
// kept one pixel clear of every cell edge.
void writeFrameRateDigits(const fs::path& folder, const Face& bold, int scale, const std::string& suffix) {
  constexpr std::u32string_view kCells = U"./0123456789";
  const int cellWidth = 16 * scale, cellHeight = 24 * scale;
  Pixmap image(cellWidth * int(kCells.size()), cellHeight);
  for (std::size_t i = 0; i < kCells.size(); ++i) {
    const Glyph glyph = bold.glyph(kCells[i], 22 * scale);
    const int cellLeft = int(i) * cellWidth;
    const int inkLeft = cellLeft + (cellWidth - glyph.width) / 2;
    drawGlyph(image, glyph, inkLeft - glyph.left, cellHeight - 4 * scale, rgb(255, 255, 255),
              {cellLeft + 1, 1, cellLeft + cellWidth - 1, cellHeight - 1});
  }
  writePng(folder / ("fps_images" + suffix + ".png"), image);
}

// A square, power-of-two particle: white, alpha (1 - r^2)^2 with r the
// distance from the centre over half the side, 0 from r = 1 outwards.
void writeFire(const fs::path& folder, int scale, const std::string& suffix) {
  const int side = 64 * scale;
  Pixmap image(side, side);
  const float half = side * 0.5f;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const float rx = (x + 0.5f - half) / half, ry = (y + 0.5f - half) / half;
      const float falloff = std::max(0.0f, 1.0f - (rx * rx + ry * ry));
      image.at(x, y) = rgb(255, 255, 255, falloff * falloff);
    }
  }
  writePng(folder / ("fire" + suffix + ".png"), image);
}

// [SECTION] House-ad banners

// The radar as an emblem for the ads: a disc with a bezel, two rings, a
// cross and a sweep, centred at (0, 0); (dx, dy) is the point drawn.
Color radarEmblem(float dx, float dy, float radius, Color under) {
  const float distance = std::hypot(dx, dy);
  if (distance > radius) return under;
  const float bezel = std::max(1.0f, radius / 16.0f);
  const float line = std::max(0.8f, radius / 48.0f);
  Color color = over(mix(rgb(0, 41, 5), rgb(0, 20, 5), distance / radius), under);
  // The sweep's edge at half past one, its trail behind it as on the radar.
  const float clockwise = std::atan2(dx, -dy) / kDegree;
  if (clockwise > -15.0f && clockwise < 45.0f) {
    color = over(rgb(64, 255, 102, 0.6f * (clockwise + 15.0f) / 60.0f), color);
  }
  const bool ring = std::fabs(distance - radius / 3.0f) < line * 0.5f ||
                    std::fabs(distance - radius * 2.0f / 3.0f) < line * 0.5f;
  if (ring || std::fabs(dx) < line * 0.5f || std::fabs(dy) < line * 0.5f) color = over(rgb(51, 179, 77), color);
  if (distance > radius - bezel) color = over(rgb(96, 240, 120), color);
  return color;
}

struct HouseAd {
  std::u32string_view banner;
  std::u32string_view title;
  std::array<std::u32string_view, 3> body;
};

constexpr std::array<HouseAd, 2> kHouseAds{{
    {U"Umbrascope Pro \u2014 more spirits, more signal",
     U"Umbrascope Pro",
     {U"More spirits, more signal.", U"A wider word list, a faster sweep", U"and a night-red display."}},
    {U"Spirit Journal \u2014 keep a log of every sighting",
     U"Spirit Journal",
     {U"Keep a log of every sighting:", U"the time, the words you heard", U"and how strong the signal was."}},
}};

const Color kAdText = rgb(153, 255, 166);
const Color kAdDim = rgb(51, 179, 77);
const Color kAdBorder = rgb(64, 204, 89);
const Color kAdPanel = rgb(6, 18, 9);

// 480x32 points: dark panel, thin border, an emblem at the left and one line.
Pixmap houseAdBanner(const HouseAd& ad, const Face& bold, int scale) {
  Pixmap image = paint(480, 32, scale, [](float x, float y) {
    Color color = mix(rgb(10, 30, 15), kAdPanel, y / 32.0f);
    if (x < 1.0f || y < 1.0f || x > 479.0f || y > 31.0f) color = kAdBorder;
    return radarEmblem(x - 20.0f, y - 16.0f, 11.0f, color);
  });
  drawText(image, bold, 15 * scale, ad.banner, 252.0f * scale, 21 * scale, kAdText);
  return image;
}

// 480x320 points: the screen a banner opens, with a large emblem, a title,
// three lines and how to get back.
Pixmap houseAdScreen(const HouseAd& ad, const Face& regular, const Face& bold, int scale) {
  Pixmap image = paint(480, 320, scale, [](float x, float y) {
    Color color = mix(rgb(8, 26, 12), rgb(2, 8, 4), y / 320.0f);
    const float edge = roundedRectDistance(x, y, 240.0f, 160.0f, 232.0f, 152.0f, 12.0f);
    if (edge > -1.5f && edge <= 0.0f) color = kAdBorder;
    return radarEmblem(x - 240.0f, y - 88.0f, 48.0f, color);
  });
  const float centre = 240.0f * scale;
  drawText(image, bold, 28 * scale, ad.title, centre, 174 * scale, kAdText);
  for (std::size_t i = 0; i < ad.body.size(); ++i) {
    drawText(image, regular, 14 * scale, ad.body[i], centre, int(206 + 18 * i) * scale, kAdText);
  }
  drawText(image, regular, 12 * scale, U"Tap to return to the radar", centre, 296 * scale, kAdDim);
  return image;
}

void writeHouseAds(const fs::path& folder, const Face& regular, const Face& bold) {
  for (std::size_t i = 0; i < kHouseAds.size(); ++i) {
    const std::string base = "house-ad-" + std::to_string(i + 1);
    for (int scale : {1, 2}) {
      const std::string suffix = scale == 2 ? "-hd" : "";
      writePng(folder / (base + suffix + ".png"), houseAdBanner(kHouseAds[i], bold, scale));
      writePng(folder / (base + "-full" + suffix + ".png"), houseAdScreen(kHouseAds[i], regular, bold, scale));
    }
  }
}

}  // namespace

// [SECTION] main

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: resgen OUTDIR [mono.ttf] [mono-bold.ttf]\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const std::string monoPath = argc > 2 ? argv[2] : kDefaultMonoFont;
  const std::string boldPath = argc > 3 ? argv[3] : kDefaultMonoBoldFont;
  try {
    std::error_code error;
    fs::create_directories(folder, error);
    require(fs::is_directory(folder), "cannot create the folder " + folder.string());
    const Face regular(monoPath);
    const Face bold(boldPath);
    for (int scale : {1, 2}) {
      const std::string suffix = scale == 2 ? "-hd" : "";
      writeSheet(folder, scale, suffix);
      writeFrameRateDigits(folder, bold, scale, suffix);
      writeFire(folder, scale, suffix);
    }
    writeFonts(folder, regular);
    writeHouseAds(folder, regular, bold);
  } catch (const GeneratorError& failure) {
    std::fprintf(stderr, "resgen: %s\n", failure.what());
    return 1;
  }
  return 0;
}
