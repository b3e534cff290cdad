// Tile rectangles in a tileset picture: rows, margin and spacing, and the
// pictures whose size is not known yet.

#include "tessera/CCTMXTilesetInfo.h"

#include "platform/AutoreleasePool.h"
#include "platform/Ref.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string text(CGRect rect) { return NSStringFromCGRect(rect); }
#define EXPECT_RECT(expected, actual) EXPECT_EQ(text(expected), text(actual))

TEST(CCTMXTilesetInfoTest, RectForGIDWalksRowsOfThePicture) {
  platform::AutoreleasePool pool;
  auto tileset = platform::Ref<CCTMXTilesetInfo>::adopt(new CCTMXTilesetInfo());
  tileset->setFirstGid(5);
  tileset->setTileSize(CGSizeMake(32, 32));
  tileset->setImageSize(CGSizeMake(256, 128));
  EXPECT_RECT(CGRectMake(0, 0, 32, 32), tileset->rectForGID(5));
  EXPECT_RECT(CGRectMake(32, 32, 32, 32), tileset->rectForGID(5 + 9)) << "8 tiles a row";
  EXPECT_RECT(CGRectMake(224, 0, 32, 32), tileset->rectForGID(5 + 7));

  // Margin 2, spacing 1: (256 - 4 + 1) / 33 = 7 tiles a row.
  tileset->setMargin(2);
  tileset->setSpacing(1);
  EXPECT_RECT(CGRectMake(2, 2, 32, 32), tileset->rectForGID(5));
  EXPECT_RECT(CGRectMake(2 + 33, 2 + 33, 32, 32), tileset->rectForGID(5 + 8));

  // No picture size yet, or a picture narrower than a tile: one tile a row,
  // never a division by zero.
  tileset->setImageSize(CGSizeZero);
  EXPECT_RECT(CGRectMake(2, 2 + 3 * 33, 32, 32), tileset->rectForGID(8));
  tileset->setTileSize(CGSizeZero);
  tileset->setSpacing(0);
  tileset->setMargin(0);
  EXPECT_RECT(CGRectMake(0, 0, 0, 0), tileset->rectForGID(9));
}

}  // namespace
