#pragma once
// A font face: one scalable font from a file, from memory or from the
// system's installed fonts by exact name, with its tables, metrics, glyph
// advances and glyph rasterisation (FreeType; fontconfig for system names).

#include "platform/Geometry.h"
#include "platform/Object.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct FT_FaceRec_;

namespace platform {

/// A four-character table tag as a big-endian number: fontTableTag("cmap").
constexpr uint32_t fontTableTag(const char (&name)[5]) {
  return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
         (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}

/// Anti-aliased coverage of one rendered glyph, rows top first. `left` is the
/// column of the first coverage column and `top` the y of the top edge of
/// the first row, both relative to the whole-pixel pen position in a y-up
/// pixel space.
struct GlyphCoverage {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;
};

/// A font face: one scalable font from a file, from memory or from the system's
/// installed fonts by exact name, with its tables, metrics, glyph advances and
/// glyph rasterisation (FreeType; fontconfig for system names).
///
/// Implemented features:
///  [x] faces from files, data and exact system names (family, full name or
///      PostScript name, case-insensitive, plus a small alias table for the
///      handheld platform's common font names);
///  [x] raw SFNT tables by tag, metrics in font units, advances, character to
///      glyph mapping through the font's Unicode character map;
///  [x] anti-aliased glyph coverage through any 2 × 2 transform.
/// Missing features:
///  [ ] no hinting (coverage is the exact outline), no embedded bitmaps, no
///      kerning, no synthetic bold or italic.
///
/// Thread safety: every FreeType call goes through one process-wide lock, so
/// faces may be used from any thread.
///
/// Unknown names give nullptr: fontconfig always offers a substitute, and a
/// silent substitute would hide the engine's fallback to its own fonts.
class FontFace : public Object {
  PLATFORM_CLASS(FontFace, Object)
 public:
  /// Face number `index` of the font file at `path`. Returns nullptr and
  /// logs if the file can't be read or is not a scalable font.
  static FontFace* fontFaceWithContentsOfFile(const std::string& path, int index = 0);
  /// The first face of a font held in memory (the face keeps the bytes).
  /// Returns nullptr and logs if the data is not a scalable font.
  static FontFace* fontFaceWithData(std::vector<uint8_t> bytes);
  /// The installed face whose family, full name or PostScript name equals
  /// `name` ignoring ASCII case, else the face an alias of `name` names
  /// ("Helvetica", "Arial", "Courier", "Times New Roman", "Marker Felt"...).
  /// A family picks its regular upright face. Returns nullptr (no log) when
  /// nothing matches. Faces found by name belong to a process-wide cache
  /// (not autoreleased, never freed), so the same name
  /// always gives the same object.
  static FontFace* fontFaceWithName(std::string_view name);
  /// The platform's default sans-serif face (fontconfig's "sans-serif"), from
  /// the same cache. Returns nullptr and logs when no font is installed.
  static FontFace* systemFontFace();

  bool initWithContentsOfFile(const std::string& path, int index);
  bool initWithData(std::vector<uint8_t> bytes);

  const std::string& postScriptName() const { return postScriptName_; }
  const std::string& familyName() const { return familyName_; }
  /// The file the face came from; empty for faces made from data.
  const std::string& path() const { return path_; }

  // Metrics in font units.
  int unitsPerEm() const { return unitsPerEm_; }
  /// Distance from the baseline up to the top of the line (hhea ascender).
  int ascent() const { return ascent_; }
  /// Distance from the baseline down to the bottom of the line: negative.
  int descent() const { return descent_; }
  /// Extra space between lines (hhea line gap), usually 0.
  int lineGap() const { return lineGap_; }
  /// OS/2 x-height and cap height when the table has them (version 2 and
  /// up), otherwise the top of the glyphs for 'x' and 'H'.
  int xHeight() const { return xHeight_; }
  int capHeight() const { return capHeight_; }
  int glyphCount() const { return glyphCount_; }

  /// A copy of the SFNT table with `tag` (see fontTableTag), or nothing when
  /// the font has no such table.
  std::optional<std::vector<uint8_t>> copyTable(uint32_t tag) const;
  /// Horizontal advances in font units, one per glyph. Glyphs beyond
  /// glyphCount() get 0 and make the result false. Expects spans of equal size.
  bool glyphAdvances(std::span<const uint16_t> glyphs, std::span<int> advances) const;
  /// The glyph for a Unicode code point through the font's Unicode character
  /// map; 0 (the missing glyph) when it has none.
  uint16_t glyphForCodePoint(char32_t codePoint) const;

  /// Renders `glyph` at `size` pixels per em, transformed by the linear part
  /// of `matrix` (a, b, c, d; y up), with the pen at the sub-pixel offset
  /// `penFraction` (each in 0..1) from a whole pixel. Returns false (nothing
  /// to draw) for an invalid glyph, a size below 1/64 pixel or a transformed
  /// size above 4096 pixels; a blank glyph (space) gives true and no rows.
  bool renderGlyph(uint16_t glyph, float size, const CGAffineTransform& matrix, CGPoint penFraction,
                   GlyphCoverage& out) const;

 protected:
  /// dealloc: closes the FreeType face, then frees the font bytes.
  ~FontFace() override;

 private:
  bool adoptFace(FT_FaceRec_* face, const char* origin);

  FT_FaceRec_* face_ = nullptr;
  std::vector<uint8_t> data_;  // backing store of faces made from data
  std::string path_;
  std::string postScriptName_;
  std::string familyName_;
  int unitsPerEm_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  int lineGap_ = 0;
  int xHeight_ = 0;
  int capHeight_ = 0;
  int glyphCount_ = 0;
};

}  // namespace platform
