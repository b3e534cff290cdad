#pragma once
// CCBMFontConfiguration: one parsed bitmap-font description (".fnt" text),
// and the process-wide cache that shares it between labels.

#include "platform/Geometry.h"
#include "platform/Object.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

/// One glyph of a bitmap font. All fields are zero until the font defines the
/// character, so an undefined character draws nothing and takes no room.
struct BMFontDef {
  /// The character code (0 to 2047).
  uint32_t charID = 0;
  /// The glyph's rectangle in the page image, in pixels, y down from the top
  /// row. Whole numbers.
  CGRect rect = CGRectZero;
  /// Pixels from the pen position to the glyph's left edge.
  int32_t xOffset = 0;
  /// Pixels from the top of the line to the glyph's top edge.
  int32_t yOffset = 0;
  /// Pixels the pen moves after the glyph.
  int32_t xAdvance = 0;
};

/// Padding around the glyphs. Kept for completeness: the reader never fills
/// it (the info line is skipped) and the layout does not use it.
struct BMFontPadding {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

/// The glyph table, line height, page image and kerning pairs of one .fnt
/// file.
///
/// The text is read as UTF-8, split into lines at every line feed (nothing
/// else is trimmed, so CR LF files keep a '\r' at each line end) and every
/// line is classified by its prefix, first match deciding:
///   "info face"          ignored
///   "common lineHeight"  line height; page size and page count checks
///   "page id"            the page image
///   "chars c"            ignored (so it never reads as a character line)
///   "char"               one glyph; a later line for the same code wins
///   "kernings count"     ignored
///   "kerning first"      one kerning pair; a later pair for the same two
///                        characters wins
///   anything else        ignored
/// A parsed line is split at every '='; field i (i >= 1) starts with the value
/// of the i-th key. Values are taken by position, never by key name, as
/// decimal integers: leading white space skipped, an optional sign, digits up
/// to the first other character, saturated at the int32 limits, 0 without
/// digits. A field the line does not have reads as 0.
///
/// Checks (assertions, texts as given):
///   page width or height above the GL's maximum texture size:
///       "CCLabelBMFont: page can't be larger than supported"
///   a page count other than 1:        "CCBitfontAtlas: only supports 1 page"
///   a page id other than 0:           "XXX: BitmapFontAtlas only supports 1 page"
///   no quoted image name:             "BitmapFontAtlas file could not be found"
///   a character code not below 2048 (compared unsigned, so -1 fails too):
///                                     "BitmpaFontAtlas: CharID bigger than supported"
/// When the assertion handler returns, reading goes on; a refused character
/// line stores nothing and a page line without a name leaves the image name
/// as it was.
///
/// Cost: the glyph table is a fixed array of 2048 records (64 KiB) inside the
/// object, so glyph lookup is one index; kerning lookup is one hash probe.
/// Parsing is linear in the text and allocates one field list per line.
///
/// Main thread only (the cache is not locked).
class CCBMFontConfiguration : public platform::Object {
  PLATFORM_CLASS(CCBMFontConfiguration, platform::Object)

 public:
  /// Character codes a font can define: 0 to kMaxCharacters - 1.
  static constexpr uint32_t kMaxCharacters = 2048;

  // [SECTION] Creation

  /// A new autoreleased configuration read from `fntFile` (initWithFNTfile),
  /// or nullptr when the file cannot be read.
  static CCBMFontConfiguration* configurationWithFNTFile(const std::string& fntFile);
  /// A new autoreleased configuration parsed from `text` as if it were the
  /// content of `fntFile` (which only places the page image), or nullptr when
  /// `text` is not valid UTF-8.
  static CCBMFontConfiguration* configurationWithFNTData(std::string_view text, const std::string& fntFile);

  /// Resolves `fntFile` with CCFileUtils::fullPathFromRelativePath (which
  /// prefers the "-hd" file at content scale factor 2), reads it and parses
  /// it. Returns false, and logs the path, when the file cannot be read or is
  /// not valid UTF-8. Starts from an empty font, so it may run again on a
  /// live object.
  bool initWithFNTfile(const std::string& fntFile);
  /// Parses `text` as the content of `fntFile`. The page image is looked for
  /// in the folder of `fntFile` as passed (not of a resolved path). Returns
  /// false, and logs, when `text` is not valid UTF-8.
  bool initWithFNTData(std::string_view text, const std::string& fntFile);

  // [SECTION] The process-wide cache

  /// The configuration cached under `fntFile`, the name exactly as passed
  /// ("a.fnt" and "./a.fnt" are two entries). On a miss it is read with
  /// configurationWithFNTFile and stored; a file that cannot be read gives
  /// nullptr and is not cached. The cache, created on first use, retains its
  /// configurations.
  static CCBMFontConfiguration* cachedConfiguration(const std::string& fntFile);
  /// Drops every cached configuration (the cache's references only: labels
  /// keep theirs), so the next lookup reads the file again.
  static void purgeCachedData();

  // [SECTION] The font

  /// The glyph of `charCode`. Expects charCode < kMaxCharacters.
  const BMFontDef& fontDef(uint32_t charCode) const;
  /// The whole glyph table, indexed by character code.
  const std::array<BMFontDef, kMaxCharacters>& BMFontArray() const { return BMFontArray_; }
  /// Line height in pixels. 0 until a common line is read.
  uint32_t commonHeight() const { return commonHeight_; }
  /// Never filled by the reader; all zero.
  const BMFontPadding& padding() const { return padding_; }
  /// The page image: the folder of the .fnt name as passed, joined with the
  /// name the page line quotes ("fonts/a.fnt" with file="a.png" gives
  /// "fonts/a.png"). Empty until a page line with a name is read.
  const std::string& atlasName() const { return atlasName_; }

  /// Pixels added to the advance between `first` and `second`, or 0 when the
  /// font has no such pair. The first character of a text is kerned against
  /// 65535.
  int32_t kerningAmount(uint16_t first, uint16_t second) const;
  /// Number of distinct kerning pairs.
  std::size_t kerningCount() const { return kerningDictionary_.size(); }
  /// Removes every kerning pair.
  void purgeKerningDictionary() { kerningDictionary_.clear(); }

  /// "<CCBMFontConfiguration = ADDRESS | Kernings:N | Image = NAME>", NAME
  /// being "(null)" while there is no page image.
  std::string description() const override;

 protected:
  /// dealloc: drops the kerning pairs and the image name.
  ~CCBMFontConfiguration() override = default;

 private:
  void parseConfigText(std::string_view text, const std::string& fntFile);
  void parseCommonArguments(std::string_view line);
  void parseImageFileName(std::string_view line, const std::string& fntFile);
  /// False when the character code is out of range (nothing to store).
  bool parseCharacterDefinition(std::string_view line, BMFontDef& characterDefinition);
  void parseKerningEntry(std::string_view line);
  /// The pair count the file announces. The table grows as needed, so this
  /// does nothing.
  void parseKerningCapacity(std::string_view line) {}
  void reset();

  std::array<BMFontDef, kMaxCharacters> BMFontArray_{};
  uint32_t commonHeight_ = 0;
  BMFontPadding padding_{};
  std::string atlasName_;
  /// (first << 16) | (second & 0xFFFF) -> amount.
  std::unordered_map<int32_t, int32_t> kerningDictionary_;
};
