#pragma once
// Builds small TrueType fonts in memory for the font tests: every glyph is
// empty (no outline) but has the advance the test chooses, and the 'cmap'
// and 'name' tables are written field by field so malformed ones can be
// made on purpose.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zfont_test {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& out, uint32_t value) {
  out.push_back(uint8_t(value >> 8));
  out.push_back(uint8_t(value));
}
inline void put32(Bytes& out, uint32_t value) {
  put16(out, value >> 16);
  put16(out, value & 0xFFFF);
}
inline void set16(Bytes& out, std::size_t at, uint32_t value) {
  out[at] = uint8_t(value >> 8);
  out[at + 1] = uint8_t(value);
}

/// A 'cmap' table from encoding records (platform, encoding, subtable bytes).
struct CmapRecord {
  uint16_t platform;
  uint16_t encoding;
  Bytes subtable;
};
inline Bytes cmapTable(const std::vector<CmapRecord>& records, uint16_t version = 0) {
  Bytes out;
  put16(out, version);
  put16(out, uint16_t(records.size()));
  std::size_t offset = 4 + 8 * records.size();
  for (const CmapRecord& record : records) {
    put16(out, record.platform);
    put16(out, record.encoding);
    put32(out, uint32_t(offset));
    offset += record.subtable.size();
  }
  for (const CmapRecord& record : records) out.insert(out.end(), record.subtable.begin(), record.subtable.end());
  return out;
}

/// A format-4 segment: characters start..end map through delta, or through
/// `glyphArray` (one entry per character) when it is not empty.
struct Segment {
  Segment(uint16_t first, uint16_t last, int delta = 0, std::vector<uint16_t> glyphArray = {})
      : start(first), end(last), delta(int16_t(delta)), glyphArray(std::move(glyphArray)) {}
  uint16_t start;
  uint16_t end;
  int16_t delta;
  std::vector<uint16_t> glyphArray;
};
/// A format-4 subtable; the closing 0xFFFF segment is added here.
inline Bytes format4(std::vector<Segment> segments) {
  segments.push_back(Segment{0xFFFF, 0xFFFF, 1, {}});
  const std::size_t count = segments.size();
  Bytes out;
  put16(out, 4);
  put16(out, 0);  // length, set below
  put16(out, 0);  // language
  put16(out, uint16_t(2 * count));
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  for (const Segment& s : segments) put16(out, s.end);
  put16(out, 0);  // pad
  for (const Segment& s : segments) put16(out, s.start);
  for (const Segment& s : segments) put16(out, uint16_t(s.delta));
  // Range offsets point from their own position into the glyph array that
  // follows the range offsets.
  std::size_t arrayAt = 2 * count;  // bytes from the first range offset to the array
  std::vector<uint16_t> array;
  for (std::size_t i = 0; i < count; ++i) {
    const Segment& s = segments[i];
    if (s.glyphArray.empty()) {
      put16(out, 0);
    } else {
      put16(out, uint16_t(arrayAt + 2 * array.size() - 2 * i));
      array.insert(array.end(), s.glyphArray.begin(), s.glyphArray.end());
    }
  }
  for (uint16_t glyph : array) put16(out, glyph);
  set16(out, 2, uint16_t(out.size()));
  return out;
}

/// A format-12 group: code points start..end map to startGlyph onwards.
struct Group {
  uint32_t start;
  uint32_t end;
  uint32_t startGlyph;
};
inline Bytes format12(const std::vector<Group>& groups, uint16_t reserved = 0) {
  Bytes out;
  put16(out, 12);
  put16(out, reserved);
  put32(out, uint32_t(16 + 12 * groups.size()));
  put32(out, 0);
  put32(out, uint32_t(groups.size()));
  for (const Group& g : groups) {
    put32(out, g.start);
    put32(out, g.end);
    put32(out, g.startGlyph);
  }
  return out;
}

/// A 'name' record and its raw string bytes.
struct NameRecord {
  uint16_t platform;
  uint16_t encoding;
  uint16_t nameID;
  Bytes bytes;
  bool zeroOffset = false;  ///< write offset 0 (the string is still stored)
};
inline Bytes utf16BE(const std::u16string& text) {
  Bytes out;
  for (char16_t c : text) put16(out, c);
  return out;
}
inline Bytes nameTable(const std::vector<NameRecord>& records, uint16_t format = 0) {
  Bytes out;
  put16(out, format);
  put16(out, uint16_t(records.size()));
  const std::size_t storage = 6 + 12 * records.size();
  put16(out, uint16_t(storage));
  // Offset 0 means "none" to the reader, so strings start one byte in.
  std::size_t offset = 1;
  for (const NameRecord& r : records) {
    put16(out, r.platform);
    put16(out, r.encoding);
    put16(out, 0x409);
    put16(out, r.nameID);
    put16(out, uint16_t(r.bytes.size()));
    put16(out, r.zeroOffset ? 0 : uint16_t(offset));
    offset += r.bytes.size();
  }
  out.push_back(0);
  for (const NameRecord& r : records) out.insert(out.end(), r.bytes.begin(), r.bytes.end());
  return out;
}

/// A whole font file. Glyph i has advance `advances[i]` (font units).
struct FontSpec {
  uint16_t unitsPerEm = 1000;
  int16_t ascender = 800;
  int16_t descender = -200;
  std::vector<uint16_t> advances = {500};
  std::map<std::string, Bytes> extraTables;  ///< 'cmap', 'name' and overrides
};

inline Bytes buildFont(const FontSpec& spec) {
  std::map<std::string, Bytes> tables = spec.extraTables;
  const uint16_t glyphCount = uint16_t(spec.advances.size());
  Bytes head;
  put32(head, 0x00010000);
  put32(head, 0x00010000);
  put32(head, 0);
  put32(head, 0x5F0F3CF5);
  put16(head, 0);
  put16(head, spec.unitsPerEm);
  for (int i = 0; i < 16; ++i) head.push_back(0);  // created, modified
  put16(head, 0);
  put16(head, uint16_t(spec.descender));
  put16(head, spec.unitsPerEm);
  put16(head, uint16_t(spec.ascender));
  put16(head, 0);  // macStyle
  put16(head, 8);  // lowestRecPPEM
  put16(head, 2);
  put16(head, 0);  // short loca
  put16(head, 0);
  tables.emplace("head", head);

  Bytes hhea;
  put32(hhea, 0x00010000);
  put16(hhea, uint16_t(spec.ascender));
  put16(hhea, uint16_t(spec.descender));
  put16(hhea, 0);  // line gap
  uint16_t widest = 0;
  for (uint16_t a : spec.advances) widest = a > widest ? a : widest;
  put16(hhea, widest);
  for (int i = 0; i < 3; ++i) put16(hhea, 0);
  put16(hhea, 1);  // caret slope rise
  for (int i = 0; i < 6; ++i) put16(hhea, 0);  // caret run and offset, reserved
  put16(hhea, 0);  // metric data format
  put16(hhea, glyphCount);
  tables.emplace("hhea", hhea);

  Bytes maxp;
  put32(maxp, 0x00010000);
  put16(maxp, glyphCount);
  for (int i = 0; i < 13; ++i) put16(maxp, i == 4 ? 2 : 0);  // maxZones 2
  tables.emplace("maxp", maxp);

  Bytes hmtx;
  for (uint16_t a : spec.advances) {
    put16(hmtx, a);
    put16(hmtx, 0);
  }
  tables.emplace("hmtx", hmtx);

  Bytes loca;
  for (int i = 0; i <= glyphCount; ++i) put16(loca, 0);
  tables.emplace("loca", loca);
  tables.emplace("glyf", Bytes(4, 0));

  Bytes post;
  put32(post, 0x00030000);
  for (int i = 0; i < 28; ++i) post.push_back(0);
  tables.emplace("post", post);

  // Remove tables a test asked to leave out (empty entries).
  for (auto it = tables.begin(); it != tables.end();) it = it->second.empty() ? tables.erase(it) : std::next(it);

  Bytes out;
  const uint16_t count = uint16_t(tables.size());
  put32(out, 0x00010000);
  put16(out, count);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  std::size_t offset = 12 + 16 * count;
  std::vector<std::pair<std::size_t, const Bytes*>> bodies;
  for (const auto& [tag, body] : tables) {
    for (char c : tag) out.push_back(uint8_t(c));
    put32(out, 0);  // checksum (not checked by the reader)
    put32(out, uint32_t(offset));
    put32(out, uint32_t(body.size()));
    bodies.emplace_back(offset, &body);
    offset += (body.size() + 3) & ~std::size_t(3);
  }
  for (const auto& [at, body] : bodies) {
    out.resize(at, 0);
    out.insert(out.end(), body->begin(), body->end());
  }
  out.resize((out.size() + 3) & ~std::size_t(3), 0);
  return out;
}

}  // namespace zfont_test
