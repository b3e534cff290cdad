#pragma once
// CCTMXLayer: one tile layer of a tile map, drawn as a sprite batch node over
// its tileset's picture with one quad per non-empty tile.

#include "platform/Geometry.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCTMXLayerInfo.h"
#include "tessera/CCTMXMapInfo.h"
#include "tessera/CCTMXTilesetInfo.h"
#include "tessera/Support/ccCArray.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>


/// One tile layer of a tile map, drawn as a sprite batch node over its tileset's
/// picture with one quad per non-empty tile.
///
/// Tiles are not sprites: a single reused sprite builds every quad. tileAt()
/// makes a sprite for one tile on demand (a child tagged with the tile index
/// that draws through the tile's existing quad), so that it can be moved,
/// tinted or animated. setTileGID() and removeTileAt() change tiles at run
/// time while the quads stay in tile-index order.
///
/// Tile positions are (column, row) with row 0 at the top of the layer; a
/// tile's index is column + row x width (fractional parts are dropped).
/// Positions and sizes on the screen are in pixels. Orientations: orthogonal,
/// isometric and hexagonal (odd columns half a tile lower).
///
/// Properties of the layer that the layer itself reads: "cc_vertexz" =
/// "automatic" gives every tile a z from its position (drawn with the alpha
/// test, reference "cc_alpha_func"); any other value is the fixed z of every
/// tile.
///
/// The layer owns its grid of tile numbers: building it takes the buffer over
/// from the layer record (which is left without tiles) or copies it when the
/// record does not own it. A grid whose length is not width x height is
/// refused (logged, nullptr), so no tile is ever read out of bounds.
///
/// Cost: building appends one quad per non-empty tile through the reused
/// sprite into an atlas sized once; nothing per tile is allocated. Finding a
/// tile's quad is a binary search over the sorted list of tile indices;
/// inserting or removing a tile moves the atlas tail once. Drawing is one
/// draw call per 16384 quads. Layers may hold up to
/// kCCTextureAtlasLargestCapacity non-empty tiles. Orthogonal and hexagonal
/// layers without tile sprites draw only the rows (and, when few are shown,
/// the columns) that can reach the screen, found from the GL matrices: a
/// frame costs what is visible, not the size of the map.
///
/// Main thread only.
class CCTMXLayer : public CCSpriteBatchNode {
  PLATFORM_CLASS(CCTMXLayer, CCSpriteBatchNode)

 public:
  // [SECTION] Creation

  /// An autoreleased layer (see initWithTilesetInfo()), or nullptr.
  /// \param tileset the tileset the layer's tiles come from, or nullptr.
  /// \param layerInfo the layer as read from the file.
  /// \param mapInfo the map as read from the file.
  static CCTMXLayer* layerWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo,
                                          CCTMXMapInfo* mapInfo);
  // A layer is made from map records only.
  static CCSpriteBatchNode* batchNodeWithFile(const std::string&, std::uint32_t) = delete;
  static CCSpriteBatchNode* batchNodeWithTexture(CCTexture2D*, std::uint32_t) = delete;
  static CCSpriteBatchNode* spriteSheetWithFile(const std::string&, std::uint32_t) = delete;
  static CCSpriteBatchNode* spriteSheetWithTexture(CCTexture2D*, std::uint32_t) = delete;

  CCTMXLayer() = default;

  /// A batch node on the tileset's picture (through the texture cache; none
  /// without a tileset) with room for 35% of the layer's tiles; name, size,
  /// tile numbers, opacity and a copy of the properties from `layerInfo`;
  /// tile size and orientation from `mapInfo`; positioned at the record's
  /// offset. No quads yet: setupTiles() makes them. Returns false and logs
  /// when `layerInfo` or `mapInfo` is missing, the size is not whole tiles,
  /// the record's grid does not hold exactly width x height numbers, or more
  /// tiles are set than an atlas can hold. Expects a zero offset on
  /// hexagonal maps ("offset for hexagonal map not implemented yet").
  /// \param tileset the tileset the layer's tiles come from, or nullptr.
  /// \param layerInfo the layer as read from the file.
  /// \param mapInfo the map as read from the file.
  virtual bool initWithTilesetInfo(CCTMXTilesetInfo* tileset, CCTMXLayerInfo* layerInfo, CCTMXMapInfo* mapInfo);

  /// Reads the layer's "cc_vertexz" and "cc_alpha_func" properties, gives
  /// the texture nearest filtering, and makes the quads of all non-empty
  /// tiles, row by row. Expects every tile number to be at least the
  /// tileset's first ("TMX: Only 1 tilset per layer is supported").
  void setupTiles();
  /// Frees the tile numbers and the index list; afterwards the tile
  /// operations fail their assertion and change nothing. The quads stay.
  void releaseMap();

  // [SECTION] Tiles
  // Each expects a position inside the layer ("TMXLayer: invalid position")
  // and the tile numbers not released ("TMXLayer: the tiles map has been
  // released"); on failure they change nothing and return 0 / nullptr.

  /// The tile's global number, 0 when empty.
  /// \param position the tile's column and row, (0, 0) at the top left.
  std::uint32_t tileGIDAt(CGPoint position) const;
  /// The tile as a sprite (made on the first call, the same one after), or
  /// nullptr for an empty tile.
  /// \param position the tile's column and row, (0, 0) at the top left.
  CCSprite* tileAt(CGPoint position);
  /// Sets the tile to `gid`: 0 empties it, a tile that was empty gets a new
  /// quad at its place in drawing order, otherwise its quad (or its sprite)
  /// shows the new tile. The current number does nothing. Expects `gid` 0 or
  /// at least the tileset's first number ("TMXLayer: invalid gid").
  /// \param gid the new global tile number, or 0.
  /// \param position the tile's column and row, (0, 0) at the top left.
  void setTileGID(std::uint32_t gid, CGPoint position);
  /// Empties the tile: its quad (and sprite, if made) go. Nothing for an
  /// empty tile.
  /// \param position the tile's column and row, (0, 0) at the top left.
  void removeTileAt(CGPoint position);
  /// The bottom-left corner of the tile in the layer, pixels. Defined for
  /// any position (no checks).
  /// \param position the tile's column and row, (0, 0) at the top left.
  CGPoint positionAt(CGPoint position) const;
  /// The layer property `name`, or the shared null (reads as "" / 0).
  /// \param name the property's name.
  const platform::Value& propertyNamed(std::string_view name) const;

  // [SECTION] Children

  using CCSpriteBatchNode::addChild;
  /// Fails the assertion "addChild: is not supported on CCTMXLayer. Instead
  /// use setTileGID:at:/tileAt:" and adds nothing.
  void addChild(CCNode* child, std::int32_t z, std::int32_t tag) override;
  /// Removes a tile sprite made by tileAt(), emptying its tile. nullptr is
  /// ignored; expects a child ("Tile does not belong to TMXLayer").
  void removeChild(CCNode* child, bool cleanup) override;
  /// removeChild() of every tile sprite; the other tiles keep their quads.
  void removeAllChildrenWithCleanup(bool cleanup) override;

  // [SECTION] Drawing

  /// With automatic z: the alpha test (greater than alphaFuncValue()) around
  /// the batch draw; otherwise the batch draw.
  void draw() override;

  // [SECTION] Properties

  /// The layer's tileset (retained), or nullptr when no tile uses one.
  CCTMXTilesetInfo* tileset() const { return tileset_.get(); }
  void setTileset(CCTMXTilesetInfo* tileset) { tileset_ = tileset; }
  const std::string& layerName() const { return layerName_; }
  void setLayerName(std::string name) { layerName_ = std::move(name); }
  /// Size in tiles.
  CGSize layerSize() const { return layerSize_; }
  /// The map's tile size, pixels (the tileset's may differ).
  CGSize mapTileSize() const { return mapTileSize_; }
  void setMapTileSize(CGSize size) { mapTileSize_ = size; }
  /// Global tile numbers by tile index (width x height of them), or nullptr
  /// after releaseMap(). Owned by the layer.
  const std::uint32_t* tiles() const { return tiles_; }
  /// CCTMXOrientationOrtho, ...Hex or ...Iso (the map's).
  std::int32_t layerOrientation() const { return layerOrientation_; }
  void setLayerOrientation(std::int32_t orientation) { layerOrientation_ = orientation; }
  /// The layer's properties (a copy of the record's).
  const platform::Value::Dict& properties() const { return properties_; }
  void setProperties(platform::Value::Dict properties) { properties_ = std::move(properties); }
  /// Opacity given to tiles made from now on. Default the record's.
  GLubyte opacity() const { return opacity_; }
  void setOpacity(GLubyte opacity) { opacity_ = opacity; }
  /// Smallest and largest global number in the layer after setupTiles().
  std::uint32_t minGID() const { return minGID_; }
  void setMinGID(std::uint32_t gid) { minGID_ = gid; }
  std::uint32_t maxGID() const { return maxGID_; }
  void setMaxGID(std::uint32_t gid) { maxGID_ = gid; }
  /// The z of every tile when automatic z is off. Default 0.
  std::int32_t vertexZvalue() const { return vertexZvalue_; }
  void setVertexZvalue(std::int32_t z) { vertexZvalue_ = z; }
  /// Whether tiles take their z from their position. Default false.
  bool useAutomaticVertexZ() const { return useAutomaticVertexZ_; }
  void setUseAutomaticVertexZ(bool automatic) { useAutomaticVertexZ_ = automatic; }
  /// Alpha-test reference used with automatic z. Default 0.
  float alphaFuncValue() const { return alphaFuncValue_; }
  void setAlphaFuncValue(float value) { alphaFuncValue_ = value; }
  /// Tile index of each quad, by atlas index, ascending. nullptr after
  /// releaseMap().
  const ccCArray* atlasIndexArray() const { return atlasIndexArray_; }

 protected:
  /// dealloc: frees the tile numbers and the index list, releases the reused
  /// sprite; then the batch node's teardown.
  ~CCTMXLayer() override;

 private:
  // Position of the layer for an offset in tiles.
  CGPoint layerOffset(CGPoint offset) const;
  CGPoint positionForIsoAt(CGPoint position) const;
  CGPoint positionForOrthoAt(CGPoint position) const;
  CGPoint positionForHexAt(CGPoint position) const;
  float vertexZForPos(CGPoint position) const;
  // The tile index of an inside position, or false after the assertions.
  bool checkedTileIndex(CGPoint position, std::uint32_t* index) const;
  std::uint32_t firstGid() const;

  // tileset_->rectForGID(gid), through rectCache_.
  CGRect tileRect(std::uint32_t gid);
  // The reused sprite set up for tile `gid` at `position`.
  CCSprite* reusedTileFor(std::uint32_t gid, CGPoint position);
  void appendTileForGID(std::uint32_t gid, CGPoint position);
  void insertTileForGID(std::uint32_t gid, CGPoint position);
  void updateTileForGID(std::uint32_t gid, CGPoint position);
  // Atlas position of an existing tile index (binary search).
  std::uint32_t atlasIndexForExistantZ(std::uint32_t z) const;
  // Atlas position a new tile index would take.
  std::uint32_t atlasIndexForNewZ(std::uint32_t z) const;
  // Moves the atlas index of every tile sprite at or after `from` by `delta`.
  void shiftTileSprites(std::uint32_t from, std::int32_t delta);

  // Tiles that may be visible: rows and columns, inclusive.
  struct TileRange {
    bool empty = true;
    std::uint32_t firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
  };
  // The tiles whose quads can reach the clip volume under the current GL
  // matrices, or false when every quad must be drawn.
  bool visibleTiles(TileRange* range) const;
  // The batch draw, limited to the visible tiles where they can be found.
  void drawTiles();

  platform::Ref<CCTMXTilesetInfo> tileset_;
  std::string layerName_;
  CGSize layerSize_{};
  CGSize mapTileSize_{};
  std::uint32_t* tiles_ = nullptr;  // owned, malloc'd, width x height numbers
  std::uint32_t width_ = 0;         // layerSize_ as whole numbers
  std::uint32_t height_ = 0;
  std::int32_t layerOrientation_ = CCTMXOrientationOrtho;
  platform::Value::Dict properties_;
  GLubyte opacity_ = 255;
  std::uint32_t minGID_ = 0;
  std::uint32_t maxGID_ = 0;
  std::int32_t vertexZvalue_ = 0;
  bool useAutomaticVertexZ_ = false;
  float alphaFuncValue_ = 0;
  platform::Ref<CCSprite> reusedTile_;
  ccCArray* atlasIndexArray_ = nullptr;  // owned
  std::uint32_t setTiles_ = 0;           // non-empty tiles counted at init
  struct RectCacheEntry {
    std::uint32_t gid = 0;  // 0: empty (no tile has number 0)
    float imageWidth = 0;
    const CCTMXTilesetInfo* tileset = nullptr;
    CGRect rect{};
  };
  std::array<RectCacheEntry, 64> rectCache_{};
};
