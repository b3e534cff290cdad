// Grids: mesh and tile layout, reuse, flipping, failures, projection steps,
// and pixels drawn through the real director (a node drawn through an
// undeformed grid looks as without one; moved vertices bend the picture;
// tiles moved apart leave gaps).
//
// Pictures compare a frame drawn through a grid with the same scene drawn
// without one. The grid samples its texture through the 3-D projection,
// which shows 0.16 % more than one unit per pixel about the centre, so a
// pixel on a colour edge may be a blend of its neighbours: each pixel must
// lie within the range of the 3 x 3 neighbourhood of the plain frame, and
// flat areas must match exactly.

#include "OffscreenTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"
#include "tessera/CCGrabber.h"
#include "tessera/CCGrid3D.h"
#include "tessera/CCGridBase.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCTiledGrid3D.h"

#include <GLES/glext.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

using offscreen_test::Frame;
using offscreen_test::Rgba;
using platform::Ref;

namespace {

constexpr Rgba kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255},
               kWhite = {255, 255, 255, 255}, kBlack = {0, 0, 0, 255};

bool sameVertex(const ccVertex3F& a, const ccVertex3F& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

GLint boundFramebuffer() {
  GLint name = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &name);
  return name;
}

std::array<GLfloat, 16> matrix(GLenum which) {
  std::array<GLfloat, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

// Pixels of `actual` outside the colour range of the 3 x 3 neighbourhood of
// the same place in `expected` (by more than 2 per channel).
int pixelsOutsideNeighbourhood(const Frame& expected, const Frame& actual) {
  int outside = 0;
  for (int y = 1; y + 1 < expected.height; ++y) {
    for (int x = 1; x + 1 < expected.width; ++x) {
      const Rgba a = actual.at(x, y);
      for (int c = 0; c < 3; ++c) {
        int low = 255, high = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int v = expected.at(x + dx, y + dy)[c];
            low = std::min(low, v), high = std::max(high, v);
          }
        }
        if (a[c] < low - 2 || a[c] > high + 2) {
          ++outside;
          break;
        }
      }
    }
  }
  return outside;
}

class CCGridTest : public offscreen_test::OffscreenTest {
 protected:
  static Ref<CCTexture2D> textureWithContent(unsigned side, CGSize content,
                                             CCTexture2DPixelFormat format = kCCTexture2DPixelFormat_RGBA8888) {
    std::vector<std::uint8_t> zero(static_cast<std::size_t>(side) * side * 4, 0);
    auto texture = Ref<CCTexture2D>::adopt(new CCTexture2D());
    EXPECT_TRUE(texture->initWithData(zero.data(), format, side, side, content));
    return texture;
  }

  // A picture of four colours (red bottom left, green bottom right, blue top
  // left, white top right) 200 x 200 pixels about `centre`, on a container
  // node that may carry a grid.
  CCNode* quadrantPicture(CGPoint centre = CGPointMake(160, 240)) {
    CCNode* container = CCNode::node();
    CCSprite* sprite = CCSprite::spriteWithTexture(textureOf(200, 200, [](int x, int y) {
      return y < 100 ? (x < 100 ? kRed : kGreen) : (x < 100 ? kBlue : kWhite);
    }));
    sprite->setPosition(centre);
    container->addChild(sprite);
    scene()->addChild(container);
    return container;
  }
};

// [SECTION] Mesh and tile layout

TEST_F(CCGridTest, Grid3DOneCellCoversTheContentWithTwoTriangles) {
  Ref<CCTexture2D> texture = textureWithContent(512, CGSizeMake(480, 320));
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(1, 1), texture.get(), false);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->step().x, 480.0f);
  EXPECT_EQ(grid->step().y, 320.0f);
  const std::vector<ccVertex3F> want = {{0, 0, 0}, {0, 320, 0}, {480, 0, 0}, {480, 320, 0}};
  ASSERT_EQ(grid->vertices().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(sameVertex(grid->vertices()[i], want[i])) << "vertex " << i;
  EXPECT_EQ(grid->indices(), (std::vector<GLushort>{0, 2, 1, 2, 3, 1}));
  EXPECT_FLOAT_EQ(grid->texCoordinates()[3].u, 0.9375f);
  EXPECT_FLOAT_EQ(grid->texCoordinates()[3].v, 0.625f);
  EXPECT_FALSE(grid->active());
  EXPECT_EQ(grid->texture(), texture.get());
}

TEST_F(CCGridTest, Grid3DCornersIndexByColumnThenRow) {
  Ref<CCTexture2D> texture = textureWithContent(512, CGSizeMake(480, 320));
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(2, 3), texture.get(), false);
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->vertices().size(), 12u);
  EXPECT_EQ(grid->indices().size(), 36u);
  grid->setVertex(ccg(1, 2), ccVertex3F{1, 2, 3});
  EXPECT_TRUE(sameVertex(grid->vertices()[6], ccVertex3F{1, 2, 3}));
  EXPECT_TRUE(sameVertex(grid->vertex(ccg(1, 2)), ccVertex3F{1, 2, 3}));
  // The undeformed copy keeps the place: step (240, 320/3).
  EXPECT_TRUE(sameVertex(grid->originalVertex(ccg(1, 2)), ccVertex3F{240, 320.0f / 3 * 2, 0}));
  // Cell (1, 0) is cell number 1: corners a = 4, b = 8, c = 9, d = 5.
  const std::vector<GLushort> cell(grid->indices().begin() + 6, grid->indices().begin() + 12);
  EXPECT_EQ(cell, (std::vector<GLushort>{4, 8, 5, 8, 9, 5}));
}

TEST_F(CCGridTest, TiledGridStoresTilesByColumnThenRowAsSeparateQuads) {
  Ref<CCTexture2D> texture = textureWithContent(512, CGSizeMake(480, 320));
  CCTiledGrid3D* grid = CCTiledGrid3D::gridWithSize(ccg(2, 2), texture.get(), false);
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->vertices().size(), 4u);
  const ccQuad3 tile = grid->vertices()[2];
  EXPECT_TRUE(sameVertex(tile.bl, ccVertex3F{240, 0, 0}));
  EXPECT_TRUE(sameVertex(tile.br, ccVertex3F{480, 0, 0}));
  EXPECT_TRUE(sameVertex(tile.tl, ccVertex3F{240, 160, 0}));
  EXPECT_TRUE(sameVertex(tile.tr, ccVertex3F{480, 160, 0}));
  const std::vector<GLushort> quad(grid->indices().begin() + 12, grid->indices().begin() + 18);
  EXPECT_EQ(quad, (std::vector<GLushort>{8, 9, 10, 9, 10, 11}));
  EXPECT_FLOAT_EQ(grid->texCoordinates()[2][3].u, 480.0f / 512);
  EXPECT_FLOAT_EQ(grid->texCoordinates()[2][3].v, 160.0f / 512);

  ccQuad3 moved = tile;
  moved.tr.z = 7;
  grid->setTile(ccg(1, 0), moved);
  EXPECT_EQ(grid->tile(ccg(1, 0)).tr.z, 7.0f);
  EXPECT_EQ(grid->originalTile(ccg(1, 0)).tr.z, 0.0f);
}

TEST_F(CCGridTest, ReuseAdoptsTheDeformationOnlyWhileReuseGridIsPositive) {
  Ref<CCTexture2D> texture = textureWithContent(512, CGSizeMake(480, 320));
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(2, 2), texture.get(), false);
  CCTiledGrid3D* tiles = CCTiledGrid3D::gridWithSize(ccg(2, 2), texture.get(), false);
  ASSERT_TRUE(grid && tiles);
  grid->setVertex(ccg(1, 1), ccVertex3F{1, 1, 1});
  ccQuad3 quad{};
  tiles->setTile(ccg(1, 1), quad);

  grid->reuse();
  tiles->reuse();
  EXPECT_TRUE(sameVertex(grid->originalVertex(ccg(1, 1)), ccVertex3F{240, 160, 0}));
  EXPECT_EQ(tiles->originalTile(ccg(1, 1)).tr.x, 480.0f);

  grid->setReuseGrid(1);
  tiles->setReuseGrid(1);
  grid->reuse();
  tiles->reuse();
  EXPECT_TRUE(sameVertex(grid->originalVertex(ccg(1, 1)), ccVertex3F{1, 1, 1}));
  EXPECT_EQ(tiles->originalTile(ccg(1, 1)).tr.x, 0.0f);
  EXPECT_EQ(grid->reuseGrid(), 0);
  EXPECT_EQ(tiles->reuseGrid(), 0);
}

TEST_F(CCGridTest, FlippingRebuildsTheMeshOnlyWhenItChanges) {
  Ref<CCTexture2D> texture = textureWithContent(512, CGSizeMake(480, 320));
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(1, 1), texture.get(), false);
  ASSERT_NE(grid, nullptr);
  grid->setVertex(ccg(0, 0), ccVertex3F{5, 5, 5});
  grid->setIsTextureFlipped(false);
  EXPECT_TRUE(sameVertex(grid->vertex(ccg(0, 0)), ccVertex3F{5, 5, 5})) << "same value rebuilt the mesh";

  grid->setIsTextureFlipped(true);
  EXPECT_TRUE(sameVertex(grid->vertex(ccg(0, 0)), ccVertex3F{0, 0, 0}));
  // Rows from the top: the bottom corner samples the content's last row.
  EXPECT_FLOAT_EQ(grid->texCoordinates()[0].v, 320.0f / 512);
  EXPECT_FLOAT_EQ(grid->texCoordinates()[1].v, 0.0f);

  CCTiledGrid3D* tiles = CCTiledGrid3D::gridWithSize(ccg(1, 2), texture.get(), true);
  ASSERT_NE(tiles, nullptr);
  EXPECT_FLOAT_EQ(tiles->texCoordinates()[0][0].v, 320.0f / 512);  // y 0 -> c - 0
  EXPECT_FLOAT_EQ(tiles->texCoordinates()[0][2].v, 160.0f / 512);  // y 160 -> c - 160
}

TEST_F(CCGridTest, WindowSizedGridUsesAPowerOfTwoTextureOfTheWindow) {
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(4, 6));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->texture()->pixelsWide(), 512u);
  EXPECT_EQ(grid->texture()->pixelsHigh(), 512u);
  EXPECT_EQ(grid->texture()->contentSizeInPixels().width, 320.0f);
  EXPECT_EQ(grid->texture()->contentSizeInPixels().height, 480.0f);
  EXPECT_EQ(grid->step().x, 80.0f);
  EXPECT_EQ(grid->step().y, 80.0f);
  ASSERT_NE(grid->grabber(), nullptr);
  EXPECT_NE(grid->grabber()->fbo(), 0u);

  const std::string text = grid->description();
  EXPECT_EQ(text.rfind("<CCGrid3D = ", 0), 0u) << text;
  EXPECT_NE(text.find(" | Dimensions = 4x6>"), std::string::npos) << text;
}

// [SECTION] Failures

TEST_F(CCGridTest, BaseGridHasNoMeshAndThrowsWhileBuildingIt) {
  Ref<CCTexture2D> texture = textureWithContent(64, CGSizeMake(64, 64));
  try {
    CCGridBase::gridWithSize(ccg(2, 2), texture.get(), false);
    FAIL() << "no exception";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.name(), "GridBase");
    EXPECT_EQ(e.reason(), "Abstract class needs implementation");
  }
  // Nothing leaks (the leak checker) and the texture is only ours again.
  EXPECT_EQ(texture->retainCount(), 1u);
}

TEST_F(CCGridTest, TextureThatCannotBeDrawnIntoThrowsFrameGrabberAndKeepsTheBinding) {
  // An alpha-only texture cannot be a colour attachment.
  Ref<CCTexture2D> mask = textureWithContent(64, CGSizeMake(64, 64), kCCTexture2DPixelFormat_A8);
  const GLint before = boundFramebuffer();
  try {
    testing_support::LogCapture log;
    CCGrid3D::gridWithSize(ccg(2, 2), mask.get(), false);
    FAIL() << "no exception";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.name(), "Frame Grabber");
    EXPECT_EQ(e.reason(), "Could not attach texture to framebuffer");
  }
  EXPECT_EQ(boundFramebuffer(), before);
  EXPECT_EQ(mask->retainCount(), 1u);
}

TEST_F(CCGridTest, SizesWithoutCellsOrBeyondSixteenBitIndicesAreRefused) {
  Ref<CCTexture2D> texture = textureWithContent(64, CGSizeMake(64, 64));
  testing_support::LogCapture log;
  EXPECT_EQ(CCGrid3D::gridWithSize(ccg(0, 3), texture.get(), false), nullptr);
  EXPECT_EQ(CCTiledGrid3D::gridWithSize(ccg(3, -1), texture.get(), false), nullptr);
  EXPECT_EQ(CCGrid3D::gridWithSize(ccg(300, 300), texture.get(), false), nullptr);
  EXPECT_EQ(CCTiledGrid3D::gridWithSize(ccg(200, 200), texture.get(), false), nullptr);
  EXPECT_NE(log.text().find("grid size 0x3"), std::string::npos) << log.text();
  EXPECT_NE(log.text().find("300x300 needs 90601 vertices"), std::string::npos) << log.text();
  // The largest meshes that 16-bit indices reach are fine.
  EXPECT_NE(CCGrid3D::gridWithSize(ccg(255, 255), texture.get(), false), nullptr);
  EXPECT_NE(CCTiledGrid3D::gridWithSize(ccg(128, 128), texture.get(), false), nullptr);
}

// [SECTION] Projection

TEST_F(CCGridTest, DeactivatingRestoresTheDirectorsProjection) {
  director_->setProjection(kCCDirectorProjection2D);
  const auto projection = matrix(GL_PROJECTION_MATRIX);
  const auto modelView = matrix(GL_MODELVIEW_MATRIX);
  {
    CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(2, 2));
    ASSERT_NE(grid, nullptr);
    grid->setActive(true);
    grid->set3DProjection();
    EXPECT_NE(matrix(GL_PROJECTION_MATRIX), projection);
    grid->setActive(false);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelView);
  }
  // Destroying a grid deactivates it too.
  {
    platform::AutoreleasePool pool;
    CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(2, 2));
    ASSERT_NE(grid, nullptr);
    grid->set3DProjection();
    EXPECT_NE(matrix(GL_PROJECTION_MATRIX), projection);
  }
  EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
}

TEST_F(CCGridTest, LandscapeTurnsAboutTheDisplayCentreOnlyInTurnedOrientations) {
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(1, 1));
  ASSERT_NE(grid, nullptr);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  grid->applyLandscape();
  std::array<GLfloat, 16> identity{};
  identity[0] = identity[5] = identity[10] = identity[15] = 1;
  EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity);

  // Landscape right on the 320 x 480 display: (0, 0) moves by (-240, -160),
  // turns a quarter anticlockwise to (160, -240), then moves by (160, 240).
  director_->setDeviceOrientation(kCCDeviceOrientationLandscapeRight);
  glLoadIdentity();
  grid->applyLandscape();
  const auto m = matrix(GL_MODELVIEW_MATRIX);
  EXPECT_NEAR(m[12], 320.0f, 1e-3f);
  EXPECT_NEAR(m[13], 0.0f, 1e-3f);
  EXPECT_NEAR(m[1], 1.0f, 1e-6f);  // x axis turned onto y

  // Landscape left turns the other way: (0, 0) lands at (0, 480).
  director_->setDeviceOrientation(kCCDeviceOrientationLandscapeLeft);
  glLoadIdentity();
  grid->applyLandscape();
  const auto left = matrix(GL_MODELVIEW_MATRIX);
  EXPECT_NEAR(left[12], 0.0f, 1e-3f);
  EXPECT_NEAR(left[13], 480.0f, 1e-3f);
  EXPECT_NEAR(left[1], -1.0f, 1e-6f);

  // Upside down: a half turn about the centre, (0, 0) lands at (320, 480).
  director_->setDeviceOrientation(kCCDeviceOrientationPortraitUpsideDown);
  glLoadIdentity();
  grid->applyLandscape();
  const auto flipped = matrix(GL_MODELVIEW_MATRIX);
  EXPECT_NEAR(flipped[12], 320.0f, 1e-3f);
  EXPECT_NEAR(flipped[13], 480.0f, 1e-3f);
  EXPECT_NEAR(flipped[0], -1.0f, 1e-6f);
  director_->setDeviceOrientation(kCCDeviceOrientationPortrait);
}

// [SECTION] Pixels

TEST_F(CCGridTest, UndeformedGridDrawsTheNodeAsWithoutAGrid) {
  CCNode* picture = quadrantPicture();
  glClearColor(0.2f, 0.2f, 0.2f, 1.0f);  // the grabber clears to black: this must survive it
  const Rgba grey = {51, 51, 51, 255};
  const Frame plain = drawFrame();
  ASSERT_TRUE(offscreen_test::near(plain.at(110, 190), kRed, 0));

  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(4, 4));
  ASSERT_NE(grid, nullptr);
  picture->setGrid(grid);
  grid->setActive(true);
  const Frame gridded = drawFrame();

  EXPECT_EQ(pixelsOutsideNeighbourhood(plain, gridded), 0);
  // Flat areas are the same colours, the right way up.
  for (const auto& [x, y, color] : std::vector<std::tuple<int, int, Rgba>>{
           {110, 190, kRed}, {210, 190, kGreen}, {110, 290, kBlue}, {210, 290, kWhite}, {20, 20, grey}}) {
    EXPECT_TRUE(offscreen_test::near(gridded.at(x, y), color, 0, 3)) << x << "," << y;
  }
  EXPECT_TRUE(offscreen_test::near(gridded.at(5, 470), grey, 0));

  grid->setActive(false);
  const Frame after = drawFrame();
  EXPECT_EQ(after.rgba, plain.rgba);
}

TEST_F(CCGridTest, UndeformedGridDrawsTheNodeAsWithoutAGridInTurnedOrientations) {
  for (int orientation : {kCCDeviceOrientationLandscapeLeft, kCCDeviceOrientationLandscapeRight,
                          kCCDeviceOrientationPortraitUpsideDown}) {
    director_->setDeviceOrientation(orientation);
    const CGSize size = director_->winSize();
    // Off centre, so that a wrong turn cannot map the picture onto itself.
    CCNode* picture = quadrantPicture(CGPointMake(size.width / 2 - 30, size.height / 2 + 20));
    const Frame plain = drawFrame();
    CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(3, 3));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->texture()->contentSizeInPixels().width, size.width);
    picture->setGrid(grid);
    grid->setActive(true);
    const Frame gridded = drawFrame();
    EXPECT_EQ(pixelsOutsideNeighbourhood(plain, gridded), 0) << "orientation " << orientation;
    scene()->removeChild(picture, true);
  }
}

TEST_F(CCGridTest, MovedVerticesBendThePicture) {
  CCNode* picture = quadrantPicture();
  CCGrid3D* grid = CCGrid3D::gridWithSize(ccg(2, 2));
  ASSERT_NE(grid, nullptr);
  picture->setGrid(grid);
  grid->setActive(true);
  const Frame straight = drawFrame();
  EXPECT_TRUE(offscreen_test::near(straight.at(185, 230), kGreen, 0, 3));

  // The centre vertex is where the four colours meet; moving it right by 50
  // pixels drags the left half of the picture along.
  ccVertex3F centre = grid->vertex(ccg(1, 1));
  ASSERT_TRUE(sameVertex(centre, ccVertex3F{160, 240, 0}));
  centre.x += 50;
  grid->setVertex(ccg(1, 1), centre);
  const Frame bent = drawFrame();
  EXPECT_TRUE(offscreen_test::near(bent.at(185, 230), kRed, 0, 3));
  EXPECT_TRUE(offscreen_test::near(bent.at(185, 250), kBlue, 0, 3));
  // Far from the moved vertex nothing changes.
  EXPECT_TRUE(offscreen_test::near(bent.at(70, 150), kRed, 0, 3));
  EXPECT_TRUE(offscreen_test::near(bent.at(250, 330), kWhite, 0, 3));
}

TEST_F(CCGridTest, TilesMovedApartLeaveGaps) {
  CCNode* picture = CCNode::node();
  picture->addChild(CCLayerColor::layerWithColor(ccc4(255, 255, 255, 255)));
  scene()->addChild(picture);
  CCTiledGrid3D* grid = CCTiledGrid3D::gridWithSize(ccg(2, 2));
  ASSERT_NE(grid, nullptr);
  picture->setGrid(grid);
  grid->setActive(true);
  const Frame whole = drawFrame();
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{160, 100}, {160, 400}, {80, 240}, {240, 240}}) {
    EXPECT_TRUE(offscreen_test::near(whole.at(x, y), kWhite, 0, 3)) << x << "," << y;
  }

  // Every tile moves 10 pixels away from the centre.
  for (int x = 0; x < 2; ++x) {
    for (int y = 0; y < 2; ++y) {
      ccQuad3 quad = grid->originalTile(ccg(x, y));
      const float dx = x == 0 ? -10.0f : 10.0f, dy = y == 0 ? -10.0f : 10.0f;
      for (ccVertex3F* corner : {&quad.bl, &quad.br, &quad.tl, &quad.tr}) corner->x += dx, corner->y += dy;
      grid->setTile(ccg(x, y), quad);
    }
  }
  const Frame apart = drawFrame();
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{160, 100}, {160, 400}, {80, 240}, {240, 240}}) {
    EXPECT_TRUE(offscreen_test::near(apart.at(x, y), kBlack, 0, 3)) << "no gap at " << x << "," << y;
  }
  EXPECT_TRUE(offscreen_test::near(apart.at(80, 100), kWhite, 0, 3));
  EXPECT_TRUE(offscreen_test::near(apart.at(240, 400), kWhite, 0, 3));
}

}  // namespace
