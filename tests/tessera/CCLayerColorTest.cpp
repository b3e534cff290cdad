#include "tessera/CCLayerColor.h"

#include "tessera/CCDirector.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/ccMacros.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>

using testing::ElementsAre;
using testing::Optional;

namespace {

using Colors = std::array<GLubyte, 16>;

Colors flat(GLubyte r, GLubyte g, GLubyte b, GLubyte a) { return {r, g, b, a, r, g, b, a, r, g, b, a, r, g, b, a}; }
// Grey level and alpha per vertex: bottom-left, bottom-right, top-left, top-right.
Colors greys(std::array<GLubyte, 4> level, std::array<GLubyte, 4> alpha) {
  Colors colors{};
  for (int v = 0; v < 4; ++v) {
    colors[v * 4] = colors[v * 4 + 1] = colors[v * 4 + 2] = level[v];
    colors[v * 4 + 3] = alpha[v];
  }
  return colors;
}

class CCLayerColorTest : public testing::Test {
 protected:
  // Made first: making the director resets the content scale factor.
  void SetUp() override { CCDirector::sharedDirector(); }
  void TearDown() override {
    CCDirector::purgeSharedDirector();
    ccSetContentScaleFactor(1.0f);
  }
};
using CCLayerGradientTest = CCLayerColorTest;

// [SECTION] Colour layer

TEST_F(CCLayerColorTest, ArraysHoldThePixelRectangleAndOneColourPerVertex) {
  ccSetContentScaleFactor(2.0f);
  CCLayerColor* layer = CCLayerColor::layerWithColor(ccc4(10, 20, 30, 40), 100, 50);
  EXPECT_THAT(layer->squareVertices(), ElementsAre(0, 0, 200, 0, 0, 100, 200, 100));
  EXPECT_EQ(layer->squareColors(), flat(10, 20, 30, 40));
  layer->setOpacity(7);
  EXPECT_EQ(layer->squareColors(), flat(10, 20, 30, 7));
  layer->setColor(ccc3(1, 2, 3));
  EXPECT_EQ(layer->squareColors(), flat(1, 2, 3, 7));
}

TEST_F(CCLayerColorTest, SizeChangesRewriteTheVerticesEvenForTheSameSize) {
  CCLayerColor* layer = CCLayerColor::layerWithColor(ccc4(0, 0, 0, 255), 30, 20);
  layer->changeWidth(40);
  layer->changeHeight(10);
  EXPECT_THAT(layer->squareVertices(), ElementsAre(0, 0, 40, 0, 0, 10, 40, 10));
  ccSetContentScaleFactor(2.0f);
  layer->changeWidth(40, 10);  // the node ignores it; the vertices follow the factor
  EXPECT_THAT(layer->squareVertices(), ElementsAre(0, 0, 80, 0, 0, 20, 80, 20));
}

TEST_F(CCLayerColorTest, BlendChoiceLeavesOpaqueDefaultAloneAndBlendsTranslucentByAlpha) {
  const ccBlendFunc premultiplied{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}, halfDefault{GL_ONE, GL_ONE};
  const ccBlendFunc byAlpha{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, additive{GL_SRC_ALPHA, GL_ONE};
  EXPECT_EQ(CCLayerColor::blendFuncForDrawing(premultiplied, 255), std::nullopt);
  EXPECT_THAT(CCLayerColor::blendFuncForDrawing(premultiplied, 128), Optional(byAlpha));
  EXPECT_THAT(CCLayerColor::blendFuncForDrawing(premultiplied, 0), Optional(byAlpha));
  EXPECT_THAT(CCLayerColor::blendFuncForDrawing(additive, 128), Optional(additive));
  EXPECT_THAT(CCLayerColor::blendFuncForDrawing(halfDefault, 255), Optional(halfDefault));
}

// [SECTION] Gradient corner colours

TEST_F(CCLayerGradientTest, WhiteToBlackWeighsTheCornersAlongTheVector) {
  // Top: 255 (sqrt2 + 1) / (2 sqrt2) = 217.6; bottom: 255 (sqrt2 - 1) / (2 sqrt2) = 37.3.
  CCLayerGradient* layer = CCLayerGradient::layerWithColor(ccc4(255, 255, 255, 255), ccc4(0, 0, 0, 255));
  EXPECT_EQ(layer->squareColors(), greys({37, 37, 217, 217}, {255, 255, 255, 255}));
  layer->setVector(CGPointMake(0, -25));  // only the direction counts
  EXPECT_EQ(layer->squareColors(), greys({37, 37, 217, 217}, {255, 255, 255, 255}));
  layer->setVector(CGPointMake(1, 0));  // start on the left
  EXPECT_EQ(layer->squareColors(), greys({217, 37, 217, 37}, {255, 255, 255, 255}));
}

TEST_F(CCLayerGradientTest, ZeroVectorDrawsFlatInTheStartColourAtTheLayerOpacity) {
  // The inherited factory builds a gradient with no direction yet.
  CCLayerGradient* layer = CCLayerGradient::layerWithColor(ccc4(1, 2, 3, 4), 10, 10);
  EXPECT_STREQ(layer->className(), "CCLayerGradient");
  layer->setEndColor(ccc3(255, 255, 255));
  layer->setEndOpacity(50);
  EXPECT_EQ(layer->squareColors(), flat(1, 2, 3, 4));
  layer->setVector(CGPointMake(0, 1));
  EXPECT_EQ(layer->squareColors()[0], 38) << "bottom-left: 255 + (1 - 255) * 0.8536";
}

TEST_F(CCLayerGradientTest, MasterOpacityScalesStartAndEndOpacity) {
  // o = 128/255: start alpha trunc(200 o) = 100, end trunc(100 o) = 50;
  // top trunc(50 + 50 * 0.8536) = 92, bottom trunc(50 + 50 * 0.1464) = 57.
  CCLayerGradient* layer = CCLayerGradient::layerWithColor(ccc4(0, 0, 0, 200), ccc4(0, 0, 0, 100));
  layer->setOpacity(128);
  EXPECT_EQ(layer->squareColors(), greys({0, 0, 0, 0}, {57, 57, 92, 92}));
  layer->setOpacity(255);
  layer->setStartOpacity(0);
  layer->setEndOpacity(255);
  layer->setStartColor(ccc3(255, 255, 255));
  EXPECT_EQ(layer->squareColors(), greys({37, 37, 217, 217}, {217, 217, 37, 37}));
}

}  // namespace
