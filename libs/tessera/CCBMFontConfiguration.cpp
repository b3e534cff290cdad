#include "tessera/CCBMFontConfiguration.h"

#include "platform/Log.h"
#include "platform/Ref.h"
#include "platform/StringUtils.h"
#include "tessera/CCConfiguration.h"
#include "tessera/Support/CCFileUtils.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// [SECTION] Index
//   Text helpers: UTF-8 check, field splitting, value reading, form detection
//   Creation
//   The cache
//   Text form: line parsers
//   XML form
//   Shared steps: common, page, characters, kerning, finishing
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

// Where the XML form starts, or npos for the text form: the first characters
// after white space and a UTF-8 byte-order mark are "<?xml" or "<font".
std::size_t xmlStart(std::string_view text) {
  std::size_t start = 0;
  if (platform::hasPrefix(text, "\xEF\xBB\xBF")) start = 3;
  start = text.find_first_not_of(" \t\r\n", start);
  if (start == std::string_view::npos) return std::string_view::npos;
  const std::string_view rest = text.substr(start);
  return platform::hasPrefix(rest, "<?xml") || platform::hasPrefix(rest, "<font") ? start : std::string_view::npos;
}

// The value of attribute `name` in expat's name/value list, or nullptr.
const char* attributeNamed(const XML_Char** attributes, const char* name) {
  for (; attributes[0] != nullptr; attributes += 2) {
    if (std::strcmp(attributes[0], name) == 0) return attributes[1];
  }
  return nullptr;
}

// The decimal value of attribute `name` by the same rule as a text field;
// 0 when absent.
int32_t attributeValue(const XML_Char** attributes, const char* name) {
  const char* value = attributeNamed(attributes, name);
  return value != nullptr ? platform::intValue(value) : 0;
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
  if (const std::size_t start = xmlStart(text); start != std::string_view::npos) {
    return parseConfigXML(text.substr(start), fntFile, fullPath);
  }
  if (!isValidUTF8(text)) {
    CCLOG("tessera: CCBMFontConfiguration: %s is not UTF-8 text", fullPath.c_str());
    return false;
  }
  return parseConfigText(text, fntFile, fullPath);
}

bool CCBMFontConfiguration::initWithFNTData(std::string_view text, const std::string& fntFile) {
  reset();
  if (const std::size_t start = xmlStart(text); start != std::string_view::npos) {
    return parseConfigXML(text.substr(start), fntFile, fntFile);
  }
  if (!isValidUTF8(text)) {
    CCLOG("tessera: CCBMFontConfiguration: the text for %s is not UTF-8", fntFile.c_str());
    return false;
  }
  return parseConfigText(text, fntFile, fntFile);
}

void CCBMFontConfiguration::reset() {
  BMFontArray_.fill(BMFontDef{});
  highFontDefs_.clear();
  commonHeight_ = 0;
  padding_ = BMFontPadding{};
  atlasName_.clear();
  purgeKerningDictionary();
  skippedCharacters_ = 0;
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

// [SECTION] Text form: line parsers

bool CCBMFontConfiguration::parseConfigText(std::string_view text, const std::string& fntFile,
                                            const std::string& source) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', start);
    const std::string_view line =
        text.substr(start, newline == std::string_view::npos ? std::string_view::npos : newline - start);

    if (platform::hasPrefix(line, "info face")) {
      // Name, size and style of the face: nothing the layout needs.
    } else if (platform::hasPrefix(line, "common lineHeight")) {
      if (!parseCommonArguments(line, source)) return false;
    } else if (platform::hasPrefix(line, "page id")) {
      if (!parseImageFileName(line, fntFile, source)) return false;
    } else if (platform::hasPrefix(line, "chars c")) {
      // The glyph count: the tables grow as needed.
    } else if (platform::hasPrefix(line, "char")) {
      parseCharacterDefinition(line);
    } else if (platform::hasPrefix(line, "kernings count")) {
      parseKerningCapacity(line);
    } else if (platform::hasPrefix(line, "kerning first")) {
      parseKerningEntry(line);
    }

    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
  return finishParsing(source, false);
}

bool CCBMFontConfiguration::parseCommonArguments(std::string_view line, const std::string& source) {
  // common lineHeight=14 base=10 scaleW=128 scaleH=64 pages=1 packed=0
  // Field 2, the base line, only documents where the baseline is.
  const std::vector<std::string_view> fields = fieldsOf(line);
  return setCommon(fieldValue(fields, 1), fieldValue(fields, 3), fieldValue(fields, 4), fieldValue(fields, 5),
                   source);
}

bool CCBMFontConfiguration::parseImageFileName(std::string_view line, const std::string& fntFile,
                                               const std::string& source) {
  // page id=0 file="courierNew12pt.png"
  // The name is the text between the first two double quotes of field 2.
  const std::vector<std::string_view> fields = fieldsOf(line);
  const std::string_view quoted = fields.size() > 2 ? fields[2] : std::string_view{};
  const std::size_t open = quoted.find('"');
  const bool hasName = open != std::string_view::npos;
  std::string_view name;
  if (hasName) {
    name = quoted.substr(open + 1);
    name = name.substr(0, name.find('"'));
  }
  return setPage(fieldValue(fields, 1), name, hasName, fntFile, source);
}

void CCBMFontConfiguration::parseCharacterDefinition(std::string_view line) {
  // char id=48 x=16 y=13 width=7 height=9 xoffset=0 yoffset=1 xadvance=7 page=0 chnl=15
  const std::vector<std::string_view> fields = fieldsOf(line);
  BMFontDef characterDefinition;
  characterDefinition.rect.origin.x = static_cast<float>(fieldValue(fields, 2));
  characterDefinition.rect.origin.y = static_cast<float>(fieldValue(fields, 3));
  characterDefinition.rect.size.width = static_cast<float>(fieldValue(fields, 4));
  characterDefinition.rect.size.height = static_cast<float>(fieldValue(fields, 5));
  characterDefinition.xOffset = fieldValue(fields, 6);
  characterDefinition.yOffset = fieldValue(fields, 7);
  characterDefinition.xAdvance = fieldValue(fields, 8);
  // Fields 9 and later (page, channel) do not matter with one page.
  addCharacter(platform::intValue(fieldUpToSpace(fields, 1)), characterDefinition);
}

void CCBMFontConfiguration::parseKerningEntry(std::string_view line) {
  // kerning first=65 second=86 amount=-2
  const std::vector<std::string_view> fields = fieldsOf(line);
  addKerning(fieldValue(fields, 1), fieldValue(fields, 2), fieldValue(fields, 3));
}

// [SECTION] XML form

bool CCBMFontConfiguration::parseConfigXML(std::string_view text, const std::string& fntFile,
                                           const std::string& source) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    CCLOG("tessera: CCBMFontConfiguration: %s is too large (%zu bytes)", source.c_str(), text.size());
    return false;
  }
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                                       &XML_ParserFree);
  if (!parser) {
    CCLOG("tessera: CCBMFontConfiguration: no XML parser for %s", source.c_str());
    return false;
  }

  // What the callbacks share. `refused` is set once a step has refused the
  // file (and logged); the parser is stopped then.
  struct Reader {
    CCBMFontConfiguration* font;
    const std::string* fntFile;
    const std::string* source;
    XML_Parser parser;
    int depth = 0;
    bool refused = false;

    void refuse() {
      refused = true;
      XML_StopParser(parser, XML_FALSE);
    }
    void start(const XML_Char* name, const XML_Char** attributes) {
      ++depth;
      if (refused) return;
      if (depth == 1) {
        if (std::strcmp(name, "font") != 0) {
          CCLOG("tessera: CCBMFontConfiguration: %s: the root element is <%s>, not <font>", source->c_str(), name);
          refuse();
        }
        return;
      }
      // Elements are recognised by name anywhere inside <font>; <info>,
      // <pages>, <chars>, <kernings> and anything unknown carry nothing the
      // layout needs.
      bool accepted = true;
      if (std::strcmp(name, "common") == 0) {
        accepted = font->setCommon(attributeValue(attributes, "lineHeight"), attributeValue(attributes, "scaleW"),
                                   attributeValue(attributes, "scaleH"), attributeValue(attributes, "pages"), *source);
      } else if (std::strcmp(name, "page") == 0) {
        const char* file = attributeNamed(attributes, "file");
        accepted = font->setPage(attributeValue(attributes, "id"), file != nullptr ? file : "", file != nullptr,
                                 *fntFile, *source);
      } else if (std::strcmp(name, "char") == 0) {
        BMFontDef characterDefinition;
        characterDefinition.rect = CGRectMake(static_cast<float>(attributeValue(attributes, "x")),
                                              static_cast<float>(attributeValue(attributes, "y")),
                                              static_cast<float>(attributeValue(attributes, "width")),
                                              static_cast<float>(attributeValue(attributes, "height")));
        characterDefinition.xOffset = attributeValue(attributes, "xoffset");
        characterDefinition.yOffset = attributeValue(attributes, "yoffset");
        characterDefinition.xAdvance = attributeValue(attributes, "xadvance");
        font->addCharacter(attributeValue(attributes, "id"), characterDefinition);
      } else if (std::strcmp(name, "kerning") == 0) {
        font->addKerning(attributeValue(attributes, "first"), attributeValue(attributes, "second"),
                         attributeValue(attributes, "amount"));
      }
      if (!accepted) refuse();
    }
  };

  Reader reader{this, &fntFile, &source, parser.get()};
  XML_SetUserData(parser.get(), &reader);
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Reader*>(data)->start(name, attributes);
      },
      [](void* data, const XML_Char*) { --static_cast<Reader*>(data)->depth; });
  // Font files have no document type; one could declare entities that
  // expand without bound, so such a file is not read at all.
  XML_SetStartDoctypeDeclHandler(parser.get(),
                                 [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                                   auto* reading = static_cast<Reader*>(data);
                                   CCLOG("tessera: CCBMFontConfiguration: %s declares a document type; not read",
                                         reading->source->c_str());
                                   reading->refuse();
                                 });

  const XML_Status status = XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), XML_TRUE);
  if (reader.refused) return false;
  if (status != XML_STATUS_OK) {
    CCLOG("tessera: CCBMFontConfiguration: %s is not well-formed XML: %s at line %lu, column %lu", source.c_str(),
          XML_ErrorString(XML_GetErrorCode(parser.get())),
          static_cast<unsigned long>(XML_GetCurrentLineNumber(parser.get())),
          static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser.get())));
    return false;
  }
  return finishParsing(source, true);
}

// [SECTION] Shared steps

bool CCBMFontConfiguration::setCommon(int32_t lineHeight, int32_t pageWidth, int32_t pageHeight, int32_t pages,
                                      const std::string& source) {
  commonHeight_ = static_cast<uint32_t>(lineHeight);
  // One page image is one texture: the label draws every glyph from it.
  if (pages != 1) {
    CCLOG("tessera: CCBMFontConfiguration: %s has %d pages; only fonts of 1 page are supported", source.c_str(),
          pages);
    return false;
  }
  // Without a current GL context the limit is unknown (0): nothing could be
  // drawn then anyway, and the page is checked when a label loads it.
  const int32_t maxTextureSize = CCConfiguration::sharedConfiguration()->maxTextureSize();
  if (maxTextureSize > 0 && (pageWidth > maxTextureSize || pageHeight > maxTextureSize)) {
    CCLOG("tessera: CCBMFontConfiguration: %s: its page of %dx%d is larger than the maximum texture size %d",
          source.c_str(), pageWidth, pageHeight, maxTextureSize);
    return false;
  }
  return true;
}

bool CCBMFontConfiguration::setPage(int32_t pageID, std::string_view imageName, bool hasName,
                                    const std::string& fntFile, const std::string& source) {
  if (pageID != 0) {
    CCLOG("tessera: CCBMFontConfiguration: %s names page %d; only page 0 is supported", source.c_str(), pageID);
    return false;
  }
  if (!hasName || imageName.empty()) {
    CCLOG("tessera: CCBMFontConfiguration: %s: its page line names no image file", source.c_str());
    return false;
  }
  // The image is looked for beside the .fnt name as given.
  atlasName_ =
      platform::stringByAppendingPathComponent(platform::stringByDeletingLastPathComponent(fntFile), imageName);
  return true;
}

void CCBMFontConfiguration::addCharacter(int32_t charID, const BMFontDef& characterDefinition) {
  if (charID < 0) {
    ++skippedCharacters_;
    return;
  }
  BMFontDef& stored = static_cast<uint32_t>(charID) < kDirectTableSize ? BMFontArray_[static_cast<std::size_t>(charID)]
                                                                         : highFontDefs_.emplace_back();
  stored = characterDefinition;
  stored.charID = static_cast<uint32_t>(charID);
}

void CCBMFontConfiguration::addKerning(int32_t first, int32_t second, int32_t amount) {
  const uint64_t key = (uint64_t{static_cast<uint32_t>(first)} << 32) | static_cast<uint32_t>(second);
  // A pair given twice keeps the amount read last.
  kerningDictionary_[key] = amount;
}

bool CCBMFontConfiguration::finishParsing(const std::string& source, bool isXML) {
  // The high glyphs arrived in file order: sort them by code, a later
  // definition of a code replacing the earlier one.
  std::stable_sort(highFontDefs_.begin(), highFontDefs_.end(),
                   [](const BMFontDef& a, const BMFontDef& b) { return a.charID < b.charID; });
  auto kept = highFontDefs_.begin();
  for (auto next = highFontDefs_.begin(); next != highFontDefs_.end(); ++next) {
    if (kept != highFontDefs_.begin() && std::prev(kept)->charID == next->charID) {
      *std::prev(kept) = *next;
    } else {
      *kept++ = *next;
    }
  }
  highFontDefs_.erase(kept, highFontDefs_.end());
  highFontDefs_.shrink_to_fit();

  if (skippedCharacters_ > 0) {
    CCLOG("tessera: CCBMFontConfiguration: %s: skipped %zu character(s) with a negative id", source.c_str(),
          skippedCharacters_);
  }
  if (atlasName_.empty()) {
    CCLOG("tessera: CCBMFontConfiguration: %s names no page image (%s)", source.c_str(),
          isXML ? "no <page> element" : "no page line");
    return false;
  }
  return true;
}

// [SECTION] Queries

const BMFontDef& CCBMFontConfiguration::fontDef(uint32_t charCode) const {
  if (charCode < kDirectTableSize) return BMFontArray_[charCode];
  const auto found =
      std::lower_bound(highFontDefs_.begin(), highFontDefs_.end(), charCode,
                       [](const BMFontDef& glyph, uint32_t code) { return glyph.charID < code; });
  return found != highFontDefs_.end() && found->charID == charCode ? *found : kEmptyFontDef;
}

int32_t CCBMFontConfiguration::kerningAmount(uint16_t first, uint16_t second) const {
  if (kerningDictionary_.empty()) return 0;
  const auto found = kerningDictionary_.find((uint64_t{first} << 32) | second);
  return found != kerningDictionary_.end() ? found->second : 0;
}

std::string CCBMFontConfiguration::description() const {
  return platform::formatString("<%s = %s | Kernings:%d | Image = %s>", className(),
                                platform::addressString(this).c_str(), static_cast<int>(kerningCount()),
                                atlasName_.empty() ? "(null)" : atlasName_.c_str());
}
