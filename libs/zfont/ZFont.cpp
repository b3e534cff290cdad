#include "zfont/ZFont.h"

#include "platform/Assert.h"
#include "platform/Font.h"
#include "platform/StringUtils.h"
#include "zfont/ZFontTableReader.h"

#include <cmath>

// [SECTION] Creation
// [SECTION] Metrics and names
// [SECTION] Name table
// [SECTION] Text decoding

namespace {

// Upper half of Mac OS Roman (bytes 0x80..0xFF) as Unicode.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

constexpr uint16_t kNameFamily = 1;
constexpr uint16_t kNameFull = 4;
constexpr uint16_t kNamePostScript = 6;

enum class NameEncoding { None, Utf16, MacRoman };

// The encoding of a name record's (platform, encoding) pair; None for pairs
// whose strings are not read.
NameEncoding nameEncoding(uint16_t platformID, uint16_t encodingID) {
  if (platformID == 0) return NameEncoding::Utf16;
  if (platformID == 3 && encodingID == 1) return NameEncoding::Utf16;
  if (platformID == 1 && encodingID == 0) return NameEncoding::MacRoman;
  if (platformID == 1 && encodingID == 1) return NameEncoding::Utf16;
  return NameEncoding::None;
}

}  // namespace

// [SECTION] Creation

ZFont* ZFont::fontWithCGFont(platform::FontFace* cgFont, float size) {
  return platform::createAutoreleased<ZFont>([&](ZFont& font) { return font.initWithCGFont(cgFont, size); });
}

ZFont* ZFont::fontWithUIFont(platform::Font* uiFont) {
  CCAssert(uiFont != nullptr, "uiFont != nil");
  if (uiFont == nullptr) return nullptr;
  // The system font's face, found again by its PostScript name as the
  // platform does for any named font.
  platform::FontFace* face = platform::FontFace::fontFaceWithName(uiFont->name());
  return fontWithCGFont(face ? face : uiFont->face(), uiFont->pointSize());
}

bool ZFont::initWithCGFont(platform::FontFace* cgFont, float size) {
  if (cgFont == nullptr || cgFont->unitsPerEm() <= 0) return false;
  cgFont_ = cgFont;
  pointSize_ = size;
  ratio_ = size / static_cast<float>(cgFont->unitsPerEm());
  return true;
}

bool ZFont::init() {
  CCAssert(false, "-init is not valid for ZFont");
  return false;
}

ZFont* ZFont::fontWithSize(float fontSize) {
  if (fontSize == pointSize_) return this;
  CCAssert(fontSize > 0.0f, "fontSize > 0.0");
  if (!(fontSize > 0.0f)) return nullptr;
  return fontWithCGFont(cgFont_.get(), fontSize);
}

// [SECTION] Metrics and names

float ZFont::ascender() const { return std::ceil(static_cast<float>(cgFont_->ascent()) * ratio_); }
float ZFont::descender() const { return std::floor(static_cast<float>(cgFont_->descent()) * ratio_); }
float ZFont::leading() const { return ascender() - descender(); }
float ZFont::xHeight() const { return std::ceil(static_cast<float>(cgFont_->xHeight()) * ratio_); }
float ZFont::capHeight() const { return std::ceil(static_cast<float>(cgFont_->capHeight()) * ratio_); }

const std::string& ZFont::cachedName(std::optional<std::string>& cache, uint16_t nameID) const {
  if (!cache) cache = copyNameTableEntryForID(nameID).value_or(std::string());
  return *cache;
}

const std::string& ZFont::familyName() const { return cachedName(familyName_, kNameFamily); }
const std::string& ZFont::fontName() const { return cachedName(fontName_, kNameFull); }
const std::string& ZFont::postScriptName() const { return cachedName(postScriptName_, kNamePostScript); }

bool ZFont::isEqual(const platform::Object* other) const {
  auto* font = dynamic_cast<const ZFont*>(other);
  return font && font->cgFont_.get() == cgFont_.get() && font->pointSize_ == pointSize_;
}

std::string ZFont::description() const {
  return platform::formatString("<%s = %s | %s %.1f>", className(), platform::addressString(this).c_str(),
                                cgFont_ ? cgFont_->postScriptName().c_str() : "", static_cast<double>(pointSize_));
}

// [SECTION] Name table

std::optional<std::string> ZFont::copyNameTableEntryForID(uint16_t nameID) const {
  std::optional<std::vector<uint8_t>> table = cgFont_->copyTable(platform::fontTableTag("name"));
  CCAssert(table.has_value(), "CGFontCopyTableForTag returned NULL for 'name' tag in font %s",
           platform::describe(cgFont_.get()).c_str());
  if (!table) return std::nullopt;
  zfont::TableReader reader(*table);
  std::optional<uint16_t> format = reader.u16(0);
  CCAssert(format == uint16_t(0), "name table for font %s has bad version number",
           platform::describe(cgFont_.get()).c_str());
  if (format != uint16_t(0)) return std::nullopt;

  // Header: format, count, storage offset; then 12-byte records. A count
  // beyond the table ends the walk at the last whole record.
  uint16_t count = reader.u16(2).value_or(0);
  uint16_t storage = reader.u16(4).value_or(0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t record = 6 + 12 * i;
    if (!reader.contains(record, 12)) break;
    if (reader.u16Unchecked(record + 6) != nameID) continue;
    NameEncoding encoding = nameEncoding(reader.u16Unchecked(record), reader.u16Unchecked(record + 2));
    if (encoding == NameEncoding::None) continue;
    const uint16_t length = reader.u16Unchecked(record + 8);
    const uint16_t offset = reader.u16Unchecked(record + 10);
    if (offset == 0) return std::nullopt;
    if (!reader.contains(std::size_t(storage) + offset, length)) return std::nullopt;
    std::span<const uint8_t> bytes = reader.bytes(std::size_t(storage) + offset, length);
    return encoding == NameEncoding::MacRoman ? zfont::macRomanToUtf8(bytes) : zfont::utf16BigEndianToUtf8(bytes);
  }
  return std::nullopt;
}

// [SECTION] Text decoding

namespace zfont {

std::string macRomanToUtf8(std::span<const uint8_t> bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  for (uint8_t byte : bytes) units.push_back(byte < 0x80 ? char16_t(byte) : kMacRomanHigh[byte - 0x80]);
  return platform::utf16ToUtf8(units);
}

std::string utf16BigEndianToUtf8(std::span<const uint8_t> bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) units.push_back(char16_t((bytes[i] << 8) | bytes[i + 1]));
  return platform::utf16ToUtf8(units);
}

}  // namespace zfont
