#include "tessera/CCTextureAtlas.h"

#include "platform/Assert.h"
#include "platform/GLContext.h"
#include "platform/StringUtils.h"
#include "tessera/CCTextureCache.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

// [SECTION] Creation
// [SECTION] Quads
// [SECTION] Capacity
// [SECTION] Drawing

namespace {

constexpr std::size_t kIndicesPerQuad = 6;

// Quads the index array covers: the most 16-bit indices reach.
unsigned int indexedQuads(unsigned int capacity) { return std::min(capacity, kCCTextureAtlasMaxCapacity); }

// Quads per draw call on a software rasteriser (see drawNumberOfQuads).
constexpr unsigned int kSoftwareDrawQuads = 2048;

static_assert(offsetof(ccV3F_C4B_T2F, vertices) == 0 && offsetof(ccV3F_C4B_T2F, colors) == 12 &&
              offsetof(ccV3F_C4B_T2F, texCoords) == 16);
static_assert(offsetof(ccV3F_C4B_T2F_Quad, tl) == 0 && offsetof(ccV3F_C4B_T2F_Quad, bl) == 24 &&
              offsetof(ccV3F_C4B_T2F_Quad, tr) == 48 && offsetof(ccV3F_C4B_T2F_Quad, br) == 72);

}  // namespace

// [SECTION] Creation

CCTextureAtlas* CCTextureAtlas::textureAtlasWithFile(const std::string& file, unsigned int capacity) {
  return platform::createAutoreleased<CCTextureAtlas>(
      [&](CCTextureAtlas& atlas) { return atlas.initWithFile(file, capacity); });
}

CCTextureAtlas* CCTextureAtlas::textureAtlasWithTexture(CCTexture2D* texture, unsigned int capacity) {
  return platform::createAutoreleased<CCTextureAtlas>(
      [&](CCTextureAtlas& atlas) { return atlas.initWithTexture(texture, capacity); });
}

bool CCTextureAtlas::initWithFile(const std::string& file, unsigned int capacity) {
  CCTexture2D* texture = CCTextureCache::sharedTextureCache()->addImage(file);
  if (texture == nullptr) return false;
  return initWithTexture(texture, capacity);
}

bool CCTextureAtlas::initWithTexture(CCTexture2D* texture, unsigned int capacity) {
  CCAssert(capacity <= capacityLimit_, "CCTextureAtlas: a capacity of %u quads is more than the atlas's limit (%u)",
           capacity, capacityLimit_);
  if (capacity > capacityLimit_) return false;

  // A second initialisation replaces the arrays of the first.
  std::free(quads_);
  std::free(indices_);
  capacity_ = capacity;
  totalQuads_ = 0;
  texture_ = texture;
  quads_ = static_cast<ccV3F_C4B_T2F_Quad*>(std::calloc(capacity, sizeof(ccV3F_C4B_T2F_Quad)));
  indices_ = static_cast<GLushort*>(std::calloc(indexedQuads(capacity) * kIndicesPerQuad, sizeof(GLushort)));
  if (capacity > 0 && (quads_ == nullptr || indices_ == nullptr)) {
    std::free(quads_);
    std::free(indices_);
    quads_ = nullptr;
    indices_ = nullptr;
    capacity_ = 0;
    return false;
  }
  initIndices();
  return true;
}

CCTextureAtlas::~CCTextureAtlas() {
  std::free(quads_);
  std::free(indices_);
}

void CCTextureAtlas::setTexture(CCTexture2D* texture) { texture_ = texture; }

std::string CCTextureAtlas::description() const {
  return platform::formatString("<%s = %s | totalQuads = %i>", className(), platform::addressString(this).c_str(),
                                static_cast<int>(totalQuads_));
}

void CCTextureAtlas::setCapacityLimit(unsigned int limit) {
  capacityLimit_ = std::min(limit, kCCTextureAtlasLargestCapacity);
}

void CCTextureAtlas::initIndices() {
  // Every block of kCCTextureAtlasMaxCapacity quads is drawn with these same
  // indices and the vertex pointers moved to the block.
  const unsigned int quads = indexedQuads(capacity_);
  for (unsigned int i = 0; i < quads; ++i) {
    GLushort* quad = indices_ + i * kIndicesPerQuad;
    const auto first = static_cast<GLushort>(i * 4);
    quad[0] = first;
    quad[1] = static_cast<GLushort>(first + 1);
    quad[2] = static_cast<GLushort>(first + 2);
    quad[3] = static_cast<GLushort>(first + 3);
    quad[4] = static_cast<GLushort>(first + 2);
    quad[5] = static_cast<GLushort>(first + 1);
  }
}

// [SECTION] Quads
//
// After a failed assertion (when the handler returns) each operation leaves
// the atlas unchanged rather than touch memory outside its arrays.

void CCTextureAtlas::updateQuad(const ccV3F_C4B_T2F_Quad* quad, unsigned int index) {
  CCAssert(index < capacity_, "updateQuadWithTexture: Invalid index");
  if (index >= capacity_) return;
  totalQuads_ = std::max(totalQuads_, index + 1);
  quads_[index] = *quad;
}

void CCTextureAtlas::insertQuad(const ccV3F_C4B_T2F_Quad* quad, unsigned int index) {
  CCAssert(index < capacity_, "insertQuadWithTexture: Invalid index");
  if (index >= capacity_) return;
  totalQuads_++;
  CCAssert(totalQuads_ <= capacity_, "invalid totalQuads");
  if (totalQuads_ > capacity_) {
    totalQuads_--;
    return;
  }
  // An index past the quads in use has nothing after it to move (the count
  // would otherwise wrap round to a huge move).
  const unsigned int remaining = index < totalQuads_ ? totalQuads_ - index - 1 : 0;
  if (remaining > 0) std::memmove(&quads_[index + 1], &quads_[index], remaining * sizeof(ccV3F_C4B_T2F_Quad));
  quads_[index] = *quad;
}

void CCTextureAtlas::insertQuadFromIndex(unsigned int oldIndex, unsigned int newIndex) {
  CCAssert(newIndex < totalQuads_, "insertQuadFromIndex:atIndex: Invalid index");
  CCAssert(oldIndex < totalQuads_, "insertQuadFromIndex:atIndex: Invalid index");
  if (newIndex >= totalQuads_ || oldIndex >= totalQuads_ || oldIndex == newIndex) return;

  const ccV3F_C4B_T2F_Quad saved = quads_[oldIndex];
  if (newIndex < oldIndex) {
    std::memmove(&quads_[newIndex + 1], &quads_[newIndex], (oldIndex - newIndex) * sizeof(ccV3F_C4B_T2F_Quad));
  } else {
    std::memmove(&quads_[oldIndex], &quads_[oldIndex + 1], (newIndex - oldIndex) * sizeof(ccV3F_C4B_T2F_Quad));
  }
  quads_[newIndex] = saved;
}

void CCTextureAtlas::removeQuadAtIndex(unsigned int index) {
  CCAssert(index < totalQuads_, "removeQuadAtIndex: Invalid index");
  if (index >= totalQuads_) return;
  const unsigned int remaining = totalQuads_ - index - 1;
  if (remaining != 0) std::memmove(&quads_[index], &quads_[index + 1], remaining * sizeof(ccV3F_C4B_T2F_Quad));
  totalQuads_--;
}

void CCTextureAtlas::removeAllQuads() { totalQuads_ = 0; }

// [SECTION] Capacity

bool CCTextureAtlas::resizeCapacity(unsigned int capacity) {
  CCAssert(capacity <= capacityLimit_, "CCTextureAtlas: a capacity of %u quads is more than the atlas's limit (%u)",
           capacity, capacityLimit_);
  if (capacity > capacityLimit_) return false;
  if (capacity == capacity_) return true;

  totalQuads_ = std::min(totalQuads_, capacity);
  capacity_ = capacity;

  // realloc to zero bytes may free the block and return null, which is not a
  // failure here: an empty atlas simply holds no arrays.
  if (capacity == 0) {
    std::free(quads_);
    std::free(indices_);
    quads_ = nullptr;
    indices_ = nullptr;
    return true;
  }

  void* newQuads = std::realloc(quads_, capacity * sizeof(ccV3F_C4B_T2F_Quad));
  void* newIndices = std::realloc(indices_, indexedQuads(capacity) * kIndicesPerQuad * sizeof(GLushort));
  if (newQuads == nullptr || newIndices == nullptr) {
    // Each pointer is the new block where reallocation succeeded and the old
    // one where it failed: free both and leave nothing behind.
    std::free(newQuads != nullptr ? newQuads : quads_);
    std::free(newIndices != nullptr ? newIndices : indices_);
    quads_ = nullptr;
    indices_ = nullptr;
    totalQuads_ = 0;
    capacity_ = 0;
    return false;
  }
  quads_ = static_cast<ccV3F_C4B_T2F_Quad*>(newQuads);
  indices_ = static_cast<GLushort*>(newIndices);
  initIndices();
  return true;
}

// [SECTION] Drawing

void CCTextureAtlas::drawQuads() { drawNumberOfQuads(totalQuads_); }

void CCTextureAtlas::drawNumberOfQuads(unsigned int count) { drawNumberOfQuads(count, 0); }

void CCTextureAtlas::drawNumberOfQuads(unsigned int count, unsigned int start) {
  // Past the capacity the draw would read beyond the arrays.
  start = std::min(start, capacity_);
  count = std::min(count, capacity_ - start);
  glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
  if (quads_ == nullptr || count == 0) return;

  // 16-bit indices reach kCCTextureAtlasMaxCapacity quads: larger atlases
  // draw block by block, each block's vertices addressed from its first quad.
  // A software rasteriser bins a whole draw before its threads start on it:
  // handing it the quads in smaller parts, each flushed, lets it rasterise
  // one part while the next is set up, and keeps the binned scene small.
  constexpr GLsizei stride = sizeof(ccV3F_C4B_T2F);
  const unsigned int part = platform::glRendererIsSoftware() ? kSoftwareDrawQuads : kCCTextureAtlasMaxCapacity;
  for (unsigned int block = 0; block < count; block += kCCTextureAtlasMaxCapacity) {
    const ccV3F_C4B_T2F* first = &quads_[start + block].tl;
    glVertexPointer(3, GL_FLOAT, stride, &first->vertices);
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, &first->colors);
    glTexCoordPointer(2, GL_FLOAT, stride, &first->texCoords);
    const unsigned int blockQuads = std::min(kCCTextureAtlasMaxCapacity, count - block);
    for (unsigned int start = 0; start < blockQuads; start += part) {
      const unsigned int quads = std::min(part, blockQuads - start);
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quads * kIndicesPerQuad), GL_UNSIGNED_SHORT,
                     indices_ + static_cast<std::size_t>(start) * kIndicesPerQuad);
      if (part < kCCTextureAtlasMaxCapacity && block + start + quads < count) glFlush();
    }
  }
}
