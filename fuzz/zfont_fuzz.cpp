// Reads arbitrary bytes as a font's 'cmap' and 'name' tables, placed in an
// otherwise valid font made here, then maps characters to glyphs, reads every
// common name and lays text out (measuring and drawing) in every line-break
// mode. Whatever the tables say (offsets, lengths, segment and group counts),
// nothing may read outside them, crash, hang or leak; glyphs must stay within
// 16 bits and a layout's size must be finite and never negative.
//
// Input: a 16-bit big-endian length N, N bytes of 'cmap'; a 16-bit length M,
// M bytes of 'name'; the rest is UTF-16 (little-endian) text to lay out.

#include "../tests/zfont/TrueTypeBuilder.h"
#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Canvas.h"
#include "platform/FontFace.h"
#include "platform/Log.h"
#include "zfont/ZCharacterGlyphTable.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> take(const uint8_t*& data, std::size_t& size) {
  if (size < 2) {
    size = 0;
    return {};
  }
  std::size_t length = (std::size_t(data[0]) << 8) | data[1];
  data += 2;
  size -= 2;
  if (length > size) length = size;
  std::vector<uint8_t> bytes(data, data + length);
  data += length;
  size -= length;
  return bytes;
}

void checkSize(CGSize size) {
  if (!std::isfinite(size.width) || !std::isfinite(size.height) || size.width < 0 || size.height < 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  // A missing table or a bad version asserts; a handler that returns lets
  // the documented "no table" path run on.
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::AutoreleasePool pool;
  zfont_test::FontSpec spec;
  spec.advances.assign(64, 500);
  spec.advances[3] = 0;
  std::vector<uint8_t> cmap = take(data, size);
  std::vector<uint8_t> name = take(data, size);
  if (!cmap.empty()) spec.extraTables["cmap"] = cmap;
  if (!name.empty()) spec.extraTables["name"] = name;
  platform::FontFace* face = platform::FontFace::fontFaceWithData(zfont_test::buildFont(spec));
  if (face == nullptr) return 0;
  ZFont* font = ZFont::fontWithCGFont(face, 12);
  if (font == nullptr) return 0;

  for (uint16_t id : {0, 1, 2, 3, 4, 5, 6, 16, 0xFFFF}) (void)font->copyNameTableEntryForID(id);
  (void)font->familyName();
  (void)font->postScriptName();

  std::u16string text;
  for (std::size_t i = 0; i + 1 < size && text.size() < 512; i += 2) text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
  if (text.empty()) text = u"Hello, w\u00F6rld \u2026 \U0001F47B\n\u0416\u4E2D";

  ZCharacterGlyphTable* table = ZCharacterGlyphTable::tableWithFont(face);
  std::vector<uint16_t> glyphs(text.size());
  if (table->glyphsForCharacters(text, glyphs.data()) > text.size()) std::abort();
  std::size_t hint = 0;
  for (char32_t c : {U'\0', U'A', U'\x7F', U'\x80', U'\uFFFF', U'\U00010000', U'\U0010FFFF'}) {
    (void)table->glyphForCodePoint(c, hint);
  }

  std::vector<uint8_t> pixels(64 * 32, 0);
  platform::Canvas* canvas =
      platform::Canvas::canvasWithBuffer(pixels.data(), 64, 32, 64, platform::CanvasLayout::Alpha8);
  const zfont::TextRun run{0, font};
  for (int mode = 0; mode <= 5; ++mode) {
    checkSize(zfont::layoutText(nullptr, text, {&run, 1}, CGSizeMake(40, 30), 0, mode, mode % 3, true));
    checkSize(zfont::layoutText(nullptr, text, {&run, 1}, CGSizeMake(3, 1e9f), 1, mode, 0, true));
  }
  checkSize(drawInRect(canvas, "x", CGRectMake(0, 0, 64, 32), font));
  checkSize(zfont::layoutText(canvas, text, {&run, 1}, CGSizeMake(64, 32), 0, 4, 1, false));
  return 0;
}
