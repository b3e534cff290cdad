#pragma once
// CCTileMapAtlas: a tile map whose map is a TGA image. Each pixel of the
// image is one tile; its red value is the number of the tile in the tile
// sheet (cells counted row by row from the top left), and 0 means no tile.
// The node is an atlas node over the sheet holding one quad per non-empty
// tile, filled column by column (x outer, y inner). Map row 0 is the bottom
// row of the image and of the node.

#include "tessera/CCAtlasNode.h"
#include "tessera/Support/TGAlib.h"
#include "tessera/ccTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

/// A tile map whose map is a TGA image. Each pixel of the image is one tile; its
/// red value is the number of the tile in the tile sheet (cells counted row by
/// row from the top left), and 0 means no tile. The node is an atlas node over
/// the sheet holding one quad per non-empty tile, filled column by column (x
/// outer, y inner). Map row 0 is the bottom row of the image and of the node.
///
/// Only tiles that are non-empty when the map is loaded have a quad, so only
/// they can be changed later. Maps of 24 and 32 bits per pixel are read
/// (blue, green, red order in the file, as TGA stores them); other depths
/// are refused.
///
/// Cost: one quad per non-empty tile, drawn in one call; setTile() rewrites
/// one quad. At most kCCTextureAtlasMaxCapacity non-empty tiles.
///
/// Main thread only.
class CCTileMapAtlas : public CCAtlasNode {
  PLATFORM_CLASS(CCTileMapAtlas, CCAtlasNode)

 public:
  // [SECTION] Creation

  /// A new autoreleased map; see initWithTileFile(). Throws like it.
  static CCTileMapAtlas* tileMapAtlasWithTileFile(const std::string& tile, const std::string& mapFile,
                                                  int tileWidth, int tileHeight);
  static CCTileMapAtlas* atlasWithTileFile(const std::string&, int, int, int) = delete;

  CCTileMapAtlas() = default;

  using CCAtlasNode::initWithTileFile;
  /// Loads the map `mapFile` (a TGA, found through the file lookup), counts
  /// its non-empty tiles, makes the atlas node on the sheet `tile` with
  /// cells of tileWidth × tileHeight points and one quad per tile, and sets
  /// the content size to the map's size in tiles times the cell size.
  /// Throws platform::Exception named "TileMapAtlasLoadTGA" (reason
  /// "TileMapAtas cannot load TGA file") when the map can't be loaded or is
  /// not 24 or 32 bits per pixel. Returns false, with a log line, when the
  /// sheet can't be loaded or the map has more tiles than an atlas holds.
  virtual bool initWithTileFile(const std::string& tile, const std::string& mapFile, int tileWidth,
                                int tileHeight);

  // [SECTION] Tiles

  /// The map pixel at `position` (x from the left, y from the bottom).
  /// Expects the map ("tgaInfo must not be nil") and a position inside it
  /// ("Invalid position.x", "Invalid position.y"); returns black otherwise.
  ccColor3B tileAt(ccGridSize position) const;
  /// Stores `tile` in the map at `position` and points that tile's quad at
  /// tile number tile.r. A position whose tile is empty (red 0) is left as it
  /// is: it has no quad. Expects the map ("tgaInfo must not be nil"), the
  /// index ("posToAtlasIndex must not be nil"), a position inside the map
  /// ("Invalid position.x", "Invalid position.y") and a non-empty tile ("R
  /// component must be non 0"); changes nothing when any fails.
  void setTile(ccColor3B tile, ccGridSize position);
  /// Frees the map image and the tile index; the quads stay and still draw.
  /// Tile access afterwards fails its assertions.
  void releaseMap();

  // [SECTION] Internals, exposed for subclasses and tests

  /// Loads `file` as the map. Expects a name ("file must be non-nil").
  /// Throws as initWithTileFile() does.
  void loadTGAfile(const std::string& file);
  /// itemsToRender = the number of map pixels whose red value is not 0.
  /// Expects the map ("tgaInfo must be non-nil").
  void calculateItemsToRender();
  /// Fills one quad per non-empty tile, column by column, and records each
  /// tile's quad index. Expects the map ("tgaInfo must be non-nil").
  void updateAtlasValues() override;
  /// Writes quad `index`: cell `value.r` of the sheet at tile `position`.
  void updateAtlasValueAt(ccGridSize position, ccColor3B value, unsigned int index);

  // [SECTION] Properties

  /// The map image, or nullptr after releaseMap().
  const sImageTGA* tgaInfo() const { return tgaInfo_.get(); }
  /// Number of non-empty tiles (quads).
  std::int32_t itemsToRender() const { return itemsToRender_; }
  /// Quad index of each non-empty tile, keyed "x,y"; nullptr after
  /// releaseMap().
  const std::unordered_map<std::string, std::int32_t>* posToAtlasIndex() const { return posToAtlasIndex_.get(); }

 protected:
  /// dealloc: frees the tile index and the map image.
  ~CCTileMapAtlas() override;

  /// The bytes of the map pixel at `position`, or nullptr outside the map.
  unsigned char* pixelAt(ccGridSize position) const;

  std::unique_ptr<sImageTGA, TGADeleter> tgaInfo_;
  std::unique_ptr<std::unordered_map<std::string, std::int32_t>> posToAtlasIndex_;
  std::int32_t itemsToRender_ = 0;
};
