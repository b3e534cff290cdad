#pragma once
// A font's own character-to-glyph mapping, read from its 'cmap' table: the
// Unicode subtable in format 4 (16-bit segments) or 12 (32-bit groups) that
// the font's encoding records offer.

#include "platform/FontFace.h"
#include "platform/Object.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

/// A font's own character-to-glyph mapping, read from its 'cmap' table: the
/// Unicode subtable in format 4 (16-bit segments) or 12 (32-bit groups) that the
/// font's encoding records offer.
///
/// Subtable choice: among the records for platform 0 (any encoding) and
/// platform 3 encoding 1, the first acceptable one is taken, and a later
/// platform-0 record replaces it when its encoding is higher. A subtable is
/// acceptable in format 4, or in format 12 with a zero reserved field, when
/// every array its counts describe lies inside the table. Without one, every
/// character maps to glyph 0.
///
/// Format 12 joins a surrogate pair into one code point and one glyph. Code
/// points up to 127 are found by a scan from the first group; others by a
/// galloping search that starts at the group found for the previous
/// character, so runs of text in one script cost little.
///
/// Cost: making a table copies the 'cmap' table once; lookups allocate
/// nothing. Every read is bounds-checked against the table.
class ZCharacterGlyphTable : public platform::Object {
  PLATFORM_CLASS(ZCharacterGlyphTable, platform::Object)
 public:
  /// Marks the low half of a surrogate pair that the previous glyph covers.
  static constexpr uint16_t kNoGlyph = 0xFFFF;

  /// The table of `face`, autoreleased. Expects a 'cmap' table
  /// ("CGFontCopyTableForTag returned NULL for 'cmap' tag in font %@") of
  /// version 0 ("cmap table for font %@ has bad version number"); when either
  /// fails, and for a null face, the result maps everything to glyph 0.
  static ZCharacterGlyphTable* tableWithFont(platform::FontFace* face);
  bool initWithFont(platform::FontFace* face);

  /// 4, 12, or 0 when no subtable was taken.
  int format() const { return format_; }

  /// Glyphs of the UTF-16 `characters`, written compactly to `glyphs` (room
  /// for characters.size()); returns how many were written (fewer than the
  /// characters when format 12 joins surrogate pairs).
  std::size_t glyphsForCharacters(std::u16string_view characters, uint16_t* glyphs) const;
  /// One entry per code unit: the glyph of the character starting there, or
  /// kNoGlyph for the low surrogate of a pair that format 12 joined.
  void glyphsForCodeUnits(std::u16string_view characters, uint16_t* glyphs) const;
  /// The glyph of one code point; `hint` carries the group found last between
  /// calls (start it at 0).
  uint16_t glyphForCodePoint(char32_t codePoint, std::size_t& hint) const;

 protected:
  ~ZCharacterGlyphTable() override = default;

 private:
  bool acceptSubtable(uint32_t offset);
  uint16_t format4Glyph(char32_t c) const;
  uint16_t format12Glyph(char32_t c, std::size_t& hint) const;

  std::vector<uint8_t> table_;
  int format_ = 0;
  // Format 12.
  std::size_t groupCount_ = 0;
  std::size_t groups_ = 0;
  // Format 4.
  std::size_t segCountX2_ = 0;
  std::size_t endCodes_ = 0;
  std::size_t startCodes_ = 0;
  std::size_t deltas_ = 0;
  std::size_t rangeOffsets_ = 0;
};
