// The atlas node and the character-map label on a character map generated
// here, drawn through a headless GL context.

#include "tessera/CCLabelAtlas.h"

#include "SpriteTestSupport.h"
#include "platform/Exception.h"
#include "platform/StringUtils.h"
#include "support/TestSupport.h"
#include "tessera/CCAtlasNode.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace sprite_test;
using platform::Ref;

namespace {

// Twelve 4x4 cells in one row, "./0123456789": '.' red, '/' white, '0'
// green, '1' blue, the other digits yellow. 48x4 pixels: a 64x4 texture.
class CCLabelAtlasTest : public SpriteGLTest {
 protected:
  void SetUp() override {
    SpriteGLTest::SetUp();
    if (IsSkipped()) return;
    Picture digits(48, 4);
    digits.fill(0, 0, 48, 4, kYellow);
    digits.fill(0, 0, 4, 4, kRed);
    digits.fill(4, 0, 4, 4, kWhite);
    digits.fill(8, 0, 4, 4, kGreen);
    digits.fill(12, 0, 4, 4, kBlue);
    writePNG("digits.png", digits);
  }
  // One letter per pixel of row 2, x 0..31: r, g, b, y, '.' for black.
  std::string renderRow(CCNode* node) {
    render(node);
    std::string row;
    for (int x = 0; x < 32; ++x) {
      const Rgba p = pixel(x, 2);
      char letter = '?';
      const std::pair<Rgba, char> palette[] = {{kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {kYellow, 'y'}, {kBlack, '.'}};
      for (const auto& [colour, name] : palette) {
        if (colorNear(colour, p, 40)) letter = name;
      }
      row += letter;
    }
    return row;
  }
  static std::string size(CGSize s) { return platform::formatString("%gx%g", s.width, s.height); }
};

// [SECTION] Cells and layout

TEST_F(CCLabelAtlasTest, ReadoutTextPicksCellsCountedFromTheStartCharacter) {
  CCLabelAtlas* label = CCLabelAtlas::labelWithString("00.0", "digits.png", 4, 4, '.');
  ASSERT_NE(nullptr, label);
  EXPECT_EQ(12, label->itemsPerRow()) << "counted on the 48-pixel image, not the 64-pixel texture";
  EXPECT_EQ(1, label->itemsPerColumn());
  // Texture coordinates divide by the power-of-two width: '0' is cell 2.
  const ccV3F_C4B_T2F_Quad* quads = label->textureAtlas()->quads();
  EXPECT_FLOAT_EQ(8.0f / 64, quads[0].tl.texCoords.u);
  EXPECT_FLOAT_EQ(12.0f / 64, quads[0].br.texCoords.u);
  EXPECT_FLOAT_EQ(1.0f, quads[2].bl.texCoords.v);
  EXPECT_EQ("16x4", size(label->contentSizeInPixels()));
  EXPECT_EQ("ggggggggrrrrgggg................", renderRow(label));
}

TEST_F(CCLabelAtlasTest, AtlasGrowsToExactlyALongerTextAndDrawsOnlyTheCurrentOne) {
  CCLabelAtlas* label = CCLabelAtlas::labelAtlasWithString("0", "digits.png", 4, 4, '.');
  label->setString("0101");
  EXPECT_EQ(4u, label->textureAtlas()->capacity());
  EXPECT_EQ("ggggbbbbggggbbbb................", renderRow(label));

  label->setString("1");
  EXPECT_EQ(4u, label->textureAtlas()->capacity()) << "it never shrinks";
  EXPECT_EQ("bbbb............................", renderRow(label)) << "old quads are not drawn";

  label->setString("");
  EXPECT_EQ("0x4", size(label->contentSizeInPixels()));
  EXPECT_EQ("................................", renderRow(label));
}

TEST_F(CCLabelAtlasTest, CellSizesArePointsTimesTheContentScale) {
  ccSetContentScaleFactor(2.0f);
  CCLabelAtlas* label = CCLabelAtlas::labelWithString("12", "digits.png", 2, 2, '.');
  ASSERT_NE(nullptr, label);
  EXPECT_EQ(4, label->itemWidth());
  EXPECT_EQ("8x4", size(label->contentSizeInPixels()));
  EXPECT_EQ("4x2", size(label->contentSize()));
}

// [SECTION] Colour, blending and failures

TEST_F(CCLabelAtlasTest, OpacityScalesTheColourOnlyForPremultipliedTextures) {
  CCLabelAtlas* label = CCLabelAtlas::labelWithString("0", "digits.png", 4, 4, '.');
  EXPECT_EQ((ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}), label->blendFunc());
  label->setColor(ccc3(200, 100, 50));
  label->setOpacity(128);
  EXPECT_EQ(ccc3(100, 50, 25), label->displayedColor());
  EXPECT_EQ(ccc3(200, 100, 50), label->color());

  // Straight alpha: blend by alpha; opacity no longer touches the colour.
  label->setTexture(blankTexture(64, 4, CGSizeMake(48, 4)));
  EXPECT_FALSE(label->doesOpacityModifyRGB());
  EXPECT_EQ((ccBlendFunc{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}), label->blendFunc());
  label->setOpacity(10);
  EXPECT_EQ(ccc3(100, 50, 25), label->displayedColor());
}

TEST_F(CCLabelAtlasTest, AbstractBaseAndMissingFileInvalid) {
  CCAtlasNode* node = CCAtlasNode::atlasWithTileFile("digits.png", 4, 4, 1);
  ASSERT_NE(nullptr, node);
  try {
    node->updateAtlasValues();
    ADD_FAILURE() << "no exception";
  } catch (const platform::Exception& e) {
    EXPECT_EQ("CCAtlasNode:Abstract", e.name());
    EXPECT_EQ("updateAtlasValue not overriden", e.reason());
  }
  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, CCLabelAtlas::labelWithString("0", "missing.png", 4, 4, '.'));
}

}  // namespace
