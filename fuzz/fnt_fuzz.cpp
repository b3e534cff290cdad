// Parses arbitrary bytes as a bitmap-font description (.fnt) from memory, in
// whichever form the bytes select (text, or XML when they start with "<?xml"
// or "<font"), and once more wrapped in a <font> element so that every input
// also reaches the XML reader. The reader must never crash, hang or leak,
// whatever the numbers, field counts, line lengths or markup; a font it
// accepts must be consistent: every glyph findable at its own code, the high
// glyphs sorted and unique, a page image named.

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Log.h"
#include "tessera/CCBMFontConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void checkFont(const CCBMFontConfiguration* font) {
  if (font == nullptr) return;
  if (font->atlasName().empty()) std::abort();
  for (uint32_t code = 0; code < CCBMFontConfiguration::kDirectTableSize; ++code) {
    const BMFontDef& glyph = font->fontDef(code);
    if (glyph.charID != code && glyph.charID != 0) std::abort();
  }
  uint32_t previous = CCBMFontConfiguration::kDirectTableSize - 1;
  for (const BMFontDef& glyph : font->highFontDefs()) {
    if (glyph.charID <= previous) std::abort();
    if (&font->fontDef(glyph.charID) != &glyph) std::abort();
    previous = glyph.charID;
  }
  (void)font->kerningAmount(65535, 65);
  (void)font->fontDef(0xFFFFFFFFu);
  if (font->description().empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  // Nothing in the reader asserts any more; a handler that returns keeps
  // the run going should that change.
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::AutoreleasePool pool;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkFont(CCBMFontConfiguration::configurationWithFNTData(text, "fonts/fuzz.fnt"));

  std::string wrapped;
  wrapped.reserve(size + 13);
  wrapped.append("<font>").append(text).append("</font>");
  checkFont(CCBMFontConfiguration::configurationWithFNTData(wrapped, "fuzz.fnt"));
  return 0;
}
