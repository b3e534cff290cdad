#include "tessera/CCTextureAtlas.h"

#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"
#include "tessera/CCTexture2D.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::Ref;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

// [SECTION] Quads by name

// A quad marked with `id` in every vertex's z, so moves can be followed.
ccV3F_C4B_T2F_Quad quadNamed(int id) {
  ccV3F_C4B_T2F_Quad quad{};
  for (ccV3F_C4B_T2F* vertex : {&quad.tl, &quad.bl, &quad.tr, &quad.br}) vertex->vertices.z = static_cast<float>(id);
  return quad;
}

// The ids of the used quads, in order.
std::vector<int> ids(const CCTextureAtlas* atlas) {
  std::vector<int> out;
  for (unsigned int i = 0; i < atlas->totalQuads(); ++i) out.push_back(static_cast<int>(atlas->quads()[i].tl.vertices.z));
  return out;
}

// An atlas without a texture holding quads named 1, 2, ... (A, B, ...).
Ref<CCTextureAtlas> atlasWith(unsigned int capacity, int count) {
  Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(nullptr, capacity);
  for (int i = 0; i < count; ++i) {
    const ccV3F_C4B_T2F_Quad quad = quadNamed(i + 1);
    atlas->updateQuad(&quad, static_cast<unsigned int>(i));
  }
  return atlas;
}

constexpr int A = 1, B = 2, C = 3, D = 4, X = 9;

// [SECTION] Capacity and indices

TEST(CCTextureAtlasTest, ResizeKeepsTheLeadingQuadsAndRebuildsIndices) {
  Ref<CCTextureAtlas> atlas = atlasWith(3, 3);
  EXPECT_THAT(std::vector<GLushort>(atlas->indices(), atlas->indices() + 18),
              ElementsAre(0, 1, 2, 3, 2, 1, 4, 5, 6, 7, 6, 5, 8, 9, 10, 11, 10, 9));
  ASSERT_TRUE(atlas->resizeCapacity(2));
  EXPECT_THAT(ids(atlas), ElementsAre(A, B)) << "cut to the new capacity";
  ASSERT_TRUE(atlas->resizeCapacity(kCCTextureAtlasMaxCapacity));
  EXPECT_THAT(ids(atlas), ElementsAre(A, B));
  const GLushort* last = atlas->indices() + 6 * (kCCTextureAtlasMaxCapacity - 1);
  EXPECT_THAT(std::vector<GLushort>(last, last + 6), ElementsAre(65532, 65533, 65534, 65535, 65534, 65533));
  ASSERT_TRUE(atlas->resizeCapacity(0));
  EXPECT_TRUE(atlas->capacity() == 0 && atlas->totalQuads() == 0 && atlas->quads() == nullptr);
  ASSERT_TRUE(atlas->resizeCapacity(1)) << "grows again from nothing";
  EXPECT_THAT(atlas->description(), testing::MatchesRegex("<CCTextureAtlas = [0-9A-F]{8,} \\| totalQuads = 0>"));

  testing_support::AssertionRecorder assertions;
  EXPECT_EQ(nullptr, CCTextureAtlas::textureAtlasWithTexture(nullptr, kCCTextureAtlasMaxCapacity + 1));
  EXPECT_FALSE(atlas->resizeCapacity(kCCTextureAtlasMaxCapacity + 1));
  EXPECT_EQ(1u, atlas->capacity()) << "a refused resize changes nothing";
  ASSERT_EQ(2u, assertions.messages().size());
  EXPECT_THAT(assertions.messages()[0], testing::HasSubstr("16384"));
  EXPECT_THAT(assertions.files()[0], testing::HasSubstr("libs/tessera/CCTextureAtlas"));
}

TEST(CCTextureAtlasTest, ARaisedLimitAllowsMoreQuadsThanOneDrawCallIndexes) {
  Ref<CCTextureAtlas> atlas = atlasWith(4, 2);
  atlas->setCapacityLimit(kCCTextureAtlasLargestCapacity + 1);
  EXPECT_EQ(kCCTextureAtlasLargestCapacity, atlas->capacityLimit()) << "clamped";
  ASSERT_TRUE(atlas->resizeCapacity(kCCTextureAtlasMaxCapacity * 2 + 1));
  EXPECT_THAT(ids(atlas), ElementsAre(A, B));
  // The indices cover one block; every block reuses them.
  const GLushort* last = atlas->indices() + 6 * (kCCTextureAtlasMaxCapacity - 1);
  EXPECT_THAT(std::vector<GLushort>(last, last + 6), ElementsAre(65532, 65533, 65534, 65535, 65534, 65533));
  const ccV3F_C4B_T2F_Quad x = quadNamed(X);
  atlas->updateQuad(&x, kCCTextureAtlasMaxCapacity * 2);
  EXPECT_EQ(kCCTextureAtlasMaxCapacity * 2 + 1, atlas->totalQuads());

  testing_support::AssertionRecorder assertions;
  atlas->setCapacityLimit(kCCTextureAtlasMaxCapacity);
  EXPECT_FALSE(atlas->resizeCapacity(kCCTextureAtlasMaxCapacity + 1)) << "back to the default limit";
  EXPECT_EQ(kCCTextureAtlasMaxCapacity * 2 + 1, atlas->capacity()) << "what is allocated stays";
  EXPECT_EQ(1u, assertions.messages().size());
}

// [SECTION] Moving quads

TEST(CCTextureAtlasTest, UpdateBeyondTheEndExtendsTheUsedRange) {
  Ref<CCTextureAtlas> atlas = atlasWith(10, 0);
  const ccV3F_C4B_T2F_Quad x = quadNamed(X);
  atlas->updateQuad(&x, 5);
  EXPECT_THAT(ids(atlas), ElementsAre(0, 0, 0, 0, 0, X)) << "skipped entries keep their (zero) bytes";
  atlas->updateQuad(&x, 1);
  EXPECT_EQ(6u, atlas->totalQuads());
}

// Each edit of A, B, C, D (in an atlas of 6) and the order it leaves.
TEST(CCTextureAtlasTest, InsertMoveAndRemoveKeepTheQuadsPacked) {
  const ccV3F_C4B_T2F_Quad x = quadNamed(X);
  struct Case {
    const char* what;
    void (*edit)(CCTextureAtlas*, const ccV3F_C4B_T2F_Quad*);
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"insert at 0", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad* q) { a->insertQuad(q, 0); }, {X, A, B, C, D}},
      {"insert at 2", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad* q) { a->insertQuad(q, 2); }, {A, B, X, C, D}},
      {"insert at end", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad* q) { a->insertQuad(q, 4); }, {A, B, C, D, X}},
      {"move 3 to 0", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->insertQuadFromIndex(3, 0); }, {D, A, B, C}},
      {"move 0 to 3", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->insertQuadFromIndex(0, 3); }, {B, C, D, A}},
      {"move 1 to 2", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->insertQuadFromIndex(1, 2); }, {A, C, B, D}},
      {"move 2 to 2", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->insertQuadFromIndex(2, 2); }, {A, B, C, D}},
      {"remove 1", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->removeQuadAtIndex(1); }, {A, C, D}},
      {"remove last", [](CCTextureAtlas* a, const ccV3F_C4B_T2F_Quad*) { a->removeQuadAtIndex(3); }, {A, B, C}},
  };
  for (const Case& c : cases) {
    Ref<CCTextureAtlas> atlas = atlasWith(6, 4);
    c.edit(atlas, &x);
    EXPECT_THAT(ids(atlas), ElementsAreArray(c.expected)) << c.what;
  }
  Ref<CCTextureAtlas> atlas = atlasWith(4, 3);
  atlas->removeQuadAtIndex(1);
  EXPECT_EQ(C, static_cast<int>(atlas->quads()[2].tl.vertices.z)) << "the vacated entry keeps its bytes";
  atlas->removeAllQuads();
  EXPECT_EQ(0u, atlas->totalQuads());
}

TEST(CCTextureAtlasTest, IndexOutOfRangeInvalid) {
  testing_support::AssertionRecorder assertions;
  Ref<CCTextureAtlas> atlas = atlasWith(3, 2);
  const ccV3F_C4B_T2F_Quad x = quadNamed(X);
  atlas->updateQuad(&x, 3);
  atlas->insertQuad(&x, 3);
  atlas->insertQuadFromIndex(2, 0);
  atlas->insertQuadFromIndex(0, 2);
  atlas->removeQuadAtIndex(2);
  atlas->insertQuad(&x, 0);  // fills the atlas
  atlas->insertQuad(&x, 0);  // one too many
  EXPECT_THAT(assertions.messages(),
              ElementsAre("updateQuadWithTexture: Invalid index", "insertQuadWithTexture: Invalid index",
                          "insertQuadFromIndex:atIndex: Invalid index", "insertQuadFromIndex:atIndex: Invalid index",
                          "removeQuadAtIndex: Invalid index", "invalid totalQuads"));
  EXPECT_THAT(ids(atlas), ElementsAre(X, A, B)) << "refused operations change nothing";
}

// [SECTION] Drawing

// A current ES 1 context drawing into a width x height RGBA frame buffer with
// one unit per pixel and the engine's client arrays on; undone on exit.
class HeadlessTarget {
 public:
  HeadlessTarget(int width, int height) : width_(width), height_(height) {
    context_ = platform::GLContext::contextWithAPI(platform::GLContext::API::ES1);
    if (!context_ || !platform::GLContext::setCurrentContext(context_)) return;
    const platform::GLExtensions& gl = platform::glExtensions();
    gl.glGenFramebuffersOES(1, &framebuffer_);
    gl.glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl.glGenRenderbuffersOES(1, &renderbuffer_);
    gl.glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
    gl.glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    gl.glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer_);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glOrthof(0, static_cast<GLfloat>(width), 0, static_cast<GLfloat>(height), -1, 1);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    ready_ = true;
  }
  ~HeadlessTarget() {
    if (!ready_) return;
    const platform::GLExtensions& gl = platform::glExtensions();
    gl.glDeleteFramebuffersOES(1, &framebuffer_);
    gl.glDeleteRenderbuffersOES(1, &renderbuffer_);
    platform::GLContext::setCurrentContext(nullptr);
  }
  bool ready() const { return ready_; }
  std::vector<uint8_t> pixels() const {
    std::vector<uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
  }

 private:
  Ref<platform::GLContext> context_;
  GLuint framebuffer_ = 0;
  GLuint renderbuffer_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool ready_ = false;
};

// A 1 x 1 white texture.
Ref<CCTexture2D> whiteTexel() {
  const uint8_t white[4] = {255, 255, 255, 255};
  Ref<CCTexture2D> texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
  texture->initWithData(white, kCCTexture2DPixelFormat_RGBA8888, 1, 1, CGSizeMake(1, 1));
  return texture;
}

TEST(CCTextureAtlasGLTest, DrawsOnlyTheLeadingRun) {
  HeadlessTarget target(32, 16);
  if (!target.ready()) GTEST_SKIP() << "no OpenGL ES 1.1 context";
  {
    platform::AutoreleasePool pool;  // the atlas goes while the context is current
    // One white texel, tinted red, green and blue by three 10 × 10 quads side by side.
    Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(whiteTexel(), 3);
    const ccColor4B colours[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    for (unsigned int i = 0; i < 3; ++i) {
      const float left = 10.0f * float(i), right = left + 10;
      const ccV3F_C4B_T2F_Quad quad{{{left, 10, 0}, colours[i], {0, 0}}, {{left, 0, 0}, colours[i], {0, 1}},
                                    {{right, 10, 0}, colours[i], {1, 0}}, {{right, 0, 0}, colours[i], {1, 1}}};
      atlas->updateQuad(&quad, i);
    }
    // The colour at the centre of each quad's square after drawing `count`.
    auto drawn = [&](unsigned int count) {
      glClearColor(0, 0, 0, 0);
      glClear(GL_COLOR_BUFFER_BIT);
      atlas->drawNumberOfQuads(count);
      const std::vector<uint8_t> pixels = target.pixels();
      std::vector<int> centres;
      for (int i = 0; i < 3; ++i) {
        const uint8_t* centre = &pixels[(5 * 32 + 10 * i + 5) * 4];
        for (int channel = 0; channel < 3; ++channel) centres.push_back(centre[channel]);
      }
      return centres;
    };
    EXPECT_THAT(drawn(2), ElementsAre(255, 0, 0, 0, 255, 0, 0, 0, 0));
    EXPECT_THAT(drawn(0), ElementsAre(0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_THAT(drawn(3), ElementsAre(255, 0, 0, 0, 255, 0, 0, 0, 255));
    EXPECT_THAT(drawn(1000), ElementsAre(255, 0, 0, 0, 255, 0, 0, 0, 255)) << "never past the capacity";
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
  }
}

TEST(CCTextureAtlasGLTest, DrawsEveryQuadOfARunLongerThanOneDrawCall) {
  // 5,000 one-pixel quads, one per pixel of an 80 x 64 frame: a software
  // rasteriser gets them in parts, and no part may be lost or shifted.
  constexpr int kWidth = 80, kHeight = 64;
  constexpr unsigned int kQuads = 5000;
  HeadlessTarget target(kWidth, kHeight);
  if (!target.ready()) GTEST_SKIP() << "no OpenGL ES 1.1 context";
  platform::AutoreleasePool pool;
  Ref<CCTextureAtlas> atlas = CCTextureAtlas::textureAtlasWithTexture(whiteTexel(), kQuads);
  const ccColor4B white{255, 255, 255, 255};
  for (unsigned int i = 0; i < kQuads; ++i) {
    const float x = float(i % kWidth), y = float(i / kWidth);
    const ccV3F_C4B_T2F_Quad quad{{{x, y + 1, 0}, white, {0, 0}}, {{x, y, 0}, white, {0, 1}},
                                  {{x + 1, y + 1, 0}, white, {1, 0}}, {{x + 1, y, 0}, white, {1, 1}}};
    atlas->updateQuad(&quad, i);
  }
  for (unsigned int count : {2047u, 2048u, 2049u, 4097u, kQuads}) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    atlas->drawNumberOfQuads(count);
    const std::vector<uint8_t> pixels = target.pixels();
    unsigned int lit = 0, litInOrder = 0;
    for (unsigned int p = 0; p < kWidth * kHeight; ++p) {
      if (pixels[p * 4] != 255) continue;
      ++lit;
      if (p < count) ++litInOrder;
    }
    EXPECT_EQ(lit, count) << "software rasteriser: " << platform::glRendererIsSoftware();
    EXPECT_EQ(litInOrder, count);
  }
  EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

}  // namespace
