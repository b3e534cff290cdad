#include "zfont/ZCharacterGlyphTable.h"

#include "platform/Assert.h"
#include "zfont/ZFontTableReader.h"

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

ZCharacterGlyphTable* ZCharacterGlyphTable::tableWithFont(platform::FontFace* face) {
  return platform::createAutoreleased<ZCharacterGlyphTable>(
      [&](ZCharacterGlyphTable& table) { return table.initWithFont(face); });
}

bool ZCharacterGlyphTable::initWithFont(platform::FontFace* face) {
  table_.clear();
  format_ = 0;
  if (face == nullptr) return true;
  std::optional<std::vector<uint8_t>> table = face->copyTable(platform::fontTableTag("cmap"));
  CCAssert(table.has_value(), "CGFontCopyTableForTag returned NULL for 'cmap' tag in font %s",
           platform::describe(face).c_str());
  if (!table) return true;
  table_ = std::move(*table);
  zfont::TableReader reader(table_);
  std::optional<uint16_t> version = reader.u16(0);
  CCAssert(version == uint16_t(0), "cmap table for font %s has bad version number",
           platform::describe(face).c_str());
  if (version != uint16_t(0)) {
    table_.clear();
    return true;
  }

  const uint16_t recordCount = reader.u16(2).value_or(0);
  bool taken = false;
  uint16_t takenEncoding = 0;
  for (std::size_t i = 0; i < recordCount; ++i) {
    const std::size_t record = 4 + 8 * i;
    if (!reader.contains(record, 8)) break;
    const uint16_t platformID = reader.u16Unchecked(record);
    const uint16_t encodingID = reader.u16Unchecked(record + 2);
    if (!(platformID == 0 || (platformID == 3 && encodingID == 1))) continue;
    const bool wanted = !taken || (platformID == 0 && encodingID > takenEncoding);
    if (wanted && acceptSubtable(reader.u32Unchecked(record + 4))) {
      taken = true;
      takenEncoding = encodingID;
    }
  }
  if (!taken) table_.clear();
  return true;
}

bool ZCharacterGlyphTable::acceptSubtable(uint32_t offset) {
  zfont::TableReader reader(table_);
  std::optional<uint16_t> format = reader.u16(offset);
  if (format == uint16_t(12)) {
    // format, reserved, length (32), language (32), group count (32), groups.
    if (!reader.contains(offset, 16) || reader.u16Unchecked(offset + 2) != 0) return false;
    const std::size_t count = reader.u32Unchecked(offset + 12);
    if (count > (reader.size() - offset - 16) / 12) return false;
    format_ = 12;
    groupCount_ = count;
    groups_ = std::size_t(offset) + 16;
    return true;
  }
  if (format == uint16_t(4)) {
    // format, length, language, segCountX2, search fields, end codes, a pad,
    // start codes, deltas, range offsets (each segCountX2 bytes).
    if (!reader.contains(offset, 14)) return false;
    const std::size_t segCountX2 = reader.u16Unchecked(offset + 6) & ~std::size_t(1);
    if (!reader.contains(std::size_t(offset) + 14, 4 * segCountX2 + 2)) return false;
    format_ = 4;
    segCountX2_ = segCountX2;
    endCodes_ = std::size_t(offset) + 14;
    startCodes_ = endCodes_ + segCountX2 + 2;
    deltas_ = startCodes_ + segCountX2;
    rangeOffsets_ = deltas_ + segCountX2;
    return true;
  }
  return false;
}

uint16_t ZCharacterGlyphTable::format4Glyph(char32_t c) const {
  zfont::TableReader reader(table_);
  for (std::size_t segment = 0; segment < segCountX2_; segment += 2) {
    if (reader.u16Unchecked(endCodes_ + segment) < c) continue;
    const uint16_t start = reader.u16Unchecked(startCodes_ + segment);
    if (c < start) return 0;
    const uint16_t delta = reader.u16Unchecked(deltas_ + segment);
    const uint16_t rangeOffset = reader.u16Unchecked(rangeOffsets_ + segment);
    if (rangeOffset == 0) return static_cast<uint16_t>(delta + c);
    // The glyph array entry sits rangeOffset bytes past the range offset's
    // own position, two bytes per character from the segment's start.
    const std::size_t entry =
        rangeOffsets_ + segment + static_cast<uint16_t>(rangeOffset + 2 * (c - start));
    const uint16_t glyph = reader.u16(entry).value_or(0);
    return glyph == 0 ? 0 : static_cast<uint16_t>(glyph + delta);
  }
  return 0;
}

uint16_t ZCharacterGlyphTable::format12Glyph(char32_t c, std::size_t& hint) const {
  zfont::TableReader reader(table_);
  const std::size_t n = groupCount_;
  if (n == 0) return 0;
  auto startOf = [&](std::size_t i) { return reader.u32Unchecked(groups_ + 12 * i); };
  auto endOf = [&](std::size_t i) { return reader.u32Unchecked(groups_ + 12 * i + 4); };
  auto glyphIn = [&](std::size_t i) {
    return static_cast<uint16_t>(reader.u32Unchecked(groups_ + 12 * i + 8) + (c - startOf(i)));
  };

  if (c <= 127) {
    for (std::size_t i = 0; i < n; ++i) {
      if (startOf(i) > c) return 0;
      if (c <= endOf(i)) return glyphIn(i);
    }
    return 0;
  }

  // Bracket the group from the previous character's, then bisect for the
  // first group that ends at or after c.
  std::size_t from = hint < n ? hint : n - 1;
  std::size_t low = 0, high = n;
  if (c < startOf(from)) {
    high = from;
  } else if (c <= endOf(from)) {
    return glyphIn(from);
  } else {
    low = from + 1;
    std::size_t step = 8;
    while (step < n - low && endOf(low + step - 1) < c) {
      low += step;
      step *= 2;
    }
    high = step < n - low ? low + step : n;
  }
  while (low < high) {
    std::size_t middle = low + (high - low) / 2;
    if (endOf(middle) < c) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low >= n) return 0;
  hint = low;
  return startOf(low) <= c && c <= endOf(low) ? glyphIn(low) : 0;
}

uint16_t ZCharacterGlyphTable::glyphForCodePoint(char32_t codePoint, std::size_t& hint) const {
  if (format_ == 12) return format12Glyph(codePoint, hint);
  if (format_ == 4) return codePoint > 0xFFFF ? 0 : format4Glyph(codePoint);
  return 0;
}

void ZCharacterGlyphTable::glyphsForCodeUnits(std::u16string_view characters, uint16_t* glyphs) const {
  std::size_t hint = 0;
  const std::size_t count = characters.size();
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = characters[i];
    if (format_ == 12 && isHighSurrogate(characters[i]) && i + 1 < count && isLowSurrogate(characters[i + 1])) {
      c = (c - 0xD800) * 1024 + (characters[i + 1] - 0xDC00) + 0x10000;
      glyphs[i] = glyphForCodePoint(c, hint);
      glyphs[++i] = kNoGlyph;
      continue;
    }
    glyphs[i] = glyphForCodePoint(c, hint);
  }
}

std::size_t ZCharacterGlyphTable::glyphsForCharacters(std::u16string_view characters, uint16_t* glyphs) const {
  std::size_t hint = 0, written = 0;
  const std::size_t count = characters.size();
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = characters[i];
    if (format_ == 12 && isHighSurrogate(characters[i]) && i + 1 < count && isLowSurrogate(characters[i + 1])) {
      c = (c - 0xD800) * 1024 + (characters[++i] - 0xDC00) + 0x10000;
    }
    glyphs[written++] = glyphForCodePoint(c, hint);
  }
  return written;
}
