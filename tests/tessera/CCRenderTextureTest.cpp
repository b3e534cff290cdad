// Render textures: sizes and the sprite child, drawing other nodes into the
// picture and showing it, reading it back raw, as PNG and as JPEG, saving it
// into the documents folder, nested begin/end, the pixel formats, and the
// failures. Pixels go through the real director (headless, read back).
//
// Pictures drawn by visiting sprites go through the director's 3-D
// projection, which may move an edge by a pixel, so colours are sampled at
// least 3 pixels inside shapes; clears and scissored clears are exact.

#include "OffscreenTestSupport.h"
#include "platform/Exception.h"
#include "platform/Facts.h"
#include "platform/Files.h"
#include "platform/Image.h"
#include "support/TestSupport.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCRenderTexture.h"
#include "tessera/ccMacros.h"

#include <GLES/glext.h>

#include <unistd.h>

#include <filesystem>
#include <string>

using offscreen_test::Frame;
using offscreen_test::Rgba;
using platform::Ref;

namespace {

constexpr Rgba kRed = {255, 0, 0, 255}, kBlue = {0, 0, 255, 255}, kBlack = {0, 0, 0, 255};

GLint boundFramebuffer() {
  GLint name = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &name);
  return name;
}

std::array<GLfloat, 4> clearColor() {
  std::array<GLfloat, 4> c{};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, c.data());
  return c;
}

// Pixel (x, y) of RGBA rows `rgba`, top row first.
Rgba pixel(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
  const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

// Clears the rows [firstRow, firstRow + rows) of the bound frame buffer
// (counted from the bottom) to a colour, exactly.
void clearRows(int firstRow, int rows, int width, float r, float g, float b, float a) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, firstRow, width, rows);
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

// A node that paints a render texture red whenever it is drawn.
class PaintingNode : public CCNode {
  PLATFORM_CLASS(PaintingNode, CCNode)
 public:
  CC_NODE_FACTORY(PaintingNode)
  void draw() override {
    ++draws_;
    canvas_->beginWithClear(1, 0, 0, 1);
    canvas_->end();
  }
  CCRenderTexture* canvas_ = nullptr;  // weak: the test keeps it in its pool
  int draws_ = 0;
};

class CCRenderTextureTest : public offscreen_test::OffscreenTest {
 protected:
  void SetUp() override {
    OffscreenTest::SetUp();
    if (IsSkipped()) return;
    documents_ = std::filesystem::temp_directory_path() /
                 ("render-texture-test-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(documents_);
    std::filesystem::create_directories(documents_);
    platform::facts().documentsDir = documents_.string();
  }
  void TearDown() override {
    OffscreenTest::TearDown();
    if (!documents_.empty()) std::filesystem::remove_all(documents_);
  }

  // A 20 x 10 picture: the bottom 5 rows opaque red, the top 5 half-covered
  // red (premultiplied (128, 0, 0, 128)).
  CCRenderTexture* halfAndHalf() {
    CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(20, 10);
    canvas->begin();
    clearRows(0, 5, 20, 1, 0, 0, 1);
    clearRows(5, 5, 20, 128 / 255.0f, 0, 0, 128 / 255.0f);
    canvas->end();
    return canvas;
  }

  std::filesystem::path documents_;
};

// [SECTION] Creation

TEST_F(CCRenderTextureTest, TextureIsThePowerOfTwoOfThePixelSizeShownUpsideDownBySprite) {
  CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(100, 50);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(canvas->texture()->pixelsWide(), 128u);
  EXPECT_EQ(canvas->texture()->pixelsHigh(), 64u);
  EXPECT_EQ(canvas->texture()->contentSizeInPixels().width, 100.0f);
  EXPECT_EQ(canvas->texture()->contentSizeInPixels().height, 50.0f);
  ASSERT_NE(canvas->sprite(), nullptr);
  EXPECT_EQ(canvas->sprite()->parent(), canvas);
  EXPECT_EQ(canvas->sprite()->texture(), canvas->texture());
  EXPECT_EQ(canvas->sprite()->scaleY(), -1.0f);
  EXPECT_EQ(canvas->sprite()->blendFunc(), (ccBlendFunc{GL_ONE, GL_ONE_MINUS_SRC_ALPHA}));
  EXPECT_NE(canvas->fbo(), 0u);
  // A new picture is transparent black.
  const auto raw = canvas->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
  ASSERT_TRUE(raw);
  EXPECT_EQ(*raw, std::vector<std::uint8_t>(100 * 50 * 4, 0));

  ccSetContentScaleFactor(2.0f);
  CCRenderTexture* sharp = CCRenderTexture::renderTextureWithWidth(100, 50);
  ASSERT_NE(sharp, nullptr);
  EXPECT_EQ(sharp->texture()->pixelsWide(), 256u);
  EXPECT_EQ(sharp->texture()->pixelsHigh(), 128u);
  EXPECT_EQ(sharp->texture()->contentSizeInPixels().width, 200.0f);
  EXPECT_EQ(sharp->texture()->contentSizeInPixels().height, 100.0f);
}

TEST_F(CCRenderTextureTest, EveryColourFormatCanBeDrawnInto) {
  for (int format : {kCCTexture2DPixelFormat_RGBA8888, kCCTexture2DPixelFormat_RGB565,
                     kCCTexture2DPixelFormat_RGBA4444, kCCTexture2DPixelFormat_RGB5A1}) {
    CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(8, 8, format);
    ASSERT_NE(canvas, nullptr) << "format " << format;
    canvas->beginWithClear(0, 0, 1, 1);
    std::uint8_t rgba[4] = {};
    glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    canvas->end();
    EXPECT_EQ((Rgba{rgba[0], rgba[1], rgba[2], rgba[3]}), kBlue) << "format " << format;
  }
}

TEST_F(CCRenderTextureTest, AlphaOnlyFormatFailsTheAssertionAndCannotBeAttached) {
  testing_support::AssertionRecorder assertions;
  testing_support::LogCapture log;
  const GLint before = boundFramebuffer();
  try {
    CCRenderTexture::renderTextureWithWidth(8, 8, kCCTexture2DPixelFormat_A8);
    FAIL() << "no exception";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.name(), "Render Texture");
    EXPECT_EQ(e.reason(), "Could not attach texture to framebuffer");
  }
  ASSERT_EQ(assertions.messages().size(), 1u);
  EXPECT_EQ(assertions.messages()[0], "only RGB and RGBA formats are valid for a render texture");
  EXPECT_EQ(assertions.files()[0], "libs/tessera/CCRenderTexture.cpp");
  EXPECT_EQ(boundFramebuffer(), before) << "left an incomplete frame buffer bound";
}

TEST_F(CCRenderTextureTest, SizesBelowOnePixelOrAboveTheLargestTextureAreRefused) {
  testing_support::LogCapture log;
  EXPECT_EQ(CCRenderTexture::renderTextureWithWidth(0, 10), nullptr);
  EXPECT_EQ(CCRenderTexture::renderTextureWithWidth(10, -4), nullptr);
  EXPECT_EQ(CCRenderTexture::renderTextureWithWidth(1 << 20, 1), nullptr);
  EXPECT_NE(log.text().find("10x-4 points"), std::string::npos) << log.text();
}

// [SECTION] Drawing and showing

TEST_F(CCRenderTextureTest, VisitedSpritesLandInThePictureAndItsSpriteShowsIt) {
  CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(64, 64);
  ASSERT_NE(canvas, nullptr);
  // Red in the bottom left quarter, blue in the top right.
  Ref<CCSprite> red(solidSprite(32, kRed, CGPointMake(16, 16)));
  Ref<CCSprite> blue(solidSprite(32, kBlue, CGPointMake(48, 48)));
  canvas->beginWithClear(0, 0, 0, 0);
  red->visit();
  blue->visit();
  canvas->end();

  const auto raw = canvas->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
  ASSERT_TRUE(raw);
  EXPECT_EQ(pixel(*raw, 64, 8, 56), kRed);    // top row first: bottom left is near the end
  EXPECT_EQ(pixel(*raw, 64, 56, 8), kBlue);
  EXPECT_EQ(pixel(*raw, 64, 56, 56), (Rgba{0, 0, 0, 0}));

  canvas->setPosition(CGPointMake(160, 240));
  scene()->addChild(canvas);
  const Frame frame = drawFrame();
  EXPECT_TRUE(offscreen_test::near(frame.at(160 - 20, 240 - 20), kRed, 0, 3));
  EXPECT_TRUE(offscreen_test::near(frame.at(160 + 20, 240 + 20), kBlue, 0, 3));
  EXPECT_TRUE(offscreen_test::near(frame.at(160 + 20, 240 - 20), kBlack, 0, 3));
  EXPECT_TRUE(offscreen_test::near(frame.at(160 - 40, 240 - 40), kBlack, 0, 3));
}

TEST_F(CCRenderTextureTest, NestedBeginEndRestoresTheOuterFrameBufferAndClearColour) {
  CCRenderTexture* outer = CCRenderTexture::renderTextureWithWidth(16, 16);
  CCRenderTexture* inner = CCRenderTexture::renderTextureWithWidth(16, 16);
  ASSERT_TRUE(outer && inner);
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  const GLint screen = boundFramebuffer();
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);

  outer->beginWithClear(0, 1, 0, 1);
  EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(outer->fbo()));
  inner->beginWithClear(1, 0, 0, 1);
  EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(inner->fbo()));
  inner->end();
  EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(outer->fbo()));
  EXPECT_EQ(clearColor(), (std::array<GLfloat, 4>{0, 1, 0, 1}));
  outer->end();

  EXPECT_EQ(boundFramebuffer(), screen);
  EXPECT_EQ(clearColor(), (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
  GLint after[4] = {};
  glGetIntegerv(GL_VIEWPORT, after);
  EXPECT_EQ(after[2], 320);
  EXPECT_EQ(after[3], 480);
  // Each picture holds its own clear.
  EXPECT_EQ(pixel(*outer->getUIImageAsDataFromBuffer(kCCImageFormatRawData), 16, 4, 4), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(pixel(*inner->getUIImageAsDataFromBuffer(kCCImageFormatRawData), 16, 4, 4), kRed);

  // clear() is a whole begin/end pair.
  outer->clear(0, 0, 1, 1);
  EXPECT_EQ(boundFramebuffer(), screen);
  EXPECT_EQ(clearColor(), (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
  EXPECT_EQ(pixel(*outer->getUIImageAsDataFromBuffer(kCCImageFormatRawData), 16, 4, 4), kBlue);
}

TEST_F(CCRenderTextureTest, DrawingIntoAPictureDuringAFrameLeavesTheScreenAlone) {
  CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(32, 32);
  ASSERT_NE(canvas, nullptr);
  PaintingNode* painter = PaintingNode::node();
  painter->canvas_ = canvas;
  scene()->addChild(painter);
  // Drawn after the painter: lands on the screen only if end() put it back.
  scene()->addChild(CCLayerColor::layerWithColor(ccc4(0, 0, 255, 255), 100, 100));
  glClearColor(0, 0, 0, 1);

  const Frame frame = drawFrame();
  EXPECT_GT(painter->draws_, 0);
  EXPECT_TRUE(offscreen_test::near(frame.at(50, 50), kBlue, 0, 3));
  EXPECT_TRUE(offscreen_test::near(frame.at(200, 300), kBlack, 0, 3)) << "the clear colour leaked";
  const auto raw = canvas->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
  ASSERT_TRUE(raw);
  EXPECT_EQ(pixel(*raw, 32, 16, 16), kRed);
}

// [SECTION] Reading back and saving

TEST_F(CCRenderTextureTest, RawReadBackGivesTheTopRowFirst) {
  CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(4, 2);
  ASSERT_NE(canvas, nullptr);
  canvas->begin();
  clearRows(0, 1, 4, 1, 0, 0, 1);  // bottom row red
  clearRows(1, 1, 4, 0, 0, 1, 1);  // top row blue
  canvas->end();
  const auto raw = canvas->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
  ASSERT_TRUE(raw);
  ASSERT_EQ(raw->size(), 4u * 2 * 4);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(pixel(*raw, 4, x, 0), kBlue);
    EXPECT_EQ(pixel(*raw, 4, x, 1), kRed);
  }
}

TEST_F(CCRenderTextureTest, PngKeepsStraightAlphaAndJpegCompositesOverBlack) {
  CCRenderTexture* canvas = halfAndHalf();
  ASSERT_NE(canvas, nullptr);
  const auto raw = canvas->getUIImageAsDataFromBuffer(kCCImageFormatRawData);
  ASSERT_TRUE(raw);
  EXPECT_EQ(pixel(*raw, 20, 10, 2), (Rgba{128, 0, 0, 128}));

  const auto png = canvas->getUIImageAsDataFromBuffer(kCCImageFormatPNG);
  ASSERT_TRUE(png);
  Ref<platform::Image> fromPng(platform::Image::imageWithData(*png));
  ASSERT_TRUE(fromPng);
  ASSERT_EQ(fromPng->width(), 20);
  ASSERT_EQ(fromPng->height(), 10);
  ASSERT_EQ(fromPng->layout(), platform::PixelLayout::RGBA);
  EXPECT_EQ(pixel(fromPng->pixels(), 20, 10, 2), (Rgba{255, 0, 0, 128}));  // un-premultiplied
  EXPECT_EQ(pixel(fromPng->pixels(), 20, 10, 8), kRed);

  const auto jpeg = canvas->getUIImageAsDataFromBuffer(kCCImageFormatJPG);
  ASSERT_TRUE(jpeg);
  ASSERT_GE(jpeg->size(), 2u);
  EXPECT_EQ((*jpeg)[0], 0xFF);
  EXPECT_EQ((*jpeg)[1], 0xD8);
  Ref<platform::Image> fromJpeg(platform::Image::imageWithData(*jpeg));
  ASSERT_TRUE(fromJpeg);
  EXPECT_TRUE(offscreen_test::near(pixel(fromJpeg->pixels(), 20, 10, 2), Rgba{128, 0, 0, 255}, 3));
  EXPECT_TRUE(offscreen_test::near(pixel(fromJpeg->pixels(), 20, 10, 8), kRed, 3));
  // Any other format number is JPEG too.
  EXPECT_EQ(canvas->getUIImageAsDataFromBuffer(7), jpeg);
}

TEST_F(CCRenderTextureTest, ReadBackOfANonRgba8888PictureFailsTheAssertionAndGivesNothing) {
  CCRenderTexture* canvas = CCRenderTexture::renderTextureWithWidth(8, 8, kCCTexture2DPixelFormat_RGB565);
  ASSERT_NE(canvas, nullptr);
  testing_support::AssertionRecorder assertions;
  EXPECT_FALSE(canvas->getUIImageAsDataFromBuffer(kCCImageFormatPNG));
  EXPECT_FALSE(canvas->saveBuffer("shot.png", kCCImageFormatPNG));
  ASSERT_EQ(assertions.messages().size(), 2u);
  EXPECT_EQ(assertions.messages()[0], "only RGBA8888 can be saved as image");
  EXPECT_FALSE(std::filesystem::exists(documents_ / "shot.png"));
}

TEST_F(CCRenderTextureTest, SaveBufferWritesIntoTheDocumentsFolderAtomically) {
  CCRenderTexture* canvas = halfAndHalf();
  ASSERT_NE(canvas, nullptr);
  ASSERT_TRUE(canvas->saveBuffer("shot.jpg"));
  const auto jpeg = platform::readFile((documents_ / "shot.jpg").string());
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(*jpeg, *canvas->getUIImageAsDataFromBuffer(kCCImageFormatJPG));

  // Replacing a file leaves only the new contents, and no temporary file.
  ASSERT_TRUE(canvas->saveBuffer("shot.jpg", kCCImageFormatPNG));
  EXPECT_EQ(*platform::readFile((documents_ / "shot.jpg").string()),
            *canvas->getUIImageAsDataFromBuffer(kCCImageFormatPNG));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(documents_), std::filesystem::directory_iterator()), 1);
}

TEST_F(CCRenderTextureTest, SaveBufferRefusesNamesOutsideTheFolderAndReportsWriteFailures) {
  CCRenderTexture* canvas = halfAndHalf();
  ASSERT_NE(canvas, nullptr);
  testing_support::LogCapture log;
  for (const char* name : {"", "/tmp/escape.png", "../escape.png", "a/../../escape.png", "..", "sub/.."}) {
    EXPECT_FALSE(canvas->saveBuffer(name, kCCImageFormatPNG)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(documents_.parent_path() / "escape.png"));
  // A folder of that name already exists: the write fails and says so.
  std::filesystem::create_directories(documents_ / "taken");
  EXPECT_FALSE(canvas->saveBuffer("taken", kCCImageFormatPNG));
  // A missing sub-folder is not created.
  EXPECT_FALSE(canvas->saveBuffer("missing/shot.png", kCCImageFormatPNG));
  EXPECT_TRUE(canvas->saveBuffer("..shot.png", kCCImageFormatPNG));  // a name that only starts with dots
}

}  // namespace
