#pragma once
// One custom font at one point size: a platform font face (usually loaded
// from one of the application's own font files through FontManager) with the
// metrics text layout needs, in points, and the names from the font's 'name'
// table.

#include "platform/FontFace.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform {
class Font;
}

/// One custom font at one point size: a platform font face (usually loaded from
/// one of the application's own font files through FontManager) with the metrics
/// text layout needs, in points, and the names from the font's 'name' table.
///
/// Fonts are immutable and share their face. Equal when they wrap the same
/// face at the same size.
///
/// Metrics are the face's values in font units × ratio(), where ratio() is
/// pointSize ÷ unitsPerEm: ascender and x/cap heights are rounded up,
/// descender down (it is negative), and leading is ascender − descender, a
/// whole number of points.
///
/// Cost: metrics are computed on each call from a few integers; the three
/// names are decoded once, on first use.
class ZFont : public platform::Object {
  PLATFORM_CLASS(ZFont, platform::Object)
 public:
  /// `cgFont` at `size` points, autoreleased; nullptr for a null face.
  /// \param cgFont the font face.
  /// \param size the size, points.
  static ZFont* fontWithCGFont(platform::FontFace* cgFont, float size);
  /// The face of the system font `uiFont` at its point size. Expects a font
  /// ("uiFont != nil"); returns nullptr without one.
  /// \param uiFont a system font.
  static ZFont* fontWithUIFont(platform::Font* uiFont);

  /// Retains `cgFont`; ratio = size ÷ its units per em. False for a null face
  /// or a face without units per em.
  /// \param cgFont the font face.
  /// \param size the size, points.
  bool initWithCGFont(platform::FontFace* cgFont, float size);
  /// Not a way to make a font: fails the assertion "-init is not valid for
  /// ZFont" and returns false.
  bool init();

  /// This font when `fontSize` equals its size; otherwise expects a positive
  /// size ("fontSize > 0.0") and returns a new autoreleased font of the same
  /// face (nullptr for a size that is not positive).
  /// \param fontSize the size wanted, points.
  ZFont* fontWithSize(float fontSize);

  platform::FontFace* cgFont() const { return cgFont_.get(); }
  float pointSize() const { return pointSize_; }
  /// Points per font unit.
  float ratio() const { return ratio_; }

  /// Name-table entries 1, 4 and 6 as UTF-8, decoded on first use and kept;
  /// empty when the font has no usable record.
  const std::string& familyName() const;
  const std::string& fontName() const;
  const std::string& postScriptName() const;

  float ascender() const;
  /// Negative: below the baseline.
  float descender() const;
  /// ascender − descender: the height of a line.
  float leading() const;
  float xHeight() const;
  float capHeight() const;

  /// The name-table string with name ID `nameID`, as UTF-8: the first record
  /// for that ID in a Unicode (platform 0), Windows Unicode BMP (3, 1) or Mac
  /// (1, 0 Roman; 1, 1 UTF-16) encoding, in table order. Nothing when no
  /// record matches, the record's offset is 0 or its bytes lie outside the
  /// table. Expects a 'name' table ("CGFontCopyTableForTag returned NULL for
  /// 'name' tag in font %@") of format 0 ("name table for font %@ has bad
  /// version number"); nothing when either fails.
  std::optional<std::string> copyNameTableEntryForID(uint16_t nameID) const;

  bool isEqual(const platform::Object* other) const override;
  /// "<ZFont = ADDRESS | PostScriptName 12.0>".
  std::string description() const override;

 protected:
  /// dealloc: releases the face.
  ~ZFont() override = default;

 private:
  const std::string& cachedName(std::optional<std::string>& cache, uint16_t nameID) const;

  platform::Ref<platform::FontFace> cgFont_;
  float pointSize_ = 0;
  float ratio_ = 0;
  mutable std::optional<std::string> familyName_;
  mutable std::optional<std::string> fontName_;
  mutable std::optional<std::string> postScriptName_;
};

namespace zfont {

/// Mac OS Roman bytes as UTF-8 (the upper half through the Mac OS Roman
/// table; bytes below 128 are ASCII).
std::string macRomanToUtf8(std::span<const uint8_t> bytes);
/// Big-endian UTF-16 bytes as UTF-8. Pairs of surrogates join; lone
/// surrogates keep their own 3-byte form; an odd last byte is dropped.
std::string utf16BigEndianToUtf8(std::span<const uint8_t> bytes);

}  // namespace zfont
