#pragma once
// CCSpriteFrameCache: the process-wide store of sprite frames by name.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Value.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class CCSprite;
class CCSpriteFrame;
class CCTexture2D;

/// The process-wide store of sprite frames by name.
///
/// Sprite sheets are property lists that map frame names to rectangles of one
/// texture. The cache reads them, loads the sheet's texture through
/// CCTextureCache and keeps every frame under its name; sheets in the newest
/// format also give frames aliases. Sprites and frame animations take their
/// frames from here.
///
/// Sheet format (a dictionary at the root):
///   "metadata"  optional dictionary: "format" 0..3 (absent: 0) and
///               "textureFileName", relative to the list's folder.
///   "frames"    frame name -> frame dictionary. All values are pixels of the
///               texture; offsets point up.
///     0: "x" "y" "width" "height" "offsetX" "offsetY" numbers,
///        "originalWidth" "originalHeight" integers (their absolute values)
///     1: "frame" {{x,y},{w,h}}, "offset" {x,y}, "sourceSize" {w,h}
///     2: as 1, plus "rotated" boolean
///     3: "textureRect" (its size ignored), "spriteSize", "spriteOffset",
///        "spriteSourceSize", "textureRotated", "aliases" (array of strings)
///   Missing keys read as 0 / false; malformed geometry strings read as zeros.
///
/// Frames are stored in the list's order, a later frame of the same name
/// replacing an earlier one; an alias given twice points at the frame listed
/// later. The cache holds exactly one reference to each frame it made, so
/// removeUnusedSpriteFrames() can tell which ones nothing else uses. A frame
/// retains its texture, so a cached frame keeps the texture alive after the
/// texture cache has been purged.
///
/// Main thread only.
class CCSpriteFrameCache : public platform::Object {
  PLATFORM_CLASS(CCSpriteFrameCache, platform::Object)

 public:
  // [SECTION] Singleton

  /// The shared cache, made on the first call.
  static CCSpriteFrameCache* sharedSpriteFrameCache();
  /// Releases the shared cache (and with it every frame nothing else holds)
  /// and forgets it; the next sharedSpriteFrameCache() makes an empty one.
  static void purgeSharedSpriteFrameCache();

  /// Expects no shared cache to exist ("Attempted to allocate a second
  /// instance of a singleton.").
  CCSpriteFrameCache();
  /// Empty tables. Always succeeds.
  bool init();

  /// "<CCSpriteFrameCache = ADDRESS | num of sprite frames = n>".
  std::string description() const override;

  // [SECTION] Adding frames

  /// Reads the list `plist` (resolved as a resource, preferring its "-hd"
  /// variant at content scale factor 2) and loads its texture: the
  /// "textureFileName" of its metadata, taken relative to the folder of
  /// `plist` as given, or else `plist` with the extension "png". When the
  /// texture cannot be loaded nothing is added and nothing is logged; an
  /// unreadable list adds nothing.
  /// \param plist the property-list file of the sprite sheet.
  void addSpriteFramesWithFile(const std::string& plist);
  /// The frames of `plist` on the texture file `textureFileName`, loaded
  /// through the texture cache. Expects a name ("Invalid texture file name");
  /// nothing is added without one or when the texture cannot be loaded.
  /// \param plist the property-list file of the sprite sheet.
  /// \param textureFileName the sheet's image file.
  void addSpriteFramesWithFile(const std::string& plist, const std::string& textureFileName);
  /// The frames of `plist` (resolved as a resource) on `texture`.
  /// \param plist the property-list file of the sprite sheet.
  /// \param texture the sheet's texture.
  void addSpriteFramesWithFile(const std::string& plist, CCTexture2D* texture);
  /// The frames of an already parsed sheet on `texture` (which may be null:
  /// the frames then have no texture). Entries are read in dictionary order.
  /// Expects a format of 0 to 3 ("tessera: WARNING: format is not supported
  /// for CCSpriteFrameCache addSpriteFramesWithDictionary:texture:"); nothing
  /// is added for another format. Needs no GL context.
  /// \param dictionary the sheet's property list: "frames" and "metadata".
  /// \param texture the sheet's texture, or nullptr.
  void addSpriteFramesWithDictionary(const platform::Value& dictionary, CCTexture2D* texture);
  /// Stores `frame` under `name`, replacing any frame of that name. A null
  /// frame is ignored.
  /// \param frame the frame to store; the cache retains it.
  /// \param name the name to find it by.
  void addSpriteFrame(CCSpriteFrame* frame, const std::string& name);

  // [SECTION] Lookup

  /// The frame stored under `name`, else the frame an alias `name` points
  /// at, else nullptr. Logs nothing on a miss.
  /// \param name a frame name or an alias, as in the sheet ("hero-1.png").
  CCSpriteFrame* spriteFrameByName(const std::string& name) const;
  /// A new autoreleased sprite showing the frame stored directly under
  /// `name` (aliases are not consulted). Without such a frame the sprite's
  /// assertion "Invalid spriteFrame for sprite" fails and nullptr results.
  /// \param name a frame name (not an alias).
  CCSprite* createSpriteWithFrameName(const std::string& name) const;

  /// Number of frames held.
  std::uint32_t frameCount() const { return static_cast<std::uint32_t>(spriteFrames_.size()); }
  /// Number of aliases held (including ones whose frame is gone).
  std::uint32_t aliasCount() const { return static_cast<std::uint32_t>(spriteFramesAliases_.size()); }

  // [SECTION] Removing frames

  /// Forgets every frame and every alias.
  void removeSpriteFrames();
  /// Forgets every frame that only the cache holds. Aliases stay.
  void removeUnusedSpriteFrames();
  /// When `name` is an alias: forgets the alias and the frame it names.
  /// Otherwise forgets the frame `name`; aliases pointing at it stay (and
  /// then find nothing).
  /// \param name a frame name or an alias.
  void removeSpriteFrameByName(const std::string& name);
  /// Forgets the frames named in the list `plist` (resolved as a resource).
  /// \param plist the property-list file of the sprite sheet.
  void removeSpriteFramesFromFile(const std::string& plist);
  /// Forgets the frames named under "frames" of `dictionary`. Aliases stay.
  /// \param dictionary a sheet's property list.
  void removeSpriteFramesFromDictionary(const platform::Value& dictionary);
  /// Forgets every frame whose texture is that very object.
  /// \param texture the texture whose frames go.
  void removeSpriteFramesFromTexture(CCTexture2D* texture);

 protected:
  /// dealloc: releases every frame; forgets the shared instance if it is this one.
  ~CCSpriteFrameCache() override;

 private:
  std::unordered_map<std::string, platform::Ref<CCSpriteFrame>> spriteFrames_;
  std::unordered_map<std::string, std::string> spriteFramesAliases_;  // alias -> frame name
};
