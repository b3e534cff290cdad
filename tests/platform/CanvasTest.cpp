#include "platform/Canvas.h"

#include "platform/Image.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using namespace platform;
using testing_support::LogCapture;

namespace {

using Bytes = std::vector<uint8_t>;
using Rgba = std::array<uint8_t, 4>;

Rgba pixelAt(const Bytes& buffer, int width, int x, int row) {
  const uint8_t* p = buffer.data() + (std::size_t(row) * width + x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// An image of `width` × `height` straight-alpha pixels of one colour, with a
// differently coloured top row so orientation shows.
Image* imageWithTopRow(int width, int height, Rgba body, Rgba top) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba& p = y == 0 ? top : body;
      pixels.insert(pixels.end(), p.begin(), p.end());
    }
  }
  return Image::imageWithPixels(width, height, PixelLayout::RGBA, std::size_t(width) * 4, pixels);
}

// [SECTION] The texture upload path: clear, translate, draw 1:1.

TEST(CanvasImageTest, ImageLandsInTheTopRowsOfAPowerOfTwoBuffer) {
  Bytes buffer(128 * 64 * 4, 0xCD);  // garbage the clear must remove
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 128, 64, 128 * 4, CanvasLayout::RGBAPremultiplied);
  ASSERT_NE(canvas, nullptr);
  canvas->clearRect(CGRectMake(0, 0, 128, 64));
  canvas->translate(0, 64 - 60);
  canvas->drawImage(imageWithTopRow(100, 60, {255, 0, 0, 128}, {0, 0, 255, 255}), CGRectMake(0, 0, 100, 60));
  for (int row = 0; row < 64; ++row) {
    for (int x = 0; x < 128; ++x) {
      Rgba expected = {0, 0, 0, 0};
      if (row == 0 && x < 100) expected = {0, 0, 255, 255};
      if (row > 0 && row < 60 && x < 100) expected = {128, 0, 0, 128};
      ASSERT_EQ(pixelAt(buffer, 128, x, row), expected) << "x " << x << " row " << row;
    }
  }
}

TEST(CanvasImageTest, OpaqueDestinationGetsFullAlphaOnlyWhereDrawn) {
  Bytes buffer(8 * 8 * 4, 0);
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 8, 8, 32, CanvasLayout::RGBX);
  Bytes rgb = {10, 20, 30, 0, 10, 20, 30, 0};  // fourth byte unused in the source
  canvas->drawImage(Image::imageWithPixels(2, 1, PixelLayout::RGBX, 8, rgb), CGRectMake(0, 7, 2, 1));
  EXPECT_EQ(pixelAt(buffer, 8, 0, 0), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(pixelAt(buffer, 8, 1, 0), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(pixelAt(buffer, 8, 2, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(pixelAt(buffer, 8, 0, 1), (Rgba{0, 0, 0, 0}));
}

TEST(CanvasImageTest, GreyDestinationTakesLuminance) {
  Bytes buffer(4, 0);
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 4, 1, 4, CanvasLayout::Grey8);
  Bytes grey = {77};
  Bytes colours = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255};
  canvas->drawImage(Image::imageWithPixels(1, 1, PixelLayout::Grey8, 1, grey), CGRectMake(0, 0, 1, 1));
  canvas->drawImage(Image::imageWithPixels(3, 1, PixelLayout::RGBA, 12, colours), CGRectMake(1, 0, 3, 1));
  EXPECT_EQ(buffer[0], 77);  // grey replicates exactly
  EXPECT_GT(buffer[2], buffer[1]);  // green is brighter than red, red than blue
  EXPECT_GT(buffer[1], buffer[3]);
  EXPECT_NEAR(buffer[1] + buffer[2] + buffer[3], 255, 1);
}

TEST(CanvasImageTest, ScalesWithNearestNeighbourAndCompositesSourceOver) {
  Bytes buffer(4 * 4 * 4, 0);
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 4, 4, 16, CanvasLayout::RGBAPremultiplied);
  canvas->setFillGrey(1, 1);
  canvas->fillRect(CGRectMake(0, 0, 4, 4));
  // Top-left opaque red, top-right half-transparent black, bottom row clear.
  Bytes quad = {255, 0, 0, 255, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0, 0};
  canvas->drawImage(Image::imageWithPixels(2, 2, PixelLayout::RGBA, 8, quad), CGRectMake(0, 0, 4, 4));
  EXPECT_EQ(pixelAt(buffer, 4, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(buffer, 4, 1, 1), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(buffer, 4, 3, 1), (Rgba{127, 127, 127, 255}));
  EXPECT_EQ(pixelAt(buffer, 4, 2, 3), (Rgba{255, 255, 255, 255}));
}

// [SECTION] State, fills and the current-canvas stack

TEST(CanvasStateTest, RestoreBringsBackTransformAndFill) {
  Bytes buffer(4 * 4, 0);
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 4, 4, 4, CanvasLayout::Alpha8);
  canvas->setFillColor(1, 0, 0, 0.5f);
  canvas->save();
  canvas->translate(2, 2);
  canvas->setFillGrey(0, 1);
  canvas->fillRect(CGRectMake(0, 0, 1, 1));  // device (2, 2): row 1
  canvas->restore();
  canvas->fillRect(CGRectMake(0, 0, 1, 1));  // device (0, 0): row 3
  EXPECT_EQ(buffer[1 * 4 + 2], 255);
  EXPECT_EQ(buffer[3 * 4 + 0], 128);
  EXPECT_EQ(buffer[1 * 4 + 0] + buffer[3 * 4 + 2], 0);
  LogCapture log;
  canvas->restore();
  EXPECT_EQ(log.lines().size(), 1u);
}

TEST(CanvasStateTest, FlippedTransformPutsUserOriginAtTheFirstRow) {
  Bytes buffer(4 * 4, 0);
  Canvas* canvas = Canvas::canvasWithBuffer(buffer.data(), 4, 4, 4, CanvasLayout::Grey8);
  canvas->translate(0, 4);
  canvas->scale(1, -1);
  canvas->setFillGrey(1, 1);
  canvas->fillRect(CGRectMake(1, 0, 2, 1));
  EXPECT_EQ(buffer, (Bytes{0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CanvasStateTest, InvalidBuffersAreRefused) {
  LogCapture log;
  Bytes buffer(16);
  EXPECT_EQ(Canvas::canvasWithBuffer(nullptr, 2, 2, 8, CanvasLayout::RGBX), nullptr);
  EXPECT_EQ(Canvas::canvasWithBuffer(buffer.data(), 2, 2, 7, CanvasLayout::RGBX), nullptr);
  EXPECT_EQ(Canvas::canvasWithBuffer(buffer.data(), 0, 2, 8, CanvasLayout::RGBX), nullptr);
  EXPECT_EQ(log.lines().size(), 3u);
}

TEST(CanvasStateTest, CurrentCanvasIsAStackThatToleratesExtraPops) {
  Bytes buffer(4);
  Canvas* first = Canvas::canvasWithBuffer(buffer.data(), 2, 2, 2, CanvasLayout::Alpha8);
  Canvas* second = Canvas::canvasWithBuffer(buffer.data(), 2, 2, 2, CanvasLayout::Alpha8);
  EXPECT_EQ(Canvas::current(), nullptr);
  Canvas::pushCurrent(first);
  Canvas::pushCurrent(second);
  EXPECT_EQ(Canvas::current(), second);
  Canvas::popCurrent();
  EXPECT_EQ(Canvas::current(), first);
  Canvas::popCurrent();
  Canvas::popCurrent();
  EXPECT_EQ(Canvas::current(), nullptr);
}

}  // namespace
