#pragma once
// CCTMXMapInfo: reads a TMX tile-map file into plain records: the map's size
// and orientation, its tilesets (CCTMXTilesetInfo), tile layers
// (CCTMXLayerInfo), object groups (CCTMXObjectGroup) and the properties of
// the map, of each layer, group and object, and of single tiles by global
// tile number. The tile-map nodes build their layers from these records.

#include "platform/Geometry.h"
#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "platform/xml/XMLParser.h"
#include "tessera/CCTMXLayerInfo.h"
#include "tessera/CCTMXObjectGroup.h"
#include "tessera/CCTMXTilesetInfo.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

/// Map orientations.
enum : int32_t {
  CCTMXOrientationOrtho = 0,
  CCTMXOrientationHex = 1,
  CCTMXOrientationIso = 2,
};

/// Bits of CCTMXMapInfo::layerAttribs(): what the layer data seen so far used.
enum : int32_t {
  TMXLayerAttribNone = 1 << 0,
  TMXLayerAttribBase64 = 1 << 1,
  TMXLayerAttribGzip = 1 << 2,
  TMXLayerAttribZlib = 1 << 3,
  TMXLayerAttribCSV = 1 << 4,
};

/// What the current `<property>` element belongs to.
enum : int32_t {
  TMXPropertyNone = 0,
  TMXPropertyMap = 1,
  TMXPropertyLayer = 2,
  TMXPropertyObjectGroup = 3,
  TMXPropertyObject = 4,
  TMXPropertyTile = 5,
};

/// Reads a TMX tile-map file into plain records: the map's size and orientation,
/// its tilesets (CCTMXTilesetInfo), tile layers (CCTMXLayerInfo), object groups
/// (CCTMXObjectGroup) and the properties of the map, of each layer, group and
/// object, and of single tiles by global tile number. The tile-map nodes build
/// their layers from these records.
///
/// The file is read with the platform's event-driven XML parser, this object
/// being its delegate. Elements read: `<map>`, `<tileset>` (embedded, or external
/// through source="file.tsx", read into this same object while the map's
/// parse waits), `<image>`, `<tile>`, `<layer>`, `<data>`, `<objectgroup>`, `<object>`
/// and `<property>`; everything else is skipped.
///
/// Layer data: Base64 (optionally gzip- or zlib-compressed) or CSV. The
/// compression is that of each `<data>` element; the encoding carries over to
/// a following `<data>` element that names none. Tile numbers are stored in
/// host byte order.
///
/// Bad files are refused with one "tessera: CCTMXMapInfo: ..." log line
/// naming the file and the numbers, and the factory returns nullptr:
/// malformed XML ("Error parsing file: <name>."), an unsupported compression
/// ("TMX: unsupported compression method"), a layer with neither Base64 nor
/// CSV data ("TMX tile map: Only base64 and/or gzip maps are supported"), an
/// external tileset outside the map's folder or inside another external
/// tileset. Layer data that cannot be decoded leaves that layer without tiles
/// (logged) and the map is still read.
///
/// Cost: one pass over the file; layer data is decoded once into a buffer of
/// 4 bytes per tile that the layer record owns.
class CCTMXMapInfo : public platform::Object, public platform::XMLParserDelegate {
  PLATFORM_CLASS(CCTMXMapInfo, platform::Object)

 public:
  using TileProperties = std::map<uint32_t, platform::Value::Dict>;

  // [SECTION] Creation

  /// The map read from `tmxFile` (a resource name, resolved through
  /// CCFileUtils), autoreleased, or nullptr when the file cannot be read or
  /// is refused (see the class comment; the reason is logged).
  static CCTMXMapInfo* formatWithTMXFile(const std::string& tmxFile);

  CCTMXMapInfo() = default;

  /// Resets every field and reads `tmxFile`. Returns false when the file is
  /// refused; the fields then hold what was read before the refusal.
  bool initWithTMXFile(const std::string& tmxFile);
  /// Reads one XML file (a map, or an external tileset) into this object.
  /// Returns false, having logged why, when the file cannot be read, is not
  /// well-formed or is refused.
  bool parseXMLFile(const std::string& xmlFile);

  // [SECTION] Parser events

  void parserDidStartElement(platform::XMLParser& parser, std::string_view elementName,
                             const platform::XMLAttributes& attributes) override;
  void parserDidEndElement(platform::XMLParser& parser, std::string_view elementName) override;
  /// Appends to currentString() while characters are being stored.
  void parserFoundCharacters(platform::XMLParser& parser, std::string_view characters) override;
  /// Does nothing: parseXMLFile() reports the error once the parse returns.
  void parserParseErrorOccurred(platform::XMLParser& parser, const platform::XMLError& error) override;

  // [SECTION] Properties

  /// The TMX file name as given. Default "".
  const std::string& filename() const { return filename_; }
  void setFilename(std::string filename) { filename_ = std::move(filename); }
  /// CCTMXOrientationOrtho (default), ...Hex or ...Iso.
  int32_t orientation() const { return orientation_; }
  void setOrientation(int32_t orientation) { orientation_ = orientation; }
  /// Map size in tiles. Default (0, 0).
  CGSize mapSize() const { return mapSize_; }
  void setMapSize(CGSize mapSize) { mapSize_ = mapSize; }
  /// Tile size in pixels. Default (0, 0).
  CGSize tileSize() const { return tileSize_; }
  void setTileSize(CGSize tileSize) { tileSize_ = tileSize; }
  /// Records in file order (the retained records are shared, not copied).
  const std::vector<platform::Ref<CCTMXLayerInfo>>& layers() const { return layers_; }
  std::vector<platform::Ref<CCTMXLayerInfo>>& layers() { return layers_; }
  const std::vector<platform::Ref<CCTMXTilesetInfo>>& tilesets() const { return tilesets_; }
  std::vector<platform::Ref<CCTMXTilesetInfo>>& tilesets() { return tilesets_; }
  const std::vector<platform::Ref<CCTMXObjectGroup>>& objectGroups() const { return objectGroups_; }
  std::vector<platform::Ref<CCTMXObjectGroup>>& objectGroups() { return objectGroups_; }
  /// The map's properties, name to string value, in file order.
  const platform::Value::Dict& properties() const { return properties_; }
  platform::Value::Dict& properties() { return properties_; }
  /// Per global tile number, that tile's properties.
  const TileProperties& tileProperties() const { return tileProperties_; }
  TileProperties& tileProperties() { return tileProperties_; }

  // Parser state, exposed for inspection.

  /// Character data of the current `<data>` element.
  const std::string& currentString() const { return currentString_; }
  bool storingCharacters() const { return storingCharacters_; }
  /// The TMXLayerAttrib... bits of every `<data>` element seen so far.
  int32_t layerAttribs() const { return layerAttribs_; }
  /// TMXProperty...: what a `<property>` element now belongs to.
  int32_t parentElement() const { return parentElement_; }
  /// Global number of the current `<tile>` element.
  uint32_t parentGID() const { return parentGID_; }

 private:
  void reset();
  /// Stops the running parse because of bad content; the reason is logged.
  void refuse(platform::XMLParser& parser);
  void startTileset(platform::XMLParser& parser, const platform::XMLAttributes& attributes);
  void startData(platform::XMLParser& parser, const platform::XMLAttributes& attributes);
  void startObject(const platform::XMLAttributes& attributes);
  void startProperty(const platform::XMLAttributes& attributes);
  void endData();
  /// The folder part of the file being read ("" or ending in '/').
  std::string currentFolder() const;

  std::string currentString_;
  bool storingCharacters_ = false;
  int32_t layerAttribs_ = TMXLayerAttribNone;
  int32_t parentElement_ = TMXPropertyNone;
  uint32_t parentGID_ = 0;
  std::string filename_;
  int32_t orientation_ = CCTMXOrientationOrtho;
  CGSize mapSize_{};
  CGSize tileSize_{};
  std::vector<platform::Ref<CCTMXLayerInfo>> layers_;
  std::vector<platform::Ref<CCTMXTilesetInfo>> tilesets_;
  std::vector<platform::Ref<CCTMXObjectGroup>> objectGroups_;
  platform::Value::Dict properties_;
  TileProperties tileProperties_;

  // Reading state beyond the fields above.
  /// The files being read, outermost (the map) first.
  std::vector<std::string> fileStack_;
  /// The firstgid of the `<tileset source=...>` element whose file is being
  /// read; the external file's own `<tileset>` element has none.
  uint32_t externalFirstGid_ = 0;
  /// Encoding of the current layer data: TMXLayerAttribBase64, ...CSV or 0.
  int32_t dataEncoding_ = 0;
  /// Compression of the current `<data>` element: TMXLayerAttribGzip, ...Zlib or 0.
  int32_t dataCompression_ = 0;
  /// Depth of `<data>` elements (tile elements inside data are not tileset tiles).
  int dataDepth_ = 0;
  /// Set when a parse was stopped for bad content (already logged).
  bool refused_ = false;
};
