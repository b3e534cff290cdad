#include "tessera/CCTMXMapInfo.h"

#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "tessera/Support/CCFileUtils.h"
#include "tessera/Support/ZipUtils.h"
#include "tessera/Support/base64.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

// [SECTION] Helpers

namespace {

/// `value` truncated toward zero, saturated at the int32 limits; NaN gives 0.
int32_t truncateToInt(float value) {
  if (std::isnan(value)) return 0;
  if (value <= -2147483648.0f) return INT32_MIN;
  if (value >= 2147483648.0f) return INT32_MAX;
  return static_cast<int32_t>(value);
}

float integerOf(const platform::XMLAttributes& attributes, std::string_view name) {
  return static_cast<float>(platform::intValue(attributes.get(name)));
}

/// Reads `count` little-endian 32-bit numbers in place as host-order numbers.
void littleEndianToHost(uint32_t* tiles, std::size_t count) {
  auto* bytes = reinterpret_cast<unsigned char*>(tiles);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* b = bytes + i * 4;
    tiles[i] = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
               static_cast<uint32_t>(b[3]) << 24;
  }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

/// Parses comma-separated decimal tile numbers (white space around each is
/// skipped; a comma may end the list). Returns a malloc'd buffer and its
/// count, or nullptr with `badToken` set to the offending text.
uint32_t* parseCSV(std::string_view text, std::size_t& count, std::string& badToken) {
  count = 0;
  const std::size_t most = static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')) + 1;
  auto* tiles = static_cast<uint32_t*>(std::malloc(most * sizeof(uint32_t)));
  if (tiles == nullptr) {
    badToken = "(out of memory)";
    return nullptr;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view token = text.substr(start, end - start);
    while (!token.empty() && isBlank(token.front())) token.remove_prefix(1);
    while (!token.empty() && isBlank(token.back())) token.remove_suffix(1);
    if (token.empty()) {
      // Only the text after a final comma (or an empty layer) may be empty.
      if (!last) {
        badToken = "(an empty entry)";
        std::free(tiles);
        return nullptr;
      }
      break;
    }
    uint64_t number = 0;
    for (char c : token) {
      if (c < '0' || c > '9' || number > UINT32_MAX) {
        number = UINT64_MAX;
        break;
      }
      number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > UINT32_MAX) {
      badToken = std::string(token.substr(0, 32));
      std::free(tiles);
      return nullptr;
    }
    tiles[count++] = static_cast<uint32_t>(number);
    if (last) break;
    start = end + 1;
  }
  return tiles;
}

/// An external tileset's path relative to the folder of the file naming it,
/// or "" when it is absolute or leaves that folder.
std::string containedRelativePath(std::string_view source) {
  const std::filesystem::path normal = std::filesystem::path(source).lexically_normal();
  if (normal.empty() || normal.has_root_path()) return {};
  const auto first = normal.begin();
  if (first == normal.end() || *first == "..") return {};
  const std::string text = normal.generic_string();
  if (text.empty() || text == "." || text.back() == '/') return {};
  return text;
}

}  // namespace

// [SECTION] Creation and reading

CCTMXMapInfo* CCTMXMapInfo::formatWithTMXFile(const std::string& tmxFile) {
  return platform::createAutoreleased<CCTMXMapInfo>(
      [&](CCTMXMapInfo& mapInfo) { return mapInfo.initWithTMXFile(tmxFile); });
}

void CCTMXMapInfo::reset() {
  currentString_.clear();
  currentString_.reserve(1024);
  storingCharacters_ = false;
  layerAttribs_ = TMXLayerAttribNone;
  parentElement_ = TMXPropertyNone;
  parentGID_ = 0;
  filename_.clear();
  orientation_ = CCTMXOrientationOrtho;
  mapSize_ = CGSizeZero;
  tileSize_ = CGSizeZero;
  layers_.clear();
  layers_.reserve(4);
  tilesets_.clear();
  tilesets_.reserve(4);
  objectGroups_.clear();
  objectGroups_.reserve(4);
  properties_.clear();
  tileProperties_.clear();
  fileStack_.clear();
  externalFirstGid_ = 0;
  dataEncoding_ = 0;
  dataCompression_ = 0;
  dataDepth_ = 0;
  refused_ = false;
}

bool CCTMXMapInfo::initWithTMXFile(const std::string& tmxFile) {
  reset();
  filename_ = tmxFile;
  return parseXMLFile(tmxFile);
}

bool CCTMXMapInfo::parseXMLFile(const std::string& xmlFile) {
  const std::string fullPath = CCFileUtils::fullPathFromRelativePath(xmlFile);
  platform::XMLParser parser;
  if (!parser.initWithContentsOfFile(fullPath)) {
    CCLOG("tessera: CCTMXMapInfo: cannot read %s (%s)", xmlFile.c_str(), fullPath.c_str());
    return false;
  }
  parser.setDelegate(this);
  fileStack_.push_back(xmlFile);
  const bool parsed = parser.parse();
  fileStack_.pop_back();
  if (parsed) return true;
  if (!refused_) {
    const platform::XMLError& error = parser.error();
    CCLOG("tessera: CCTMXMapInfo: Error parsing file: %s. (%s at line %lu, column %lu)", xmlFile.c_str(),
          error.message.c_str(), error.line, error.column);
    refused_ = true;
  }
  return false;
}

void CCTMXMapInfo::refuse(platform::XMLParser& parser) {
  refused_ = true;
  storingCharacters_ = false;
  parser.abortParsing();
}

std::string CCTMXMapInfo::currentFolder() const {
  const std::string& file = fileStack_.empty() ? filename_ : fileStack_.back();
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// [SECTION] Element starts

void CCTMXMapInfo::parserDidStartElement(platform::XMLParser& parser, std::string_view elementName,
                                         const platform::XMLAttributes& attributes) {
  if (refused_) return;
  if (elementName == "map") {
    // "version" is not needed.
    const std::string_view orientation = attributes.get("orientation");
    if (orientation == "orthogonal") {
      orientation_ = CCTMXOrientationOrtho;
    } else if (orientation == "isometric") {
      orientation_ = CCTMXOrientationIso;
    } else if (orientation == "hexagonal") {
      orientation_ = CCTMXOrientationHex;
    }
    mapSize_ = CGSizeMake(integerOf(attributes, "width"), integerOf(attributes, "height"));
    tileSize_ = CGSizeMake(integerOf(attributes, "tilewidth"), integerOf(attributes, "tileheight"));
    parentElement_ = TMXPropertyMap;
  } else if (elementName == "tileset") {
    startTileset(parser, attributes);
  } else if (elementName == "tile") {
    // <tile gid="..."> inside <data> is a cell of a layer, not a tileset's
    // tile: it must not replace the properties of the tileset's tiles.
    if (dataDepth_ > 0 || tilesets_.empty()) return;
    parentGID_ = tilesets_.back()->firstGid() + static_cast<uint32_t>(platform::intValue(attributes.get("id")));
    tileProperties_[parentGID_] = platform::Value::Dict();
    parentElement_ = TMXPropertyTile;
  } else if (elementName == "layer") {
    auto layer = platform::Ref<CCTMXLayerInfo>::adopt(new CCTMXLayerInfo());
    layer->setName(std::string(attributes.get("name")));
    layer->setLayerSize(CGSizeMake(integerOf(attributes, "width"), integerOf(attributes, "height")));
    layer->setVisible(attributes.get("visible") != "0");
    if (attributes.has("opacity")) {
      // Opacity is a fraction of 1; values outside 0...1 are clamped rather
      // than wrapped round the byte.
      const float opacity = std::clamp(platform::floatValue(attributes.get("opacity")), 0.0f, 1.0f);
      layer->setOpacity(static_cast<uint8_t>(255 * opacity));
    } else {
      layer->setOpacity(255);
    }
    layer->setOffset(CGPointMake(integerOf(attributes, "x"), integerOf(attributes, "y")));
    layers_.push_back(std::move(layer));
    parentElement_ = TMXPropertyLayer;
  } else if (elementName == "objectgroup") {
    auto group = platform::Ref<CCTMXObjectGroup>::adopt(new CCTMXObjectGroup());
    group->setGroupName(std::string(attributes.get("name")));
    group->setPositionOffset(CGPointMake(integerOf(attributes, "x") * tileSize_.width,
                                         integerOf(attributes, "y") * tileSize_.height));
    objectGroups_.push_back(std::move(group));
    parentElement_ = TMXPropertyObjectGroup;
  } else if (elementName == "image") {
    if (tilesets_.empty()) return;
    // Relative to the file being read: the map, or the external tileset.
    tilesets_.back()->setSourceImage(currentFolder() + std::string(attributes.get("source")));
  } else if (elementName == "data") {
    ++dataDepth_;
    startData(parser, attributes);
  } else if (elementName == "object") {
    startObject(attributes);
  } else if (elementName == "property") {
    startProperty(attributes);
  }
}

void CCTMXMapInfo::startTileset(platform::XMLParser& parser, const platform::XMLAttributes& attributes) {
  const std::string currentFile = fileStack_.empty() ? filename_ : fileStack_.back();
  if (attributes.has("source")) {
    const std::string_view source = attributes.get("source");
    if (fileStack_.size() > 1) {
      CCLOG("tessera: CCTMXMapInfo: %s: external tileset \"%.*s\" names another external tileset; not read",
            currentFile.c_str(), static_cast<int>(source.size()), source.data());
      refuse(parser);
      return;
    }
    const std::string relative = containedRelativePath(source);
    if (relative.empty()) {
      CCLOG("tessera: CCTMXMapInfo: %s: external tileset \"%.*s\" is not inside the map's folder; not read",
            currentFile.c_str(), static_cast<int>(source.size()), source.data());
      refuse(parser);
      return;
    }
    // The map's element carries the first global number; the tileset file
    // itself has none.
    externalFirstGid_ = static_cast<uint32_t>(platform::intValue(attributes.get("firstgid")));
    if (!parseXMLFile(currentFolder() + relative)) refuse(parser);
    externalFirstGid_ = 0;
    return;
  }
  auto tileset = platform::Ref<CCTMXTilesetInfo>::adopt(new CCTMXTilesetInfo());
  tileset->setName(std::string(attributes.get("name")));
  if (!attributes.has("firstgid") && fileStack_.size() > 1) {
    tileset->setFirstGid(externalFirstGid_);
  } else {
    tileset->setFirstGid(static_cast<uint32_t>(platform::intValue(attributes.get("firstgid"))));
  }
  tileset->setSpacing(static_cast<uint32_t>(platform::intValue(attributes.get("spacing"))));
  tileset->setMargin(static_cast<uint32_t>(platform::intValue(attributes.get("margin"))));
  tileset->setTileSize(CGSizeMake(integerOf(attributes, "tilewidth"), integerOf(attributes, "tileheight")));
  tilesets_.push_back(std::move(tileset));
}

void CCTMXMapInfo::startData(platform::XMLParser& parser, const platform::XMLAttributes& attributes) {
  const std::string& currentFile = fileStack_.empty() ? filename_ : fileStack_.back();
  const std::string_view encoding = attributes.get("encoding");
  if (encoding == "base64") {
    layerAttribs_ |= TMXLayerAttribBase64;
    dataEncoding_ = TMXLayerAttribBase64;
  } else if (encoding == "csv") {
    layerAttribs_ |= TMXLayerAttribCSV;
    dataEncoding_ = TMXLayerAttribCSV;
  }
  // The compression belongs to this element alone: a compressed layer must
  // not make the next, uncompressed one fail to inflate.
  dataCompression_ = 0;
  if (attributes.has("compression")) {
    const std::string_view compression = attributes.get("compression");
    if (compression == "gzip" && dataEncoding_ == TMXLayerAttribBase64) {
      dataCompression_ = TMXLayerAttribGzip;
    } else if (compression == "zlib" && dataEncoding_ == TMXLayerAttribBase64) {
      dataCompression_ = TMXLayerAttribZlib;
    } else {
      CCLOG("tessera: CCTMXMapInfo: %s: TMX: unsupported compression method \"%.*s\" (line %lu)",
            currentFile.c_str(), static_cast<int>(compression.size()), compression.data(), parser.lineNumber());
      refuse(parser);
      return;
    }
    layerAttribs_ |= dataCompression_;
  }
  if (layerAttribs_ == TMXLayerAttribNone) {
    CCLOG("tessera: CCTMXMapInfo: %s: TMX tile map: Only base64 and/or gzip maps are supported (line %lu)",
          currentFile.c_str(), parser.lineNumber());
    refuse(parser);
    return;
  }
  // Start from an empty text even when the previous data could not be
  // decoded, so no layer inherits another's characters.
  currentString_.clear();
  storingCharacters_ = dataEncoding_ != 0;
}

void CCTMXMapInfo::startObject(const platform::XMLAttributes& attributes) {
  if (objectGroups_.empty()) {
    parentElement_ = TMXPropertyNone;
    return;
  }
  CCTMXObjectGroup& group = *objectGroups_.back();
  const CGPoint offset = group.positionOffset();
  platform::Value::Dict object;
  // Absent attributes are absent keys (point objects have no size).
  if (attributes.has("name")) object.set("name", attributes.get("name"));
  if (attributes.has("type")) object.set("type", attributes.get("type"));
  object.set("x", truncateToInt(integerOf(attributes, "x") + offset.x));
  // The file measures y down from the top of the map; objects measure it up
  // from the bottom.
  const float top = static_cast<float>(truncateToInt(integerOf(attributes, "y") + offset.y));
  object.set("y", truncateToInt(mapSize_.height * tileSize_.height - top - integerOf(attributes, "height")));
  if (attributes.has("width")) object.set("width", attributes.get("width"));
  if (attributes.has("height")) object.set("height", attributes.get("height"));
  group.objects().push_back(std::move(object));
  parentElement_ = TMXPropertyObject;
}

void CCTMXMapInfo::startProperty(const platform::XMLAttributes& attributes) {
  std::string name(attributes.get("name"));
  platform::Value value(attributes.get("value"));
  switch (parentElement_) {
    case TMXPropertyMap:
      properties_.set(std::move(name), std::move(value));
      break;
    case TMXPropertyLayer:
      if (!layers_.empty()) layers_.back()->properties().set(std::move(name), std::move(value));
      break;
    case TMXPropertyObjectGroup:
      if (!objectGroups_.empty()) objectGroups_.back()->properties().set(std::move(name), std::move(value));
      break;
    case TMXPropertyObject:
      if (!objectGroups_.empty() && !objectGroups_.back()->objects().empty()) {
        objectGroups_.back()->objects().back().set(std::move(name), std::move(value));
      }
      break;
    case TMXPropertyTile:
      tileProperties_[parentGID_].set(std::move(name), std::move(value));
      break;
    default:
      break;
  }
}

// [SECTION] Element ends and characters

void CCTMXMapInfo::parserDidEndElement(platform::XMLParser&, std::string_view elementName) {
  if (refused_) return;
  if (elementName == "data") {
    if (dataDepth_ > 0) --dataDepth_;
    if (storingCharacters_) endData();
  } else if (elementName == "map" || elementName == "layer" || elementName == "objectgroup" ||
             elementName == "object") {
    parentElement_ = TMXPropertyNone;
  }
}

void CCTMXMapInfo::endData() {
  storingCharacters_ = false;
  const std::string& currentFile = fileStack_.empty() ? filename_ : fileStack_.back();
  CCTMXLayerInfo* layer = layers_.empty() ? nullptr : layers_.back().get();
  const char* layerName = layer != nullptr ? layer->name().c_str() : "";
  uint32_t* tiles = nullptr;
  std::size_t count = 0;

  if (dataEncoding_ == TMXLayerAttribCSV) {
    std::string badToken;
    tiles = parseCSV(currentString_, count, badToken);
    if (tiles == nullptr) {
      CCLOG("tessera: CCTMXMapInfo: %s: layer \"%s\": CSV data has \"%s\", not a tile number; the layer has no tiles",
            currentFile.c_str(), layerName, badToken.c_str());
    }
  } else {
    unsigned char* decoded = nullptr;
    int length = 0;
    if (currentString_.size() <= UINT_MAX) {
      length = base64Decode(reinterpret_cast<const unsigned char*>(currentString_.data()),
                            static_cast<unsigned int>(currentString_.size()), &decoded);
    }
    if (decoded == nullptr) {
      CCLOG("tessera: CCTMXMapInfo: %s: layer \"%s\": %zu characters of Base64 data cannot be decoded; the layer "
            "has no tiles",
            currentFile.c_str(), layerName, currentString_.size());
    } else if (dataCompression_ != 0) {
      unsigned char* inflated = nullptr;
      const int inflatedLength = ccInflateBytes(decoded, static_cast<unsigned int>(length), &inflated);
      std::free(decoded);
      decoded = inflated;
      length = inflatedLength;
      if (decoded == nullptr) {
        CCLOG("tessera: CCTMXMapInfo: %s: layer \"%s\": %s data cannot be inflated; the layer has no tiles",
              currentFile.c_str(), layerName, dataCompression_ == TMXLayerAttribGzip ? "gzip" : "zlib");
      }
    }
    if (decoded != nullptr) {
      tiles = reinterpret_cast<uint32_t*>(decoded);
      count = static_cast<std::size_t>(length) / 4;
      littleEndianToHost(tiles, count);
    }
  }
  currentString_.clear();
  if (tiles == nullptr) return;
  if (layer == nullptr) {
    std::free(tiles);
    return;
  }
  layer->setTiles(tiles, count);
}

void CCTMXMapInfo::parserFoundCharacters(platform::XMLParser&, std::string_view characters) {
  if (storingCharacters_) currentString_.append(characters);
}

void CCTMXMapInfo::parserParseErrorOccurred(platform::XMLParser&, const platform::XMLError&) {}
