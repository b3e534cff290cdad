// The quads batched sprites leave behind, byte for byte.
//
// A scripted life of a batch: sprites built from plain rectangles and from
// rotated and trimmed frames, moved, turned (quarter turns, -0, huge angles,
// NaN and infinities), scaled, anchored, tinted and faded, given new frames,
// flipped, hidden, nested two deep, reparented between batch nodes, reordered
// and removed. After every step the atlases and every sprite's own quad are
// hashed; the transcript of hashes was recorded from the straightforward
// per-sprite pass (each dirty sprite computes its transform, writes its own
// quad and copies it into the atlas) and must not change by a single bit
// whatever the pass does to be fast.
//
// The script runs twice: once reading only the atlases between steps, once
// reading the sprites' quads as well, since reading a quad must neither
// change what later steps write nor depend on having been read.

#include "tessera/CCSpriteBatchNode.h"

#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteFrame.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/Support/CCArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

using platform::Ref;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// 64-bit FNV-1a.
struct Hash {
  std::uint64_t value = 14695981039346656037ull;
  void add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) value = (value ^ bytes[i]) * 1099511628211ull;
  }
  template <class T>
  void add(const T& object) {
    add(&object, sizeof object);
  }
};

static_assert(sizeof(ccV3F_C4B_T2F_Quad) == 96, "quads hash without padding");

class Script {
 public:
  explicit Script(bool readSprites) : readSprites_(readSprites) {
    auto* texture = new CCTexture2D();
    texture->initWithData(nullptr, kCCTexture2DPixelFormat_RGBA8888, 256, 128, CGSizeMake(250, 120));
    texture_ = Ref<CCTexture2D>::adopt(texture);
  }

  CCTexture2D* texture() const { return texture_.get(); }

  CCSprite* keep(CCSprite* sprite) {
    sprites_.emplace_back(sprite);
    return sprite;
  }
  CCSpriteBatchNode* keep(CCSpriteBatchNode* batch) {
    batches_.emplace_back(batch);
    return batch;
  }

  // One line of the transcript: the atlases, then (when read) the sprites'
  // own quads with their indices and dirty flags.
  void record(const char* step) {
    Hash atlases;
    for (const auto& batch : batches_) {
      const CCTextureAtlas* atlas = batch->textureAtlas();
      const unsigned int total = atlas->totalQuads();
      atlases.add(total);
      atlases.add(atlas->quads(), sizeof(ccV3F_C4B_T2F_Quad) * total);
    }
    std::string line = step;
    line += ' ';
    line += hex(atlases.value);
    if (readSprites_) {
      Hash sprites;
      for (const auto& sprite : sprites_) {
        sprites.add(sprite->quad());
        sprites.add(sprite->atlasIndex());
        sprites.add(sprite->dirty());
      }
      line += ' ';
      line += hex(sprites.value);
    }
    lines_.push_back(line);
  }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  static std::string hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
  }

  bool readSprites_;
  Ref<CCTexture2D> texture_;
  std::vector<Ref<CCSprite>> sprites_;
  std::vector<Ref<CCSpriteBatchNode>> batches_;
  std::vector<std::string> lines_;
};

// Draws a frame of every batch node: the per-frame pass, as the scene does it.
void drawFrame(const std::vector<CCSpriteBatchNode*>& batches) {
  for (CCSpriteBatchNode* batch : batches) batch->visit();
}

const float kAngles[] = {0.0f,   -0.0f,   90.0f,   -90.0f,  180.0f,   270.0f,   360.0f,      -360.0f,
                         45.0f,  33.3f,   -721.5f, 1e-30f,  1e7f,     -1e9f,    4194303.5f,  4194304.0f,
                         kNaN,   kInfinity, -kInfinity, 0.5f, 89.99999f, 179.5f, -45.25f, 1234.567f};

std::vector<std::string> runScript(bool readSprites) {
  platform::AutoreleasePool pool;
  Script script(readSprites);
  CCTexture2D* texture = script.texture();

  CCSpriteBatchNode* first = script.keep(CCSpriteBatchNode::batchNodeWithTexture(texture, 8));
  CCSpriteBatchNode* second = script.keep(CCSpriteBatchNode::batchNodeWithTexture(texture, 4));
  const std::vector<CCSpriteBatchNode*> batches{first, second};

  CCSpriteFrame* rotatedFrame = CCSpriteFrame::frameWithTexture(texture, CGRectMake(100, 20, 24, 10), true,
                                                                CGPointMake(3, -2), CGSizeMake(30, 16));
  CCSpriteFrame* trimmedFrame = CCSpriteFrame::frameWithTexture(texture, CGRectMake(10, 60, 14, 18), false,
                                                                CGPointMake(-1.5f, 2.25f), CGSizeMake(20, 24));

  // Twenty-four sprites straight in the first batch node, of assorted
  // rectangles and frames.
  std::vector<CCSprite*> flat;
  for (int i = 0; i < 24; ++i) {
    CCSprite* sprite = nullptr;
    if (i % 6 == 4) {
      sprite = CCSprite::spriteWithSpriteFrame(rotatedFrame);
    } else if (i % 6 == 5) {
      sprite = CCSprite::spriteWithSpriteFrame(trimmedFrame);
    } else {
      sprite = CCSprite::spriteWithTexture(texture, CGRectMake(float(i * 7 % 200), float(i * 3 % 100), 5.0f + float(i % 9),
                                                               7.0f + float(i % 5)));
    }
    sprite->setPosition(CGPointMake(10.25f * float(i), 300.0f - 11.5f * float(i)));
    first->addChild(script.keep(sprite), i % 3 - 1);
    flat.push_back(sprite);
  }

  // A nested family: a parent with a child drawn before it, one after it,
  // and a grandchild.
  CCSprite* parent = script.keep(CCSprite::spriteWithTexture(texture, CGRectMake(0, 0, 20, 12)));
  CCSprite* behind = script.keep(CCSprite::spriteWithTexture(texture, CGRectMake(20, 0, 8, 8)));
  CCSprite* before = script.keep(CCSprite::spriteWithSpriteFrame(rotatedFrame));
  CCSprite* grandchild = script.keep(CCSprite::spriteWithTexture(texture, CGRectMake(40, 0, 6, 4)));
  parent->setPosition(CGPointMake(120, 80));
  parent->setRotation(30);
  parent->setScaleX(1.5f);
  parent->setScaleY(-0.75f);
  behind->setPosition(CGPointMake(-4, 3));
  behind->setRotation(-60);
  before->setPosition(CGPointMake(7, 9));
  before->setScale(2);
  before->setAnchorPoint(CGPointMake(0.25f, 1));
  grandchild->setPosition(CGPointMake(1, 2));
  grandchild->setRotation(45);
  parent->addChild(behind, -1);
  parent->addChild(before, 1);
  before->addChild(grandchild, 0);
  first->addChild(parent, 0);
  script.record("built");

  drawFrame(batches);
  script.record("first frame");

  for (int frame = 1; frame <= 3; ++frame) {
    for (std::size_t i = 0; i < flat.size(); ++i) {
      flat[i]->setPosition(CGPointMake(flat[i]->position().x + float(frame), flat[i]->position().y - 0.5f));
    }
    script.record("moved, not drawn");
    drawFrame(batches);
    script.record("moved");
  }

  for (std::size_t i = 0; i < flat.size(); ++i) flat[i]->setRotation(kAngles[i % std::size(kAngles)]);
  drawFrame(batches);
  script.record("turned through special angles");
  for (int frame = 0; frame < 4; ++frame) {
    for (std::size_t i = 0; i < flat.size(); ++i) {
      flat[i]->setPosition(CGPointMake(float(i) * 3.0f + float(frame), 17.0f * float(frame)));
      flat[i]->setRotation(float(frame) * 7.3f + float(i) * 29.0f - 200.0f);
    }
    drawFrame(batches);
    script.record("moved and turned");
  }

  flat[0]->setScale(0.5f);
  flat[1]->setScaleX(-2.0f);
  flat[2]->setScaleY(0.0f);
  flat[3]->setAnchorPoint(CGPointMake(0, 0));
  flat[4]->setAnchorPoint(CGPointMake(1.25f, -0.5f));
  flat[5]->setVertexZ(-3.5f);
  flat[6]->setPositionInPixels(CGPointMake(-40.5f, 1e6f));
  parent->setRotation(-0.0f);
  parent->setScale(1.25f);
  script.record("scaled and anchored, not drawn");
  drawFrame(batches);
  script.record("scaled and anchored");

  // Colours reach the atlas at once, on clean and on moved sprites alike.
  flat[7]->setColor(ccc3(10, 200, 30));
  flat[8]->setOpacity(100);
  flat[9]->setPosition(CGPointMake(5, 5));
  flat[9]->setOpacity(7);
  flat[10]->setOpacityModifyRGB(false);
  flat[10]->setColor(ccc3(1, 2, 3));
  flat[10]->setOpacity(50);
  grandchild->setColor(ccc3(90, 80, 70));
  script.record("tinted and faded, not drawn");
  drawFrame(batches);
  script.record("tinted and faded");

  // New frames and rectangles: texture coordinates and sizes change.
  flat[11]->setDisplayFrame(rotatedFrame);
  flat[12]->setDisplayFrame(trimmedFrame);
  flat[4]->setTextureRect(CGRectMake(3, 4, 12, 13));
  before->setDisplayFrame(trimmedFrame);
  flat[13]->updateTextureCoords(CGRectMake(50, 50, 9, 9));
  script.record("new frames, not drawn");
  drawFrame(batches);
  script.record("new frames");
  flat[13]->setPosition(CGPointMake(60, 61));
  drawFrame(batches);
  script.record("coordinates changed alone, then moved");

  flat[14]->setFlipX(true);
  flat[15]->setFlipY(true);
  flat[16]->setFlipX(true);
  flat[16]->setFlipY(true);
  flat[16]->setDisplayFrame(rotatedFrame);
  flat[17]->setFlipY(true);
  flat[17]->setDisplayFrame(trimmedFrame);
  drawFrame(batches);
  script.record("flipped");

  flat[18]->setVisible(false);
  before->setVisible(false);
  drawFrame(batches);
  script.record("hidden");
  flat[18]->setColor(ccc3(5, 6, 7));
  script.record("hidden sprite tinted");
  flat[18]->setVisible(true);
  flat[18]->setPosition(CGPointMake(3, 4));
  before->setVisible(true);
  parent->setPosition(CGPointMake(100, 100));
  drawFrame(batches);
  script.record("shown again");

  // Out of one batch node into another, out of a family into the batch node,
  // reordered, removed.
  Ref<CCSprite> moving(flat[19]);
  first->removeChild(moving, false);
  script.record("taken out");
  second->addChild(moving, 0);
  moving->setRotation(-135);
  Ref<CCSprite> adopted(behind);
  parent->removeChild(adopted, false);
  flat[20]->addChild(adopted, 2);
  first->reorderChild(flat[21], -5);
  parent->reorderChild(before, -2);
  first->removeChild(flat[22], true);
  flat[23]->removeFromParentAndCleanup(true);
  script.record("reparented, not drawn");
  drawFrame(batches);
  script.record("reparented");

  for (int frame = 0; frame < 3; ++frame) {
    for (std::size_t i = 0; i < 19; ++i) {
      flat[i]->setPosition(CGPointMake(float(i) * 2.5f - float(frame), 4.0f * float(frame)));
      if (i % 2 == 0) flat[i]->setRotation(float(frame * 90 + int(i)));
    }
    flat[20]->setRotation(float(frame) * 11.0f);
    moving->setPosition(CGPointMake(float(frame), -float(frame)));
    drawFrame(batches);
    script.record("moved after reparenting");
  }

  // The pass called sprite by sprite, as tile maps do.
  flat[0]->setPosition(CGPointMake(1.5f, 2.5f));
  flat[0]->updateTransform();
  flat[1]->setDirty(true);
  flat[1]->updateTransform();
  script.record("updated one by one");

  first->removeAllChildrenWithCleanup(true);
  drawFrame(batches);
  script.record("emptied");
  return script.lines();
}

// A crowd of 1,000 sprites, two of them with children, where each frame a
// pseudo-random part of the crowd moves, turns (over a dense spread of
// angles), hides, shows, changes colour or frame: every mix of sprites that
// take the quick way and sprites that do not, next to each other.
std::vector<std::string> runCrowd() {
  platform::AutoreleasePool pool;
  Script script(true);
  CCTexture2D* texture = script.texture();
  CCSpriteBatchNode* batch = script.keep(CCSpriteBatchNode::batchNodeWithTexture(texture, 100));
  CCSpriteFrame* rotatedFrame = CCSpriteFrame::frameWithTexture(texture, CGRectMake(100, 20, 24, 10), true,
                                                                CGPointMake(3, -2), CGSizeMake(30, 16));
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  };

  std::vector<CCSprite*> crowd;
  for (int i = 0; i < 1000; ++i) {
    CCSprite* sprite = CCSprite::spriteWithTexture(
        texture, CGRectMake(float(next(200)), float(next(100)), float(1 + next(40)), float(1 + next(20))));
    sprite->setPosition(CGPointMake(float(next(4800)) / 10.0f, float(next(3200)) / 10.0f));
    if (i == 10 || i == 500) {
      CCSprite* child = script.keep(CCSprite::spriteWithTexture(texture, CGRectMake(1, 2, 3, 4)));
      child->setPosition(CGPointMake(2, 3));
      child->setRotation(10);
      sprite->addChild(child);
    }
    batch->addChild(script.keep(sprite));
    crowd.push_back(sprite);
  }
  drawFrame({batch});
  script.record("crowd built");

  for (int frame = 0; frame < 6; ++frame) {
    for (CCSprite* sprite : crowd) {
      switch (next(12)) {
        case 0:
        case 1:
        case 2:
          sprite->setPosition(CGPointMake(float(next(4800)) / 10.0f, float(next(3200)) / 10.0f));
          break;
        case 3:
        case 4:
        case 5:
          sprite->setPosition(CGPointMake(float(next(4800)) / 10.0f, float(next(3200)) / 10.0f));
          // Hundredths of a degree over ±2 turns, whole and quarter turns
          // among them.
          sprite->setRotation(float(int(next(144001)) - 72000) / 100.0f);
          break;
        case 6:
          sprite->setRotation(float(int(next(9)) - 4) * 90.0f);
          break;
        case 7:
          sprite->setVisible(!sprite->visible());
          break;
        case 8:
          sprite->setOpacity(static_cast<GLubyte>(next(256)));
          sprite->setScale(float(next(300)) / 100.0f);
          break;
        case 9:
          sprite->setDisplayFrame(rotatedFrame);
          sprite->setRotation(float(next(360)));
          break;
        default:
          break;
      }
    }
    drawFrame({batch});
    script.record("crowd frame");
  }
  return script.lines();
}

// Recorded from the per-sprite pass; see the file comment.
const std::vector<std::string>& expectedTranscript() {
  static const std::vector<std::string> lines = {
      "built 75b1c3413802cced f22aa886f51a3fa7",
      "first frame 0e12b72437f760d1 33da7b4d2dd9e179",
      "moved, not drawn 0e12b72437f760d1 6deec1dddbf6a421",
      "moved 56ec9d82e02c5e81 0b9fb23185de3981",
      "moved, not drawn 56ec9d82e02c5e81 aca6b47c57021d49",
      "moved 9d12d94b8eb18b3d 702d1f22f892329d",
      "moved, not drawn 9d12d94b8eb18b3d 168d6dbf4a993085",
      "moved d02e1432a221b4a9 57704775b1d2c461",
      "turned through special angles f50d1d2b76aeca7b 2b27bb9569279add",
      "moved and turned 74af13078725aa12 58b8fc673ec732e6",
      "moved and turned 139914a31bd80926 10e8d2fcdfcfd600",
      "moved and turned 48d1e655af1e75b6 3155a86516d21882",
      "moved and turned ca61982db26a5a90 f1bf722546affc1c",
      "scaled and anchored, not drawn ca61982db26a5a90 07115853047c5eff",
      "scaled and anchored 1a9ca4bdde7971b8 21750cc142272438",
      "tinted and faded, not drawn d9f45c1ce01a3a20 5e8d7cda34d5ed57",
      "tinted and faded aae61f03e0d685a9 aa3609b2588c2857",
      "new frames, not drawn aae61f03e0d685a9 59705c8108094e09",
      "new frames bdb4d0cf15e3e549 5a665cab8619ec21",
      "coordinates changed alone, then moved bc50a5578b448c04 24532a7ac3caf62e",
      "flipped 3e9e30e6e11f36a5 a8757b6743beb9ff",
      "hidden 73682ae945802e1e f93de9c5a10373f4",
      "hidden sprite tinted 4d7ebff44b908132 44247fefcd9f34a8",
      "shown again 1069b276261ed77c 06ce08b99f53adde",
      "taken out 183dfe163ce1312d c9a9ef73e856d0b3",
      "reparented, not drawn 76e23131489b7bd9 d31109d4bbc5a5dc",
      "reparented 1ba547167f203012 8323f1620d16b990",
      "moved after reparenting a1523abacccbee20 3127def210e32bae",
      "moved after reparenting 64693bd14119fdaa 5c37e1bf0e8d695e",
      "moved after reparenting 6692f327a4275015 e6dd58effe362561",
      "updated one by one d2d61970aa124cd5 a71e60d32172e5a1",
      "emptied 699f0b32b90e956f 18193cbc25640428",
  };
  return lines;
}

const std::vector<std::string>& expectedCrowd() {
  static const std::vector<std::string> lines = {
      "crowd built 738dade31a500a3f 62976f5113b69755",
      "crowd frame d563165fa351c9b8 ef6b748e625904fe",
      "crowd frame 04cffee2f3022e53 e14b6f450ba97919",
      "crowd frame 7e67c5af66e3ced8 ac6f3026d018539a",
      "crowd frame 104b21f316e057b4 9e5bdb98eb317db2",
      "crowd frame be75cbf839c74b2c 6a71934325c15706",
      "crowd frame b1649b6c22200174 483b3449a007cbaa",
  };
  return lines;
}

// The same lines without the sprites' column.
std::vector<std::string> atlasColumn(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) out.push_back(line.substr(0, line.rfind(' ')));
  return out;
}

// Two batches built alike get the same random changes, frame after frame:
// one is drawn, so its pass writes sprites four at a time, the other updates
// its sprites one by one. Their atlases must match byte for byte, whatever
// the mix of clean and dirty, turned and unturned, hidden and shown sprites,
// and whatever the angles (zeros of both signs, NaN, infinities, angles past
// the fast sine's range).
TEST(CCSpriteBatchQuads, TheGroupedPassMatchesOneSpriteAtATime) {
  platform::AutoreleasePool pool;
  Script script(false);
  std::uint32_t seed = 20261208;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  auto between = [&next](float low, float high) { return low + (high - low) * float(next(10001)) / 10000.0f; };
  auto angle = [&]() {
    switch (next(12)) {
      case 0: return 0.0f;
      case 1: return -0.0f;
      case 2: return kNaN;
      case 3: return -kInfinity;
      case 4: return 5e6f;
      default: return between(-20000.0f, 20000.0f);
    }
  };

  CCSpriteBatchNode* grouped = script.keep(CCSpriteBatchNode::batchNodeWithTexture(script.texture(), 16));
  CCSpriteBatchNode* single = script.keep(CCSpriteBatchNode::batchNodeWithTexture(script.texture(), 16));
  std::vector<CCSprite*> drawn;
  std::vector<CCSprite*> stepped;
  for (int i = 0; i < 203; ++i) {  // not a whole number of fours
    const CGRect rect = CGRectMake(float(next(200)), float(next(100)), float(1 + next(50)), float(1 + next(20)));
    drawn.push_back(script.keep(CCSprite::spriteWithTexture(script.texture(), rect)));
    stepped.push_back(script.keep(CCSprite::spriteWithTexture(script.texture(), rect)));
    grouped->addChild(drawn.back());
    single->addChild(stepped.back());
  }

  for (int frame = 0; frame < 12; ++frame) {
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      const std::uint32_t change = next(10);
      const CGPoint position = CGPointMake(between(-3000, 3000), between(-3000, 3000));
      const float rotation = angle();
      const float scaleX = between(-3, 3);
      const float scaleY = between(-3, 3);
      const CGPoint anchor = CGPointMake(between(-1, 2), between(-1, 2));
      const float z = between(-50, 50);
      const auto opacity = static_cast<GLubyte>(next(256));
      for (CCSprite* sprite : {drawn[i], stepped[i]}) {
        switch (change) {
          case 0: sprite->setPosition(position); break;
          case 1: sprite->setRotation(rotation); break;
          case 2:
            sprite->setPosition(position);
            sprite->setRotation(rotation);
            break;
          case 3:
            sprite->setScaleX(scaleX);
            sprite->setScaleY(scaleY);
            break;
          case 4: sprite->setAnchorPoint(anchor); break;
          case 5: sprite->setVertexZ(z); break;
          case 6: sprite->setVisible(!sprite->visible()); break;
          case 7: sprite->setOpacity(opacity); break;
          default: break;  // left clean
        }
      }
    }
    grouped->visit();
    for (CCSprite* sprite : stepped) sprite->updateTransform();

    const CCTextureAtlas* a = grouped->textureAtlas();
    const CCTextureAtlas* b = single->textureAtlas();
    ASSERT_EQ(a->totalQuads(), b->totalQuads());
    for (unsigned int q = 0; q < a->totalQuads(); ++q) {
      ASSERT_EQ(0, std::memcmp(&a->quads()[q], &b->quads()[q], sizeof(ccV3F_C4B_T2F_Quad)))
          << "frame " << frame << ", quad " << q;
    }
  }
}

TEST(CCSpriteBatchQuads, EveryStepLeavesTheRecordedAtlasAndSpriteQuads) {
  const std::vector<std::string> actual = runScript(true);
  EXPECT_EQ(expectedTranscript(), actual);
}

TEST(CCSpriteBatchQuads, ReadingTheSpritesQuadsChangesNothingLater) {
  EXPECT_EQ(atlasColumn(expectedTranscript()), runScript(false));
}

TEST(CCSpriteBatchQuads, ACrowdOfMixedSpritesLeavesTheRecordedQuads) { EXPECT_EQ(expectedCrowd(), runCrowd()); }

}  // namespace
