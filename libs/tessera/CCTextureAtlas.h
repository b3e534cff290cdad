#pragma once
// CCTextureAtlas: a fixed-capacity array of textured quads that all use one
// texture, with the matching 16-bit index array, drawn as any leading run of
// quads in one indexed draw call.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccTypes.h"

#include <string>

/// The most quads an atlas holds unless its capacityLimit() is raised:
/// 16384 quads are 65536 vertices, all of them reachable by 16-bit indices,
/// so one draw call covers them.
inline constexpr unsigned int kCCTextureAtlasMaxCapacity = 16384;
/// The highest capacityLimit() an atlas accepts: 2^20 quads (96 MiB).
inline constexpr unsigned int kCCTextureAtlasLargestCapacity = 1u << 20;

/// A fixed-capacity array of textured quads that all use one texture, with the
/// matching 16-bit index array, drawn as any leading run of quads in one indexed
/// draw call.
///
/// Quads are addressed by index and kept packed in 0 .. totalQuads() - 1.
/// Quad i always owns vertices 4i .. 4i+3, so the index array (triangles
/// tl, bl, tr and br, tr, bl of each quad) covers the first
/// kCCTextureAtlasMaxCapacity quads (65536 vertices, all that 16-bit indices
/// reach) and never changes with the quads. An atlas holds at most
/// capacityLimit() quads: kCCTextureAtlasMaxCapacity unless raised (tile-map
/// layers raise it); a larger atlas draws in blocks of
/// kCCTextureAtlasMaxCapacity quads, the vertex pointers moved per block.
///
/// Cost: one glDrawElements per draw (per block of 16384 quads), from
/// client-side arrays. Updates copy
/// one 96-byte quad; inserts and removals move the tail with one memmove.
/// Nothing is allocated except by init and resizeCapacity().
class CCTextureAtlas : public platform::Object {
  PLATFORM_CLASS(CCTextureAtlas, platform::Object)

 public:
  // [SECTION] Creation

  /// An autoreleased atlas of the texture the cache gives for `file`, or
  /// nullptr when it has none.
  static CCTextureAtlas* textureAtlasWithFile(const std::string& file, unsigned int capacity);
  /// An autoreleased atlas of `texture`, or nullptr.
  static CCTextureAtlas* textureAtlasWithTexture(CCTexture2D* texture, unsigned int capacity);

  /// initWithTexture() with the texture CCTextureCache::addImage() gives for
  /// `file`; false when it gives none.
  bool initWithFile(const std::string& file, unsigned int capacity);
  /// Room for `capacity` quads, none in use; the texture is retained; quads
  /// zero-filled, indices built. Expects at most capacityLimit() quads.
  /// Returns false when the arrays can't be allocated.
  bool initWithTexture(CCTexture2D* texture, unsigned int capacity);

  // [SECTION] Quads

  /// Copies `quad` into entry `index`; the used range grows to cover it
  /// (entries skipped over keep what they held). Expects index < capacity
  /// ("updateQuadWithTexture: Invalid index").
  void updateQuad(const ccV3F_C4B_T2F_Quad* quad, unsigned int index);
  /// Inserts `quad` at `index`, moving the quads from there up by one.
  /// Expects index < capacity ("insertQuadWithTexture: Invalid index") and
  /// room for one more quad ("invalid totalQuads").
  void insertQuad(const ccV3F_C4B_T2F_Quad* quad, unsigned int index);
  /// Moves the quad at `oldIndex` to `newIndex`, shifting the quads between
  /// by one. Expects both within the used range ("insertQuadFromIndex:atIndex:
  /// Invalid index").
  void insertQuadFromIndex(unsigned int oldIndex, unsigned int newIndex);
  /// Removes the quad at `index`, moving the later ones down. The vacated last
  /// entry keeps its bytes. Expects index < totalQuads() ("removeQuadAtIndex:
  /// Invalid index").
  void removeQuadAtIndex(unsigned int index);
  /// No quads in use; the memory is not cleared.
  void removeAllQuads();

  /// Room for `capacity` quads: the used range is cut to fit, new entries are
  /// not cleared, indices are rebuilt. Expects at most capacityLimit()
  /// (returns false, unchanged, when the assertion handler returns). When memory runs out the atlas is left empty with
  /// capacity 0 and false is returned.
  bool resizeCapacity(unsigned int capacity);
  /// Fills the index array (the first kCCTextureAtlasMaxCapacity quads of
  /// the capacity).
  void initIndices();
  /// The most quads init and resizeCapacity() accept. Default
  /// kCCTextureAtlasMaxCapacity; at most kCCTextureAtlasLargestCapacity
  /// (larger values are clamped). Lowering it below capacity() changes
  /// nothing already allocated.
  unsigned int capacityLimit() const { return capacityLimit_; }
  void setCapacityLimit(unsigned int limit);

  // [SECTION] Drawing

  /// drawNumberOfQuads(totalQuads()).
  void drawQuads();
  /// Binds the texture and draws the first `count` quads (at most the
  /// capacity) with one glDrawElements per kCCTextureAtlasMaxCapacity quads. The caller has enabled the vertex,
  /// colour and texture-coordinate arrays and texturing, and set blending.
  void drawNumberOfQuads(unsigned int count);
  /// The same for the `count` quads from `start` (cut to the capacity).
  void drawNumberOfQuads(unsigned int count, unsigned int start);

  // [SECTION] Properties

  unsigned int totalQuads() const { return totalQuads_; }
  unsigned int capacity() const { return capacity_; }
  /// The quad array (capacity() entries).
  ccV3F_C4B_T2F_Quad* quads() const { return quads_; }
  /// Replaces the pointer only: nothing is copied or freed. The atlas frees
  /// this pointer when it resizes or goes, so it must come from malloc and
  /// hold capacity() quads.
  void setQuads(ccV3F_C4B_T2F_Quad* quads) { quads_ = quads; }
  /// The index array (6 × min(capacity(), kCCTextureAtlasMaxCapacity)
  /// entries).
  const GLushort* indices() const { return indices_; }
  /// Retained. Quads keep their texture coordinates when it changes.
  CCTexture2D* texture() const { return texture_.get(); }
  void setTexture(CCTexture2D* texture);

  /// "<CCTextureAtlas = ADDRESS | totalQuads = n>".
  std::string description() const override;

 protected:
  /// dealloc: frees the quad and index arrays, then releases the texture.
  ~CCTextureAtlas() override;

 private:
  unsigned int totalQuads_ = 0;
  unsigned int capacity_ = 0;
  unsigned int capacityLimit_ = kCCTextureAtlasMaxCapacity;
  ccV3F_C4B_T2F_Quad* quads_ = nullptr;  // owned, malloc'd
  GLushort* indices_ = nullptr;          // owned, malloc'd
  platform::Ref<CCTexture2D> texture_;
};
