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
#include <vector>

/// One glyph of a bitmap font. All fields are zero until the font defines the
/// character, so an undefined character draws nothing and takes no room.
struct BMFontDef {
  /// The character code: any non-negative id the file gives. A label draws
  /// the ones that fit a UTF-16 code unit (0 to 65535).
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
/// file, in either of the two forms font tools write.
///
/// Text form. The text is read as UTF-8, split into lines at every line feed
/// (nothing else is trimmed, so CR LF files keep a carriage return at each line
/// end) and
/// every line is classified by its prefix, first match deciding:
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
/// XML form, chosen when the first characters after white space (and a
/// byte-order mark) are "<?xml" or "<font": a root `<font>` element holding
/// `<common lineHeight scaleW scaleH pages .../>`, `<page id file/>` (inside
/// `<pages>`), `<char id x y width height xoffset yoffset xadvance .../>` (inside
/// `<chars>`) and `<kerning first second amount/>` (inside `<kernings>`).
/// Attributes are found by name in any order and read with the same decimal
/// rule; a missing one reads as 0. Entities in values (&quot; &amp; ...) are
/// decoded. Malformed XML and documents with a document type declaration are
/// refused.
///
/// Refused files (a logged error naming the file, and init returns false):
///   a page count other than 1 (fonts of several pages are not drawn);
///   a page wider or taller than the GL's maximum texture size (checked when
///       a GL context has reported its limit);
///   a page id other than 0; a page without a quoted, non-empty image name;
///   no page at all (an empty file, for instance);
///   malformed XML.
/// A character with a negative id is skipped. Kerning pairs are kept for any
/// two ids; only pairs of ids 0..65535 can ever apply to a label's text.
///
/// Cost: the glyphs of codes 0 to 2047 sit in a fixed table of 2048 records
/// (64 KiB) inside the object, so their lookup is one index; glyphs of higher
/// codes are kept sorted by id and found by binary search. Kerning lookup is
/// one hash probe. Parsing is linear in the text (plus one sort of the high
/// glyphs) and allocates one field list per text line.
///
/// Main thread only (the cache is not locked).
class CCBMFontConfiguration : public platform::Object {
  PLATFORM_CLASS(CCBMFontConfiguration, platform::Object)

 public:
  /// Character codes held in the direct table: 0 to kDirectTableSize - 1.
  static constexpr uint32_t kDirectTableSize = 2048;

  // [SECTION] Creation

  /// A new autoreleased configuration read from `fntFile` (initWithFNTfile),
  /// or nullptr when the file cannot be read or is refused.
  static CCBMFontConfiguration* configurationWithFNTFile(const std::string& fntFile);
  /// A new autoreleased configuration parsed from `text` as if it were the
  /// content of `fntFile` (which only places the page image), or nullptr when
  /// `text` is refused.
  static CCBMFontConfiguration* configurationWithFNTData(std::string_view text, const std::string& fntFile);

  /// Resolves `fntFile` with CCFileUtils::fullPathFromRelativePath (which
  /// prefers the "-hd" file at content scale factor 2), reads it and parses
  /// it. Returns false, and logs the path and the reason, when the file
  /// cannot be read, is text that is not valid UTF-8, or is refused (see the
  /// class comment). Starts from an empty font, so it may run again on a live
  /// object; after a failure the font's content is unspecified.
  bool initWithFNTfile(const std::string& fntFile);
  /// Parses `text` as the content of `fntFile`. The page image is looked for
  /// in the folder of `fntFile` as passed (not of a resolved path). Returns
  /// false, and logs, when `text` is refused.
  bool initWithFNTData(std::string_view text, const std::string& fntFile);

  // [SECTION] The process-wide cache

  /// The configuration cached under `fntFile`, the name exactly as passed
  /// ("a.fnt" and "./a.fnt" are two entries). On a miss it is read with
  /// configurationWithFNTFile and stored; a file that cannot be read or is
  /// refused gives nullptr and is not cached. The cache, created on first
  /// use, retains its configurations.
  static CCBMFontConfiguration* cachedConfiguration(const std::string& fntFile);
  /// Drops every cached configuration (the cache's references only: labels
  /// keep theirs), so the next lookup reads the file again.
  static void purgeCachedData();

  // [SECTION] The font

  /// The glyph of `charCode`, any code; an all-zero record (charID 0) when
  /// the font does not define it.
  const BMFontDef& fontDef(uint32_t charCode) const;
  /// The glyphs of codes 0 to kDirectTableSize - 1, indexed by code.
  const std::array<BMFontDef, kDirectTableSize>& BMFontArray() const { return BMFontArray_; }
  /// The glyphs of codes kDirectTableSize and above, sorted by code, one per
  /// code.
  const std::vector<BMFontDef>& highFontDefs() const { return highFontDefs_; }
  /// Line height in pixels. 0 until a common line is read.
  uint32_t commonHeight() const { return commonHeight_; }
  /// Never filled by the reader; all zero.
  const BMFontPadding& padding() const { return padding_; }
  /// The page image: the folder of the .fnt name as passed, joined with the
  /// name the page line quotes ("fonts/a.fnt" with file="a.png" gives
  /// "fonts/a.png"). Never empty on a configuration that was made.
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
  /// dealloc: drops the kerning pairs, the glyphs and the image name.
  ~CCBMFontConfiguration() override = default;

 private:
  // Both forms parse into the same steps below; each returns false (having
  // logged with `source`, the name used in messages) when it refuses the
  // file.
  bool parseConfigText(std::string_view text, const std::string& fntFile, const std::string& source);
  bool parseConfigXML(std::string_view text, const std::string& fntFile, const std::string& source);
  bool parseCommonArguments(std::string_view line, const std::string& source);
  bool parseImageFileName(std::string_view line, const std::string& fntFile, const std::string& source);
  void parseCharacterDefinition(std::string_view line);
  void parseKerningEntry(std::string_view line);
  /// The pair count the file announces. The table grows as needed, so this
  /// does nothing.
  void parseKerningCapacity(std::string_view) {}

  bool setCommon(int32_t lineHeight, int32_t pageWidth, int32_t pageHeight, int32_t pages, const std::string& source);
  bool setPage(int32_t pageID, std::string_view imageName, bool hasName, const std::string& fntFile,
               const std::string& source);
  void addCharacter(int32_t charID, const BMFontDef& characterDefinition);
  void addKerning(int32_t first, int32_t second, int32_t amount);
  /// Sorts the high glyphs (a later definition of a code wins), checks that
  /// a page was named and logs skipped characters. False when refused.
  bool finishParsing(const std::string& source, bool isXML);
  void reset();

  std::array<BMFontDef, kDirectTableSize> BMFontArray_{};
  std::vector<BMFontDef> highFontDefs_;
  uint32_t commonHeight_ = 0;
  BMFontPadding padding_{};
  std::string atlasName_;
  /// (first << 32) | second -> amount, both ids as unsigned 32-bit, so no two
  /// pairs of the file share a key.
  std::unordered_map<uint64_t, int32_t> kerningDictionary_;
  /// Character lines skipped during the current parse (negative ids).
  std::size_t skippedCharacters_ = 0;
};
