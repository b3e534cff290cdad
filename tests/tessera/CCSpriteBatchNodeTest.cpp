#include "tessera/CCSpriteBatchNode.h"

#include "SpriteTestSupport.h"
#include "platform/Log.h"
#include "support/TestSupport.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/Support/CCArray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

// Counts the draw calls the whole program makes, passing each on to the GL
// library: a definition in the program takes precedence over the library's.
namespace {
int g_drawCalls = 0;
}  // namespace

extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  using Function = void (*)(GLenum, GLsizei, GLenum, const void*);
  static auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, "glDrawElements"));
  ++g_drawCalls;
  if (next) next(mode, count, type, indices);
}

extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  using Function = void (*)(GLenum, GLint, GLsizei);
  static auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, "glDrawArrays"));
  ++g_drawCalls;
  if (next) next(mode, first, count);
}

using platform::Ref;
using testing::ElementsAre;
using testing::ElementsAreArray;
using namespace sprite_test;

namespace {

// Sprites carry their id in the red channel of their colour, so a quad in the
// atlas tells whose it is.
class CCSpriteBatchNodeTest : public SpriteTestBase {
 protected:
  void SetUp() override {
    SpriteTestBase::SetUp();
    texture_ = Ref<CCTexture2D>::adopt(new CCTexture2D());  // no GL: name 0, no pixels
    // Owned here alone, so dropping it destroys it.
    auto* batch = new CCSpriteBatchNode();
    ASSERT_TRUE(batch->initWithTexture(texture_, kCCSpriteBatchNodeDefaultCapacity));
    batch_ = Ref<CCSpriteBatchNode>::adopt(batch);
  }
  void TearDown() override {
    batch_ = nullptr;
    SpriteTestBase::TearDown();
  }

  CCSprite* sprite(int id) {
    CCSprite* s = CCSprite::spriteWithTexture(texture_, CGRectMake(0, 0, 4, 4));
    s->setOpacityModifyRGB(false);
    s->setColor(ccc3(static_cast<GLubyte>(id), 0, 0));
    return s;
  }

  // Ids of the descendants in atlas order, after checking that indices,
  // descendants and atlas quads agree.
  std::vector<int> atlasOrder() {
    std::vector<int> ids;
    CCArray* descendants = batch_->descendants();
    CCTextureAtlas* atlas = batch_->textureAtlas();
    EXPECT_EQ(descendants->count(), atlas->totalQuads());
    for (std::uint32_t i = 0; i < descendants->count(); ++i) {
      auto* s = descendants->objectAt<CCSprite>(i);
      EXPECT_EQ(i, s->atlasIndex()) << "descendant " << i;
      EXPECT_EQ(batch_.get(), s->batchNode());
      EXPECT_EQ(s->color().r, atlas->quads()[i].bl.colors.r) << "quad " << i;
      ids.push_back(s->color().r);
    }
    return ids;
  }

  static bool selfRendered(CCSprite* s) {
    return !s->usesBatchNode() && s->batchNode() == nullptr && s->textureAtlas() == nullptr &&
           s->atlasIndex() == CCSpriteIndexNotInitialized;
  }

  Ref<CCTexture2D> texture_;
  Ref<CCSpriteBatchNode> batch_;
};

// [SECTION] Atlas order

TEST_F(CCSpriteBatchNodeTest, IndicesFollowDrawingOrderThroughAddsRemovesAndReorders) {
  CCSprite* a = sprite(1);
  CCSprite* c = sprite(2);
  batch_->addChild(a, 0);
  batch_->addChild(c, 1);
  EXPECT_THAT(atlasOrder(), ElementsAre(1, 2));

  CCSprite* a1 = sprite(3);
  CCSprite* a2 = sprite(4);
  a->addChild(a1, -1);
  EXPECT_THAT(atlasOrder(), ElementsAre(3, 1, 2));
  a->addChild(a2, 1);
  EXPECT_THAT(atlasOrder(), ElementsAre(3, 1, 4, 2));

  batch_->reorderChild(c, -1);
  EXPECT_THAT(atlasOrder(), ElementsAre(2, 3, 1, 4));
  batch_->reorderChild(c, 5);
  EXPECT_THAT(atlasOrder(), ElementsAre(3, 1, 4, 2));

  a->reorderChild(a2, -2);
  EXPECT_THAT(atlasOrder(), ElementsAre(4, 3, 1, 2));

  Ref<CCSprite> held = a;
  batch_->removeChild(a, true);
  EXPECT_THAT(atlasOrder(), ElementsAre(2));
  EXPECT_TRUE(selfRendered(a));
  EXPECT_TRUE(selfRendered(a1));
  EXPECT_TRUE(selfRendered(a2));
}

TEST_F(CCSpriteBatchNodeTest, ASiblingGoesAfterASubtreeDrawnBeforeItsRoot) {
  // A's only child is drawn before A, so what comes after A's subtree comes
  // after A itself, not after the child.
  CCSprite* a = sprite(1);
  batch_->addChild(a, 0);
  a->addChild(sprite(2), -1);
  batch_->addChild(sprite(3), 1);
  EXPECT_THAT(atlasOrder(), ElementsAre(2, 1, 3));
  batch_->addChild(sprite(4), 0);
  EXPECT_THAT(atlasOrder(), ElementsAre(2, 1, 4, 3));
  EXPECT_EQ(0u, batch_->lowestAtlasIndexInChild(a));
  EXPECT_EQ(1u, batch_->highestAtlasIndexInChild(a));
}

TEST_F(CCSpriteBatchNodeTest, ASubtreeAddedAtOnceIsLaidOutInDrawingOrder) {
  CCSprite* root = sprite(10);
  CCSprite* after = sprite(13);
  root->addChild(sprite(11), -2);
  root->addChild(sprite(12), -1);
  root->addChild(after, 1);
  root->addChild(sprite(15), 2);
  after->addChild(sprite(14), -1);

  batch_->addChild(sprite(1), -1);
  batch_->addChild(root, 0);
  EXPECT_THAT(atlasOrder(), ElementsAre(1, 11, 12, 10, 14, 13, 15));
  EXPECT_EQ(1u, batch_->lowestAtlasIndexInChild(root));
  EXPECT_EQ(6u, batch_->highestAtlasIndexInChild(root));

  // Renumbering from scratch gives the same indices.
  for (platform::Object* object : *batch_->descendants()) static_cast<CCSprite*>(object)->setAtlasIndex(99);
  EXPECT_EQ(7u, batch_->rebuildIndexInOrder(batch_, 0));
  atlasOrder();
}

TEST_F(CCSpriteBatchNodeTest, CapacityGrowsByAThirdWhenFull) {
  EXPECT_EQ(29u, batch_->textureAtlas()->capacity());
  for (int id = 0; id < 30; ++id) batch_->addChild(sprite(id), id % 3 - 1);
  EXPECT_EQ(40u, batch_->textureAtlas()->capacity());
  for (int id = 30; id < 41; ++id) batch_->addChild(sprite(id));
  EXPECT_EQ(54u, batch_->textureAtlas()->capacity());
  EXPECT_EQ(41u, atlasOrder().size());

  // The atlas's 16-bit indices reach 16384 quads: growth stops exactly there.
  CCSpriteBatchNode* big = CCSpriteBatchNode::batchNodeWithTexture(texture_, 16000);
  for (int i = 0; i < 16001; ++i) big->addChild(CCSprite::spriteWithTexture(texture_, CGRectMake(0, 0, 1, 1)));
  EXPECT_EQ(16384u, big->textureAtlas()->capacity());
}

TEST_F(CCSpriteBatchNodeTest, SpritesThatLeaveTheBatchStopWritingToIt) {
  CCSprite* a = sprite(1);
  CCSprite* child = sprite(2);
  CCSprite* grandchild = sprite(3);
  a->addChild(child);
  child->addChild(grandchild);
  batch_->addChild(a);
  ASSERT_THAT(atlasOrder(), ElementsAre(1, 2, 3));

  Ref<CCSprite> held = a;
  batch_->removeAllChildrenWithCleanup(true);
  EXPECT_EQ(0u, batch_->textureAtlas()->totalQuads());
  EXPECT_EQ(0u, batch_->descendants()->count());
  for (CCSprite* s : {a, child, grandchild}) EXPECT_TRUE(selfRendered(s));
  grandchild->setColor(ccc3(9, 9, 9));  // no atlas to write to
  EXPECT_EQ(0u, batch_->textureAtlas()->totalQuads());

  // A batch node that goes first leaves its sprites in self-render mode.
  batch_->addChild(a);
  batch_ = nullptr;
  EXPECT_TRUE(selfRendered(a));
  EXPECT_TRUE(selfRendered(grandchild));
  a->setPosition(CGPointMake(1, 1));
  grandchild->setColor(ccc3(1, 1, 1));
}

TEST_F(CCSpriteBatchNodeTest, MisuseAssertsAndChangesNothing) {
  testing_support::AssertionRecorder assertions;
  CCSprite* a = sprite(1);
  batch_->addChild(a);
  batch_->addChild(CCNode::node());
  a->addChild(CCNode::node());
  batch_->removeChild(sprite(2), true);
  batch_->reorderChild(sprite(3), 1);
  batch_->addChild(a);  // already a child
  EXPECT_THAT(assertions.messages(),
              ElementsAre("CCSpriteBatchNode only supports CCSprites as children",
                          "CCSprite only supports CCSprites as children when using CCSpriteBatchNode",
                          "CCSpriteBatchNode doesn't contain the sprite. Can't remove it",
                          "Child doesn't belong to Sprite", "child already added. It can't be added again"));
  EXPECT_THAT(atlasOrder(), ElementsAre(1));
  EXPECT_EQ(1u, batch_->children()->count());
  EXPECT_EQ(nullptr, a->children());
}

// [SECTION] Quads in the batch node's space

// The batch-space corners of `s`, computed independently through the node
// transforms of `s` and its sprite ancestors.
std::vector<CGPoint> cornersByNodeTransforms(CCSprite* s, CCNode* batch) {
  CGAffineTransform t = CGAffineTransformIdentity;
  for (CCNode* n = s; n != batch; n = n->parent()) t = CGAffineTransformConcat(t, n->nodeToParentTransform());
  const CGPoint o = s->offsetPositionInPixels();
  const CGSize size = s->textureRectInPixels().size;
  return {CGPointApplyAffineTransform(o, t),
          CGPointApplyAffineTransform(CGPointMake(o.x + size.width, o.y), t),
          CGPointApplyAffineTransform(CGPointMake(o.x, o.y + size.height), t),
          CGPointApplyAffineTransform(CGPointMake(o.x + size.width, o.y + size.height), t)};
}

std::vector<CGPoint> cornersInAtlas(CCSpriteBatchNode* batch, CCSprite* s) {
  const ccV3F_C4B_T2F_Quad& q = batch->textureAtlas()->quads()[s->atlasIndex()];
  return {{q.bl.vertices.x, q.bl.vertices.y},
          {q.br.vertices.x, q.br.vertices.y},
          {q.tl.vertices.x, q.tl.vertices.y},
          {q.tr.vertices.x, q.tr.vertices.y}};
}

testing::AssertionResult cornersNear(const std::vector<CGPoint>& expected, const std::vector<CGPoint>& actual) {
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (std::abs(expected[i].x - actual[i].x) > 1e-3f || std::abs(expected[i].y - actual[i].y) > 1e-3f) {
      return testing::AssertionFailure() << "corner " << i << ": expected " << NSStringFromCGPoint(expected[i])
                                         << ", got " << NSStringFromCGPoint(actual[i]);
    }
  }
  return testing::AssertionSuccess();
}

void updateAll(CCSpriteBatchNode* batch) {
  for (platform::Object* object : *batch->descendants()) static_cast<CCSprite*>(object)->updateTransform();
}

TEST_F(CCSpriteBatchNodeTest, QuadsMatchTheNodeTransformsOfTheSpriteAndItsAncestors) {
  CCSprite* parent = CCSprite::spriteWithTexture(texture_, CGRectMake(0, 0, 10, 6));
  CCSprite* child = CCSprite::spriteWithTexture(texture_, CGRectMake(0, 0, 4, 8));
  parent->setPosition(CGPointMake(30, 20));
  parent->setRotation(30);
  parent->setScaleX(2);
  parent->setScaleY(0.5f);
  child->setPosition(CGPointMake(3, -2));
  child->setRotation(-75);
  child->setScale(1.5f);
  child->setAnchorPoint(CGPointMake(0.25f, 1));
  parent->addChild(child);
  batch_->addChild(parent);
  updateAll(batch_);
  EXPECT_TRUE(cornersNear(cornersByNodeTransforms(parent, batch_), cornersInAtlas(batch_, parent)));
  EXPECT_TRUE(cornersNear(cornersByNodeTransforms(child, batch_), cornersInAtlas(batch_, child)));

  // Moving the parent marks the child dirty as well.
  parent->setPosition(CGPointMake(-5, 7));
  EXPECT_TRUE(child->dirty());
  updateAll(batch_);
  EXPECT_TRUE(cornersNear(cornersByNodeTransforms(child, batch_), cornersInAtlas(batch_, child)));
  EXPECT_FALSE(child->dirty());

  // Translation only: the parent's rotation and scale do not reach the child.
  child->setHonorParentTransform(CC_HONOR_PARENT_TRANSFORM_TRANSLATE);
  child->setDirty(true);
  updateAll(batch_);
  CGAffineTransform expected = CGAffineTransformConcat(
      child->nodeToParentTransform(),
      CGAffineTransformMakeTranslation(parent->positionInPixels().x - parent->anchorPointInPixels().x,
                                       parent->positionInPixels().y - parent->anchorPointInPixels().y));
  const CGPoint o = child->offsetPositionInPixels();
  EXPECT_TRUE(cornersNear({CGPointApplyAffineTransform(o, expected)}, {cornersInAtlas(batch_, child)[0]}));
}

TEST_F(CCSpriteBatchNodeTest, NodeTransformCachesAndBatchFlagsShareALineWithoutTouchingEachOther) {
  CCSprite* batched = sprite(1);
  CCSprite* loose = sprite(2);
  batch_->addChild(batched);
  updateAll(batch_);
  ASSERT_FALSE(batched->dirty());

  // Reading the node's transforms clears the node's caches, never the
  // sprite's own mark.
  batched->setPosition(CGPointMake(12, 5));
  batched->setRotation(30);
  ASSERT_TRUE(batched->dirty());
  const float tx = batched->nodeToParentTransform().tx;
  (void)batched->parentToNodeTransform();
  EXPECT_TRUE(batched->dirty());
  EXPECT_TRUE(batched->usesBatchNode());
  updateAll(batch_);
  EXPECT_FALSE(batched->dirty());
  EXPECT_TRUE(cornersNear(cornersByNodeTransforms(batched, batch_), cornersInAtlas(batch_, batched)));

  // Cleaning the sprite leaves the node's caches to be marked by the next move.
  batched->setPosition(CGPointMake(22, 5));
  EXPECT_FLOAT_EQ(tx + 10, batched->nodeToParentTransform().tx);
  EXPECT_TRUE(batched->dirty());

  // A sprite drawing itself is never marked by its setters.
  loose->setPosition(CGPointMake(3, 4));
  loose->setRotation(45);
  EXPECT_FALSE(loose->dirty());
  EXPECT_FALSE(loose->usesBatchNode());
}

TEST_F(CCSpriteBatchNodeTest, HiddenSpritesWriteAnEmptyQuadAndColoursGoStraightToTheAtlas) {
  CCSprite* parent = sprite(1);
  CCSprite* child = sprite(2);
  parent->setPosition(CGPointMake(10, 10));
  parent->addChild(child);
  batch_->addChild(parent);
  updateAll(batch_);
  ASSERT_NE(0, cornersInAtlas(batch_, child)[3].x);

  parent->setVisible(false);
  updateAll(batch_);
  for (CCSprite* s : {parent, child}) {
    for (CGPoint corner : cornersInAtlas(batch_, s)) EXPECT_TRUE(CGPointEqualToPoint(CGPointZero, corner));
  }

  child->setColor(ccc3(7, 8, 9));
  EXPECT_EQ(7, batch_->textureAtlas()->quads()[child->atlasIndex()].tr.colors.r);
  EXPECT_FALSE(child->dirty()) << "a colour change needs no transform";
}

// [SECTION] Drawing (GL)

class CCSpriteBatchNodeGLTest : public SpriteGLTest {
 protected:
  CCSpriteBatchNode* sheetBatch() {
    writePNG("sheet.png", sheetPicture());
    writeList("sheet.plist", sheetList(2));
    CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist");
    return CCSpriteBatchNode::batchNodeWithFile("sheet.png");
  }
};

TEST_F(CCSpriteBatchNodeGLTest, ManySpritesDrawInOneCall) {
  CCSpriteBatchNode* batch = sheetBatch();
  ASSERT_NE(nullptr, batch);
  ASSERT_NE(nullptr, batch->texture());
  // An 8 x 8 grid of 8 x 8 sprites, red and green alternating.
  for (int i = 0; i < 64; ++i) {
    CCSprite* s = CCSprite::spriteWithSpriteFrameName((i + i / 8) % 2 ? "green.png" : "red.png");
    s->setScale(0.5f);
    s->setPosition(CGPointMake(4 + 8 * (i % 8), 4 + 8 * (i / 8)));
    batch->addChild(s);
  }
  g_drawCalls = 0;
  render(batch);
  EXPECT_EQ(1, g_drawCalls);
  EXPECT_TRUE(colorNear(kRed, pixel(4, 4)));
  EXPECT_TRUE(colorNear(kGreen, pixel(12, 4)));
  EXPECT_TRUE(colorNear(kGreen, pixel(4, 12)));
  EXPECT_TRUE(colorNear(kRed, pixel(60, 60)));

  // The batch node's own transform places the whole batch.
  batch->setPosition(CGPointMake(8, 0));
  render(batch);
  EXPECT_TRUE(colorNear(kBlack, pixel(4, 4)));
  EXPECT_TRUE(colorNear(kRed, pixel(12, 4)));

  // An empty batch draws nothing at all.
  batch->removeAllChildrenWithCleanup(true);
  g_drawCalls = 0;
  render(batch);
  EXPECT_EQ(0, g_drawCalls);
}

TEST_F(CCSpriteBatchNodeGLTest, AMovedSpriteRewritesOnlyItsOwnQuad) {
  CCSpriteBatchNode* batch = sheetBatch();
  std::vector<CCSprite*> sprites;
  for (int i = 0; i < 5; ++i) {
    CCSprite* s = CCSprite::spriteWithSpriteFrameName("blue.png");
    s->setPosition(CGPointMake(8 + 12 * i, 8));
    batch->addChild(s);
    sprites.push_back(s);
  }
  render(batch);

  // Mark every quad; only the moved sprite may write over its mark.
  CCTextureAtlas* atlas = batch->textureAtlas();
  std::vector<ccV3F_C4B_T2F_Quad> marked(atlas->quads(), atlas->quads() + 5);
  for (ccV3F_C4B_T2F_Quad& q : marked) q.tl.vertices.z = 123;
  std::memcpy(atlas->quads(), marked.data(), marked.size() * sizeof(ccV3F_C4B_T2F_Quad));

  sprites[2]->setPosition(CGPointMake(32, 40));
  sprites[2]->setRotation(45);
  render(batch);
  for (std::uint32_t i = 0; i < 5; ++i) {
    const bool unchanged = std::memcmp(&marked[i], &atlas->quads()[i], sizeof(ccV3F_C4B_T2F_Quad)) == 0;
    EXPECT_EQ(i != 2, unchanged) << "quad " << i;
  }
  EXPECT_TRUE(colorNear(kBlue, pixel(32, 40)));
  EXPECT_TRUE(colorNear(kBlack, pixel(32, 8)));
}

TEST_F(CCSpriteBatchNodeGLTest, SpritesOfAnotherTextureAreRefused) {
  CCSpriteBatchNode* batch = sheetBatch();
  CCSprite* stranger = CCSprite::spriteWithTexture(blankTexture(8, 8, CGSizeMake(8, 8)));
  CCSprite* member = CCSprite::spriteWithSpriteFrameName("red.png");
  batch->addChild(member);
  testing_support::AssertionRecorder assertions;
  batch->addChild(stranger);
  member->addChild(stranger);
  EXPECT_THAT(assertions.messages(),
              ElementsAre("CCSprite is not using the same texture id", "CCSprite is not using the same texture id"));
  EXPECT_EQ(1u, batch->descendants()->count());
  EXPECT_EQ(nullptr, stranger->parent());
}

}  // namespace
