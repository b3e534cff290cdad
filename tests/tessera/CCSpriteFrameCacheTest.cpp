#include "tessera/CCSpriteFrameCache.h"

#include "SpriteTestSupport.h"
#include "platform/Log.h"
#include "support/TestSupport.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteFrame.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using platform::Ref;
using platform::Value;
using testing::ElementsAre;
using namespace sprite_test;

namespace {

testing::AssertionResult sameRect(CGRect expected, CGRect actual) {
  if (CGRectEqualToRect(expected, actual)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "expected " << NSStringFromCGRect(expected) << ", got "
                                     << NSStringFromCGRect(actual);
}

// A list of `format` whose frames are the given dictionaries, in order.
Value listOf(int format, Value::Dict frames) {
  return Value(Value::Dict{{"metadata", Value(Value::Dict{{"format", format}})}, {"frames", Value(std::move(frames))}});
}

class CCSpriteFrameCacheTest : public SpriteTestBase {
 protected:
  static CCSpriteFrameCache* cache() { return CCSpriteFrameCache::sharedSpriteFrameCache(); }
  // Frames only retain and compare their texture: no GL needed.
  static Ref<CCTexture2D> textureObject() { return Ref<CCTexture2D>::adopt(new CCTexture2D()); }

  Ref<CCTexture2D> texture_ = textureObject();
};

// [SECTION] List formats

TEST_F(CCSpriteFrameCacheTest, EveryFormatReadsTheSameFrames) {
  for (int format = 0; format <= 3; ++format) {
    SCOPED_TRACE("format " + std::to_string(format));
    CCSpriteFrameCache::purgeSharedSpriteFrameCache();
    writeList("sheet.plist", sheetList(format));
    cache()->addSpriteFramesWithFile("sheet.plist", texture_.get());

    std::uint32_t expected = 0;
    for (const SheetFrame& entry : sheetFrames()) {
      if (entry.rotated && format < 2) continue;
      ++expected;
      CCSpriteFrame* frame = cache()->spriteFrameByName(entry.name);
      ASSERT_NE(nullptr, frame) << entry.name;
      EXPECT_TRUE(sameRect(entry.rect, frame->rectInPixels())) << entry.name;
      EXPECT_TRUE(sameRect(entry.rect, frame->rect())) << entry.name;
      EXPECT_EQ(entry.rotated, frame->rotated()) << entry.name;
      EXPECT_TRUE(CGPointEqualToPoint(entry.offset, frame->offsetInPixels())) << entry.name;
      EXPECT_TRUE(CGSizeEqualToSize(entry.original, frame->originalSizeInPixels())) << entry.name;
      EXPECT_EQ(texture_.get(), frame->texture());
    }
    EXPECT_EQ(expected, cache()->frameCount());
  }
}

TEST_F(CCSpriteFrameCacheTest, FormatZeroReadsNumbersLeniently) {
  // No metadata: format 0. Sizes become non-negative, strings read as
  // numbers, missing keys as 0; the most negative integer does not overflow.
  Value list(Value::Dict{{"frames", Value(Value::Dict{
                                        {"a", Value(Value::Dict{{"x", "5.5"},
                                                                {"width", 16},
                                                                {"height", 8.25},
                                                                {"offsetY", -3},
                                                                {"originalWidth", -20},
                                                                {"originalHeight", "30"}})},
                                        {"b", Value(Value::Dict{{"originalWidth", std::int64_t{-5000000000}}})},
                                    })}});
  cache()->addSpriteFramesWithDictionary(list, texture_.get());

  CCSpriteFrame* a = cache()->spriteFrameByName("a");
  ASSERT_NE(nullptr, a);
  EXPECT_TRUE(sameRect(CGRectMake(5.5f, 0, 16, 8.25f), a->rectInPixels()));
  EXPECT_TRUE(CGPointEqualToPoint(CGPointMake(0, -3), a->offsetInPixels()));
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(20, 30), a->originalSizeInPixels()));
  ASSERT_NE(nullptr, cache()->spriteFrameByName("b"));
  EXPECT_EQ(2147483648.0f, cache()->spriteFrameByName("b")->originalSizeInPixels().width);
}

TEST_F(CCSpriteFrameCacheTest, FormatThreeTakesTheSpriteSizeAndTheLaterAliasWins) {
  // "zeta" comes first in the file and "alpha" later: file order, not name
  // order, decides which frame the shared alias names.
  auto frame = [](const char* rect, std::initializer_list<Value> aliases) {
    return Value(Value::Dict{{"textureRect", rect},
                             {"spriteSize", "{16,8}"},
                             {"spriteOffset", "{1,-1}"},
                             {"spriteSourceSize", "{20,10}"},
                             {"textureRotated", true},
                             {"aliases", Value(Value::Array(aliases))}});
  };
  cache()->addSpriteFramesWithDictionary(listOf(3, {{"zeta", frame("{{10,20},{99,99}}", {"shared", "onlyZeta"})},
                                                    {"alpha", frame("{{30,40},{1,1}}", {"shared", 7})}}),
                                         texture_.get());

  CCSpriteFrame* zeta = cache()->spriteFrameByName("zeta");
  CCSpriteFrame* alpha = cache()->spriteFrameByName("alpha");
  ASSERT_NE(nullptr, zeta);
  ASSERT_NE(nullptr, alpha);
  EXPECT_TRUE(sameRect(CGRectMake(10, 20, 16, 8), zeta->rectInPixels()));
  EXPECT_TRUE(zeta->rotated());
  EXPECT_TRUE(CGSizeEqualToSize(CGSizeMake(20, 10), zeta->originalSizeInPixels()));
  EXPECT_EQ(alpha, cache()->spriteFrameByName("shared"));
  EXPECT_EQ(zeta, cache()->spriteFrameByName("onlyZeta"));
  EXPECT_EQ(2u, cache()->aliasCount()) << "the alias that is not a string is skipped";
}

TEST_F(CCSpriteFrameCacheTest, UnsupportedFormatsAssertAndAddNothing) {
  testing_support::AssertionRecorder assertions;
  for (int format : {4, -1}) {
    cache()->addSpriteFramesWithDictionary(listOf(format, {{"a", Value(Value::Dict{{"x", 1}})}}), texture_.get());
  }
  EXPECT_THAT(assertions.messages(),
              ElementsAre("tessera: WARNING: format is not supported for CCSpriteFrameCache "
                          "addSpriteFramesWithDictionary:texture:",
                          "tessera: WARNING: format is not supported for CCSpriteFrameCache "
                          "addSpriteFramesWithDictionary:texture:"));
  EXPECT_EQ(0u, cache()->frameCount());
}

TEST_F(CCSpriteFrameCacheTest, MalformedListsAddWhatTheyCanAndNeverCrash) {
  struct Case {
    const char* text;
    std::uint32_t frames;
  };
  const Case cases[] = {
      {"not a property list", 0},
      {"bplist00\x01\x02\x03", 0},
      {"<plist><array><string>frames</string></array></plist>", 0},
      {"<plist><dict><key>frames</key><array/></dict></plist>", 0},
      {"<plist><dict><key>frames</key><dict><key>a</key><string>x</string></dict></dict></plist>", 1},
      {"<plist><dict><key>metadata</key><string>m</string><key>frames</key><dict><key>a</key><dict/></dict>"
       "</dict></plist>",
       1},
      {"<plist><dict><key>metadata</key><dict><key>format</key><integer>2</integer></dict><key>frames</key><dict>"
       "<key>a</key><dict><key>frame</key><string>{{1,2}</string><key>offset</key><integer>3</integer>"
       "<key>sourceSize</key><string>{1e39,-1e39}</string><key>rotated</key><string>YES</string></dict>"
       "</dict></dict></plist>",
       1},
      {"<plist><dict><key>metadata</key><dict><key>format</key><integer>3</integer></dict><key>frames</key><dict>"
       "<key>a</key><dict><key>aliases</key><string>not an array</string></dict>"
       "<key>b</key><dict><key>aliases</key><array><dict/><string></string></array></dict>"
       "</dict></dict></plist>",
       2},
  };
  platform::setLogSink([](std::string_view) {});
  for (const Case& c : cases) {
    CCSpriteFrameCache::purgeSharedSpriteFrameCache();
    writeText("bad.plist", c.text);
    cache()->addSpriteFramesWithFile("bad.plist", texture_.get());
    EXPECT_EQ(c.frames, cache()->frameCount()) << c.text;
  }
  cache()->addSpriteFramesWithFile("missing.plist", texture_.get());
  platform::setLogSink({});
  EXPECT_EQ(2u, cache()->frameCount()) << "an unreadable list changes nothing";
}

// [SECTION] Lookup, aliases and removal

TEST_F(CCSpriteFrameCacheTest, AliasesFindFramesButDoNotMakeSprites) {
  auto frame = [](std::initializer_list<Value> aliases) {
    return Value(Value::Dict{{"spriteSize", "{4,4}"}, {"aliases", Value(Value::Array(aliases))}});
  };
  cache()->addSpriteFramesWithDictionary(listOf(3, {{"a", frame({"a1", "a2"})}, {"b", frame({"b1"})}}),
                                         texture_.get());
  EXPECT_EQ(cache()->spriteFrameByName("a"), cache()->spriteFrameByName("a1"));
  EXPECT_EQ(nullptr, cache()->spriteFrameByName("none"));

  ASSERT_NE(nullptr, cache()->createSpriteWithFrameName("a"));
  {
    testing_support::AssertionRecorder assertions;
    EXPECT_EQ(nullptr, cache()->createSpriteWithFrameName("a1"));
    EXPECT_THAT(assertions.messages(), ElementsAre("Invalid spriteFrame for sprite"));
  }

  // By alias: the alias and its frame go; the frame's other alias dangles.
  cache()->removeSpriteFrameByName("a1");
  EXPECT_EQ(nullptr, cache()->spriteFrameByName("a"));
  EXPECT_EQ(nullptr, cache()->spriteFrameByName("a2"));
  EXPECT_EQ(2u, cache()->aliasCount());
  // By name: the frame goes, its alias stays and finds nothing.
  cache()->removeSpriteFrameByName("b");
  EXPECT_EQ(nullptr, cache()->spriteFrameByName("b1"));
  EXPECT_EQ(2u, cache()->aliasCount());
}

TEST_F(CCSpriteFrameCacheTest, TheCacheHoldsTheOnlyReferenceToTheFramesItMakes) {
  writeList("sheet.plist", sheetList(3));
  cache()->addSpriteFramesWithFile("sheet.plist", texture_.get());
  Ref<CCSpriteFrame> held = cache()->spriteFrameByName("red.png");
  EXPECT_EQ(2u, held->retainCount());

  // Loading again replaces every frame by a new one.
  cache()->addSpriteFramesWithFile("sheet.plist", texture_.get());
  EXPECT_NE(held.get(), cache()->spriteFrameByName("red.png"));
  EXPECT_EQ(1u, held->retainCount());

  // Frames made in this very pool are already unused: nothing autoreleased
  // them. The one held elsewhere stays.
  held = cache()->spriteFrameByName("green.png");
  Ref<CCSpriteFrame> extra = CCSpriteFrame::frameWithTexture(texture_.get(), CGRectMake(0, 0, 1, 1));
  cache()->addSpriteFrame(extra.get(), "extra");
  extra = nullptr;  // still in the pool: counts as used until it drains
  cache()->removeUnusedSpriteFrames();
  EXPECT_EQ(2u, cache()->frameCount());
  EXPECT_EQ(held.get(), cache()->spriteFrameByName("green.png"));
  EXPECT_NE(nullptr, cache()->spriteFrameByName("extra"));
}

TEST_F(CCSpriteFrameCacheTest, RemovalByListAndByTextureTakesOnlyThoseFrames) {
  // Two texture objects with the same (zero) GL name: removal by texture
  // compares objects, not names.
  Ref<CCTexture2D> other = textureObject();
  writeList("sheet.plist", sheetList(2));
  cache()->addSpriteFramesWithFile("sheet.plist", texture_.get());
  cache()->addSpriteFramesWithDictionary(listOf(1, {{"x", Value(Value::Dict{})}, {"y", Value(Value::Dict{})}}),
                                         other.get());
  const auto sheetCount = static_cast<std::uint32_t>(sheetFrames().size());
  ASSERT_EQ(sheetCount + 2, cache()->frameCount());

  cache()->removeSpriteFramesFromTexture(other.get());
  EXPECT_EQ(sheetCount, cache()->frameCount());
  EXPECT_EQ(nullptr, cache()->spriteFrameByName("x"));

  cache()->addSpriteFrame(CCSpriteFrame::frameWithTexture(other.get(), CGRectZero), "kept");
  cache()->removeSpriteFramesFromFile("sheet.plist");
  EXPECT_EQ(1u, cache()->frameCount());
  EXPECT_NE(nullptr, cache()->spriteFrameByName("kept"));
  cache()->removeSpriteFrames();
  EXPECT_EQ(0u, cache()->frameCount());
}

// [SECTION] Points and pixels

TEST_F(CCSpriteFrameCacheTest, PointRectanglesFollowTheContentScaleFactor) {
  ccSetContentScaleFactor(2);
  cache()->addSpriteFramesWithDictionary(listOf(1, {{"a", Value(Value::Dict{{"frame", "{{10,20},{16,8}}"}})}}),
                                         texture_.get());
  CCSpriteFrame* frame = cache()->spriteFrameByName("a");
  ASSERT_NE(nullptr, frame);
  EXPECT_TRUE(sameRect(CGRectMake(5, 10, 8, 4), frame->rect()));

  CCSpriteFrame* fromPoints = CCSpriteFrame::frameWithTexture(texture_.get(), CGRectMake(5, 10, 8, 4));
  EXPECT_TRUE(sameRect(CGRectMake(10, 20, 16, 8), fromPoints->rectInPixels()));

  // A copy derives its points again, at the factor of the moment.
  ccSetContentScaleFactor(1);
  Ref<CCSpriteFrame> copy = Ref<CCSpriteFrame>::adopt(static_cast<CCSpriteFrame*>(fromPoints->copy()));
  EXPECT_TRUE(sameRect(CGRectMake(10, 20, 16, 8), copy->rect()));
}

// [SECTION] Lists with their textures (GL)

using CCSpriteFrameCacheGLTest = SpriteGLTest;

TEST_F(CCSpriteFrameCacheGLTest, TheTextureComesFromTheListFolder) {
  writePNG("sheets/b.png", sheetPicture());
  writePNG("sheets/c.png", sheetPicture());
  writeList("sheets/a.plist", sheetList(2, 1, "b.png"));
  writeList("sheets/c.plist", sheetList(1));
  CCSpriteFrameCache* cache = CCSpriteFrameCache::sharedSpriteFrameCache();
  CCTextureCache* textures = CCTextureCache::sharedTextureCache();

  cache->addSpriteFramesWithFile("sheets/a.plist");
  ASSERT_NE(nullptr, cache->spriteFrameByName("quadRotated.png"));
  EXPECT_EQ(textures->textureForKey("sheets/b.png"), cache->spriteFrameByName("quadRotated.png")->texture());
  EXPECT_NE(nullptr, textures->textureForKey("sheets/b.png"));

  cache->removeSpriteFrames();
  cache->addSpriteFramesWithFile("sheets/c.plist");
  ASSERT_NE(nullptr, cache->spriteFrameByName("red.png"));
  EXPECT_EQ(textures->textureForKey("sheets/c.png"), cache->spriteFrameByName("red.png")->texture());

  // A texture that cannot be loaded: nothing is added.
  cache->removeSpriteFrames();
  writeList("lonely.plist", sheetList(1));
  platform::setLogSink([](std::string_view) {});
  cache->addSpriteFramesWithFile("lonely.plist");
  cache->addSpriteFramesWithFile("lonely.plist", std::string("missing.png"));
  platform::setLogSink({});
  EXPECT_EQ(0u, cache->frameCount());

  cache->addSpriteFramesWithFile("lonely.plist", std::string("sheets/b.png"));
  EXPECT_EQ(textures->textureForKey("sheets/b.png"), cache->spriteFrameByName("red.png")->texture());
}

TEST_F(CCSpriteFrameCacheGLTest, FactorTwoPrefersTheHDListAndTexture) {
  writePNG("sheet.png", sheetPicture(1));
  writePNG("sheet-hd.png", sheetPicture(2));
  writeList("sheet.plist", sheetList(2, 1));
  writeList("sheet-hd.plist", sheetList(2, 2));
  ccSetContentScaleFactor(2);

  CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist");
  CCSpriteFrame* red = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("red.png");
  ASSERT_NE(nullptr, red);
  EXPECT_TRUE(sameRect(CGRectMake(0, 0, 32, 32), red->rectInPixels()));
  EXPECT_TRUE(sameRect(CGRectMake(0, 0, 16, 16), red->rect()));
  ASSERT_NE(nullptr, red->texture());
  EXPECT_EQ(128u, red->texture()->pixelsWide());
  EXPECT_EQ(red->texture(), CCTextureCache::sharedTextureCache()->textureForKey("sheet.png"));
}

TEST_F(CCSpriteFrameCacheGLTest, AFrameKeepsItsTextureAfterTheTextureCacheIsPurged) {
  writePNG("sheet.png", sheetPicture());
  writeList("sheet.plist", sheetList(0));
  CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist");
  CCSpriteFrame* frame = CCSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("red.png");
  ASSERT_NE(nullptr, frame);
  ASSERT_NE(nullptr, frame->texture());
  const GLuint name = frame->texture()->name();

  CCTextureCache::purgeSharedTextureCache();
  EXPECT_EQ(GL_TRUE, glIsTexture(name));
  EXPECT_EQ(name, frame->texture()->name());

  // The last frame on it goes, and the texture with it.
  CCSpriteFrameCache::sharedSpriteFrameCache()->removeSpriteFrames();
  EXPECT_EQ(GL_FALSE, glIsTexture(name));
}

}  // namespace
