// Parses arbitrary text as a bitmap-font description (.fnt) from memory. The
// parser must never crash or write outside its glyph table, whatever the
// numbers, field counts or line lengths; its checks are assertions, which
// here are counted and passed over so reading goes on as it would under a
// handler that returns.

#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/Log.h"
#include "tessera/CCBMFontConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::setLogSink([](std::string_view) {});
  platform::setAssertionHandler([](const char*, const char*, int, const char*) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  platform::AutoreleasePool pool;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CCBMFontConfiguration* font = CCBMFontConfiguration::configurationWithFNTData(text, "fonts/fuzz.fnt");
  if (!font) return 0;

  // Every glyph sits at its own code (or is still empty).
  for (uint32_t code = 0; code < CCBMFontConfiguration::kMaxCharacters; ++code) {
    const BMFontDef& glyph = font->fontDef(code);
    if (glyph.charID != code && glyph.charID != 0) std::abort();
  }
  (void)font->kerningAmount(65535, 65);
  if (font->description().empty()) std::abort();
  return 0;
}
