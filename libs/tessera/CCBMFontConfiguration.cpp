#include "tessera/CCBMFontConfiguration.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/StringUtils.h"
#include "tessera/CCConfiguration.h"
#include "tessera/Support/CCFileUtils.h"

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

// [SECTION] Index
//   Text helpers: UTF-8 check, field splitting, value reading
//   Creation
//   The cache
//   Line parsers
//   Queries

namespace {

// [SECTION] Text helpers

// True when `text` is well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no encoded surrogates, nothing above U+10FFFF, no
// truncated sequence at the end.
bool isValidUTF8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (size - i < length) return false;
    if (bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

// The pieces of `line` between '=' signs. Field 0 is the text before the
// first '='; field i starts with the value of the i-th key.
std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t equals = line.find('=', start);
    if (equals == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, equals - start));
    start = equals + 1;
  }
}

// The decimal value at the start of field `index`; 0 when the line has no
// such field. Leading white space, an optional sign, digits; saturated.
int32_t fieldValue(const std::vector<std::string_view>& fields, std::size_t index) {
  return index < fields.size() ? platform::intValue(fields[index]) : 0;
}

// Field `index` up to its first space ("65 x" -> "65"); "" when absent.
std::string_view fieldUpToSpace(const std::vector<std::string_view>& fields, std::size_t index) {
  if (index >= fields.size()) return {};
  const std::string_view field = fields[index];
  return field.substr(0, field.find(' '));
}

// The process-wide cache, created on first use.
using ConfigurationCache = std::unordered_map<std::string, platform::Ref<CCBMFontConfiguration>>;
ConfigurationCache* g_configurations = nullptr;

const BMFontDef kEmptyFontDef{};

}  // namespace

// [SECTION] Creation

CCBMFontConfiguration* CCBMFontConfiguration::configurationWithFNTFile(const std::string& fntFile) {
  return platform::createAutoreleased<CCBMFontConfiguration>(
      [&](CCBMFontConfiguration& configuration) { return configuration.initWithFNTfile(fntFile); });
}

CCBMFontConfiguration* CCBMFontConfiguration::configurationWithFNTData(std::string_view text,
                                                                       const std::string& fntFile) {
  return platform::createAutoreleased<CCBMFontConfiguration>(
      [&](CCBMFontConfiguration& configuration) { return configuration.initWithFNTData(text, fntFile); });
}

bool CCBMFontConfiguration::initWithFNTfile(const std::string& fntFile) {
  reset();
  const std::string fullPath = CCFileUtils::fullPathFromRelativePath(fntFile);
  unsigned char* raw = nullptr;
  const int length = ccLoadFileIntoMemory(fullPath.c_str(), &raw);
  std::unique_ptr<unsigned char, decltype(&std::free)> contents(raw, &std::free);
  if (length < 0) {
    CCLOG("tessera: CCBMFontConfiguration: cannot read %s", fullPath.c_str());
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(contents.get()), static_cast<std::size_t>(length));
  if (!isValidUTF8(text)) {
    CCLOG("tessera: CCBMFontConfiguration: %s is not UTF-8 text", fullPath.c_str());
    return false;
  }
  parseConfigText(text, fntFile);
  return true;
}

bool CCBMFontConfiguration::initWithFNTData(std::string_view text, const std::string& fntFile) {
  reset();
  if (!isValidUTF8(text)) {
    CCLOG("tessera: CCBMFontConfiguration: the text for %s is not UTF-8", fntFile.c_str());
    return false;
  }
  parseConfigText(text, fntFile);
  return true;
}

void CCBMFontConfiguration::reset() {
  BMFontArray_.fill(BMFontDef{});
  commonHeight_ = 0;
  padding_ = BMFontPadding{};
  atlasName_.clear();
  purgeKerningDictionary();
}

// [SECTION] The cache

CCBMFontConfiguration* CCBMFontConfiguration::cachedConfiguration(const std::string& fntFile) {
  if (g_configurations == nullptr) {
    g_configurations = new ConfigurationCache();
    g_configurations->reserve(3);
  }
  if (auto found = g_configurations->find(fntFile); found != g_configurations->end()) return found->second.get();
  CCBMFontConfiguration* configuration = configurationWithFNTFile(fntFile);
  if (configuration != nullptr) g_configurations->emplace(fntFile, configuration);
  return configuration;
}

void CCBMFontConfiguration::purgeCachedData() {
  if (g_configurations == nullptr) return;
  // Released outside the map, so nothing a configuration's teardown does can
  // meet a half-cleared cache.
  ConfigurationCache dropped = std::exchange(*g_configurations, ConfigurationCache{});
  dropped.clear();
}

// [SECTION] Line parsers

void CCBMFontConfiguration::parseConfigText(std::string_view text, const std::string& fntFile) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', start);
    const std::string_view line =
        text.substr(start, newline == std::string_view::npos ? std::string_view::npos : newline - start);

    if (platform::hasPrefix(line, "info face")) {
      // Name, size and style of the face: nothing the layout needs.
    } else if (platform::hasPrefix(line, "common lineHeight")) {
      parseCommonArguments(line);
    } else if (platform::hasPrefix(line, "page id")) {
      parseImageFileName(line, fntFile);
    } else if (platform::hasPrefix(line, "chars c")) {
      // The glyph count: the table is fixed-size anyway.
    } else if (platform::hasPrefix(line, "char")) {
      BMFontDef characterDefinition;
      if (parseCharacterDefinition(line, characterDefinition)) {
        BMFontArray_[characterDefinition.charID] = characterDefinition;
      }
    } else if (platform::hasPrefix(line, "kernings count")) {
      parseKerningCapacity(line);
    } else if (platform::hasPrefix(line, "kerning first")) {
      parseKerningEntry(line);
    }

    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
}

void CCBMFontConfiguration::parseCommonArguments(std::string_view line) {
  // common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=1 packed=0
  const std::vector<std::string_view> fields = fieldsOf(line);
  commonHeight_ = static_cast<uint32_t>(fieldValue(fields, 1));
  // Field 2, the base line, only documents where the baseline is.
  const int32_t maxTextureSize = CCConfiguration::sharedConfiguration()->maxTextureSize();
  CCAssert(fieldValue(fields, 3) <= maxTextureSize, "CCLabelBMFont: page can't be larger than supported");
  CCAssert(fieldValue(fields, 4) <= maxTextureSize, "CCLabelBMFont: page can't be larger than supported");
  CCAssert(fieldValue(fields, 5) == 1, "CCBitfontAtlas: only supports 1 page");
}

void CCBMFontConfiguration::parseImageFileName(std::string_view line, const std::string& fntFile) {
  // page id=0 file="courierNew12pt.png"
  const std::vector<std::string_view> fields = fieldsOf(line);
  CCAssert(fieldValue(fields, 1) == 0, "XXX: BitmapFontAtlas only supports 1 page");

  // The name is the text between the first two double quotes of field 2.
  const std::string_view quoted = fields.size() > 2 ? fields[2] : std::string_view{};
  const std::size_t open = quoted.find('"');
  const bool hasName = open != std::string_view::npos;
  CCAssert(hasName, "BitmapFontAtlas file could not be found");
  if (!hasName) return;
  std::string_view name = quoted.substr(open + 1);
  name = name.substr(0, name.find('"'));

  // The image is looked for beside the .fnt name as given.
  atlasName_ = platform::stringByAppendingPathComponent(platform::stringByDeletingLastPathComponent(fntFile), name);
}

bool CCBMFontConfiguration::parseCharacterDefinition(std::string_view line, BMFontDef& characterDefinition) {
  // char id=48 x=16 y=13 width=7 height=9 xoffset=0 yoffset=1 xadvance=7 page=0 chnl=15
  const std::vector<std::string_view> fields = fieldsOf(line);
  characterDefinition.charID = static_cast<uint32_t>(platform::intValue(fieldUpToSpace(fields, 1)));
  const bool inRange = characterDefinition.charID < kMaxCharacters;
  CCAssert(inRange, "BitmpaFontAtlas: CharID bigger than supported");
  if (!inRange) return false;

  characterDefinition.rect.origin.x = static_cast<float>(fieldValue(fields, 2));
  characterDefinition.rect.origin.y = static_cast<float>(fieldValue(fields, 3));
  characterDefinition.rect.size.width = static_cast<float>(fieldValue(fields, 4));
  characterDefinition.rect.size.height = static_cast<float>(fieldValue(fields, 5));
  characterDefinition.xOffset = fieldValue(fields, 6);
  characterDefinition.yOffset = fieldValue(fields, 7);
  characterDefinition.xAdvance = fieldValue(fields, 8);
  // Fields 9 and later (page, channel) do not matter with one page.
  return true;
}

void CCBMFontConfiguration::parseKerningEntry(std::string_view line) {
  // kerning first=65 second=86 amount=-2
  const std::vector<std::string_view> fields = fieldsOf(line);
  const auto first = static_cast<uint32_t>(fieldValue(fields, 1));
  const auto second = static_cast<uint32_t>(fieldValue(fields, 2));
  const int32_t amount = fieldValue(fields, 3);
  const auto key = static_cast<int32_t>((first << 16) | (second & 0xFFFFu));
  // A pair given twice keeps the amount read last.
  kerningDictionary_[key] = amount;
}

// [SECTION] Queries

const BMFontDef& CCBMFontConfiguration::fontDef(uint32_t charCode) const {
  CCAssert(charCode < kMaxCharacters, "CCBMFontConfiguration: character %u outside the glyph table", charCode);
  return charCode < kMaxCharacters ? BMFontArray_[charCode] : kEmptyFontDef;
}

int32_t CCBMFontConfiguration::kerningAmount(uint16_t first, uint16_t second) const {
  const auto key = static_cast<int32_t>((static_cast<uint32_t>(first) << 16) | second);
  const auto found = kerningDictionary_.find(key);
  return found != kerningDictionary_.end() ? found->second : 0;
}

std::string CCBMFontConfiguration::description() const {
  return platform::formatString("<%s = %s | Kernings:%d | Image = %s>", className(),
                                platform::addressString(this).c_str(), static_cast<int>(kerningCount()),
                                atlasName_.empty() ? "(null)" : atlasName_.c_str());
}
