// Menus: items pressed and activated by real touches (SDL mouse events pushed
// into a window opened through SDL's offscreen driver, pumped by the run
// loop, hit-tested onto the GL view and handed to the touch dispatcher), the
// items' own behaviour, and the layouts compared with their formulas.
//
// The window is portrait 320 x 480 with the status bar hidden, so the menu's
// centre is engine point (160, 240), view point (160, 240). Tests skip when
// no GL context or SDL window can be made.

#include "DirectorTestSupport.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/Image.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "support/TestSupport.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayer.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"
#include "tessera/CCMenuItemImage.h"
#include "tessera/CCMenuItemLabel.h"
#include "tessera/CCMenuItemSprite.h"
#include "tessera/CCMenuItemToggle.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSprite.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using platform::Ref;

namespace {

// A plain item of the given size whose activations are counted.
CCMenuItem* countingItem(float width, float height, int* activations) {
  CCMenuItem* item = CCMenuItem::itemWithBlock([activations](CCMenuItem*) { ++*activations; });
  item->setContentSize(CGSizeMake(width, height));
  return item;
}

// A sprite node of the given size (no texture needed for sizes and
// visibility).
CCSprite* image(float width, float height) {
  CCSprite* sprite = CCSprite::node();
  sprite->setTextureRect(CGRectMake(0, 0, width, height));
  return sprite;
}

// A targeted delegate at priority 0 that claims every touch.
class GreedyLayer : public CCLayer {
  PLATFORM_CLASS(GreedyLayer, CCLayer)
 public:
  CC_NODE_FACTORY(GreedyLayer)
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, 0, true);
  }
  bool ccTouchBegan(platform::Touch*, platform::Event*) override {
    ++touches;
    return true;
  }
  int touches = 0;
};

// A menu registered ahead of ordinary menus.
class FrontMenu : public CCMenu {
  PLATFORM_CLASS(FrontMenu, CCMenu)
 public:
  static FrontMenu* menuWithItem(CCMenuItem* item) {
    return platform::createAutoreleased<FrontMenu>([&](FrontMenu& menu) { return menu.initWithItems({item}); });
  }
  void registerWithTouchDispatcher() override {
    CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kCCMenuTouchPriority - 1, true);
  }
};

// A target for target-and-selector items.
class Receiver : public platform::Object {
  PLATFORM_CLASS(Receiver, platform::Object)
 public:
  void pressed(CCMenuItem* sender) { senders.push_back(sender); }
  void plain() { ++plainCalls; }
  std::vector<CCMenuItem*> senders;
  int plainCalls = 0;
};

class CCMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    platform::facts().headless = false;
    Ref<EAGLView> probe = EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8));
    if (!probe) GTEST_SKIP() << "no OpenGL ES 1.1 context can be made here";
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    window_ = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_TRUE(director->attachInWindow(window_.get()));
    window_->makeKeyAndVisible();
    if (!window_->hasNativeWindow()) GTEST_SKIP() << "no SDL window: " << SDL_GetError();
    director_ = director;
    scene_ = CCScene::node();
    director_->runWithScene(scene_.get());
    pump();
  }
  void TearDown() override {
    scene_ = nullptr;
    CCDirector::purgeSharedDirector();
    window_ = nullptr;
    testing_support::purgeDirectorAndLoop();
  }

  void pump() { platform::RunLoop::main().runFor(0.05); }

  // A mouse event at view point (x, y), pumped through the run loop.
  void mouse(Uint32 type, float x, float y) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
      event.motion.windowID = window_->nativeWindowID();
      event.motion.x = static_cast<int>(x);
      event.motion.y = static_cast<int>(y);
      event.motion.state = SDL_BUTTON_LMASK;
    } else {
      event.button.windowID = window_->nativeWindowID();
      event.button.button = SDL_BUTTON_LEFT;
      event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.button.x = static_cast<int>(x);
      event.button.y = static_cast<int>(y);
    }
    SDL_PushEvent(&event);
    pump();
  }
  void press(float x, float y) { mouse(SDL_MOUSEBUTTONDOWN, x, y); }
  void move(float x, float y) { mouse(SDL_MOUSEMOTION, x, y); }
  void release(float x, float y) { mouse(SDL_MOUSEBUTTONUP, x, y); }
  void tap(float x, float y) {
    press(x, y);
    release(x, y);
  }

  // The view point of a point in the menu's space (origin at the centre).
  static CGPoint viewPoint(float menuX, float menuY) { return CGPointMake(160 + menuX, 240 - menuY); }

  CCMenu* show(CCMenu* menu) {
    scene_->addChild(menu);
    return menu;
  }

  platform::ManualClock clock_;
  CCDirectorIOS* director_ = nullptr;
  Ref<platform::Window> window_;
  Ref<CCScene> scene_;
};

// [SECTION] Touches

TEST_F(CCMenuTest, PressSelectsTheItemUnderTheFingerAndReleaseOnItActivatesItOnce) {
  int upper = 0, lower = 0;
  CCMenuItem* a = countingItem(100, 40, &upper);
  CCMenuItem* b = countingItem(100, 40, &lower);
  CCMenu* menu = show(CCMenu::menuWithItems({a, b}));
  menu->alignItemsVerticallyWithPadding(10);  // a at y 25, b at y −25
  EXPECT_FLOAT_EQ(160, menu->position().x);
  EXPECT_FLOAT_EQ(240, menu->position().y);

  const CGPoint onA = viewPoint(0, 25), onB = viewPoint(30, -25), empty = viewPoint(0, 150);
  press(onA.x, onA.y);
  EXPECT_TRUE(a->isSelected());
  EXPECT_EQ(a, menu->selectedItem());
  EXPECT_EQ(kCCMenuStateTrackingTouch, menu->state());

  // Dragging onto b moves the highlight; off every item clears it.
  move(onB.x, onB.y);
  EXPECT_FALSE(a->isSelected());
  EXPECT_TRUE(b->isSelected());
  move(empty.x, empty.y);
  EXPECT_FALSE(b->isSelected());
  EXPECT_EQ(nullptr, menu->selectedItem());

  // Back onto a and released there: a runs once, b never.
  move(onA.x, onA.y);
  release(onA.x, onA.y);
  EXPECT_EQ(1, upper);
  EXPECT_EQ(0, lower);
  EXPECT_FALSE(a->isSelected());
  EXPECT_EQ(kCCMenuStateWaiting, menu->state());
}

TEST_F(CCMenuTest, ReleaseAwayFromEveryItemActivatesNothing) {
  int count = 0;
  CCMenuItem* item = countingItem(100, 40, &count);
  show(CCMenu::menuWithItems({item}));
  const CGPoint on = viewPoint(0, 0);
  press(on.x, on.y);
  move(on.x, on.y + 200);
  release(on.x, on.y + 200);
  EXPECT_EQ(0, count);
  EXPECT_FALSE(item->isSelected());
  tap(on.x, on.y);
  EXPECT_EQ(1, count) << "the menu is not ready for the next touch";
}

TEST_F(CCMenuTest, DisabledHiddenAndOffItemTouchesAreNotClaimedAndReachLowerDelegates) {
  GreedyLayer* below = GreedyLayer::node();
  below->setIsTouchEnabled(true);
  scene_->addChild(below);  // registers first, at priority 0
  int count = 0;
  CCMenuItem* item = countingItem(100, 40, &count);
  CCMenu* menu = show(CCMenu::menuWithItems({item}));
  const CGPoint on = viewPoint(0, 0);

  tap(on.x, on.y);
  EXPECT_EQ(1, count);
  EXPECT_EQ(0, below->touches) << "the menu's priority did not put it first";

  tap(on.x + 100, on.y);  // beside the item
  EXPECT_EQ(1, below->touches);

  item->setIsEnabled(false);
  tap(on.x, on.y);
  EXPECT_EQ(1, count) << "a disabled item was activated";
  EXPECT_EQ(2, below->touches);
  EXPECT_FALSE(item->isSelected());

  item->setIsEnabled(true);
  menu->setVisible(false);
  tap(on.x, on.y);
  EXPECT_EQ(3, below->touches) << "a hidden menu claimed a touch";
  menu->setVisible(true);
  scene_->setVisible(false);
  tap(on.x, on.y);
  EXPECT_EQ(1, count) << "a menu inside a hidden node claimed a touch";
}

TEST_F(CCMenuTest, HigherMenuClaimsFirstByPriorityAndSwallowsTheTouch) {
  int first = 0, second = 0;
  show(CCMenu::menuWithItems({countingItem(100, 40, &first)}));
  // Added later, but at a lower priority number: it is asked first.
  show(FrontMenu::menuWithItem(countingItem(100, 40, &second)));
  const CGPoint on = viewPoint(0, 0);
  tap(on.x, on.y);
  EXPECT_EQ(1, second);
  EXPECT_EQ(0, first) << "the touch was not swallowed";
}

TEST_F(CCMenuTest, TargetAndSelectorActionsGetTheItem) {
  Ref<Receiver> receiver = Ref<Receiver>::adopt(new Receiver());
  CCMenuItem* withSender = CCMenuItem::itemWithTarget(receiver.get(), CC_SEL(Receiver::pressed));
  CCMenuItem* plain = CCMenuItem::itemWithTarget(receiver.get(), CC_SEL(Receiver::plain));
  withSender->setContentSize(CGSizeMake(60, 60));
  plain->setContentSize(CGSizeMake(60, 60));
  CCMenu* menu = show(CCMenu::menuWithItems({withSender, plain}));
  menu->alignItemsHorizontallyWithPadding(0);  // centres at x −30 and 30
  const CGPoint left = viewPoint(-30, 0), right = viewPoint(30, 0);
  tap(left.x, left.y);
  tap(right.x, right.y);
  ASSERT_EQ(1u, receiver->senders.size());
  EXPECT_EQ(withSender, receiver->senders[0]);
  EXPECT_EQ(1, receiver->plainCalls);
}

TEST_F(CCMenuTest, ToggleCyclesItsSubItemsAndTheActionSeesTheNewIndex) {
  std::vector<unsigned> seen;
  CCMenuItemToggle* toggle = CCMenuItemToggle::itemWithBlock(
      [&seen](CCMenuItem* sender) { seen.push_back(static_cast<CCMenuItemToggle*>(sender)->selectedIndex()); },
      {CCMenuItemSprite::itemFromNormalSprite(image(40, 40), nullptr),
       CCMenuItemSprite::itemFromNormalSprite(image(80, 40), nullptr),
       CCMenuItemSprite::itemFromNormalSprite(image(60, 40), nullptr)});
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(0u, toggle->selectedIndex());
  EXPECT_FLOAT_EQ(40, toggle->contentSize().width);
  show(CCMenu::menuWithItems({toggle}));
  const CGPoint on = viewPoint(0, 0);
  for (int i = 0; i < 4; ++i) tap(on.x, on.y);
  EXPECT_EQ((std::vector<unsigned>{1, 2, 0, 1}), seen);
  // The visible sub-item is the one child with the toggle's tag, centred.
  EXPECT_EQ(1u, toggle->children()->count());
  EXPECT_EQ(toggle->selectedItem(), toggle->getChildByTag(kCCCurrentItemTag));
  EXPECT_FLOAT_EQ(80, toggle->contentSize().width);
  EXPECT_FLOAT_EQ(40, toggle->selectedItem()->position().x);

  toggle->setIsEnabled(false);
  tap(on.x, on.y);
  EXPECT_EQ(4u, seen.size()) << "a disabled toggle turned";
  for (platform::Object* sub : *toggle->subItems()) EXPECT_FALSE(static_cast<CCMenuItem*>(sub)->isEnabled());
}

TEST_F(CCMenuTest, ActionThatRemovesTheMenuFromTheSceneIsSafe) {
  CCMenu* menu = nullptr;
  int count = 0;
  CCMenuItemFont* item = CCMenuItemFont::itemFromString("Quit", [&](CCMenuItem*) {
    ++count;
    menu->removeFromParentAndCleanup(true);
  });
  ASSERT_NE(item, nullptr);
  {
    // Only the scene holds the menu once this pool drains.
    platform::AutoreleasePool pool;
    menu = show(CCMenu::menuWithItems({item}));
  }
  pump();
  const CGPoint on = viewPoint(0, 0);
  tap(on.x, on.y);
  EXPECT_EQ(1, count);
  EXPECT_EQ(0u, scene_->children()->count());
  EXPECT_TRUE(CCTouchDispatcher::sharedDispatcher()->targetedHandlers().empty());
  tap(on.x, on.y);  // nothing left to receive it
  EXPECT_EQ(1, count);
}

TEST_F(CCMenuTest, LeavingTheSceneWhilePressedUnselectsWithoutActivating) {
  int count = 0;
  CCMenuItem* item = countingItem(100, 40, &count);
  CCMenu* menu = show(CCMenu::menuWithItems({item}));
  Ref<CCMenu> keep(menu);
  const CGPoint on = viewPoint(0, 0);
  press(on.x, on.y);
  ASSERT_TRUE(item->isSelected());
  menu->removeFromParentAndCleanup(true);
  EXPECT_FALSE(item->isSelected());
  EXPECT_EQ(kCCMenuStateWaiting, menu->state());
  release(on.x, on.y);
  EXPECT_EQ(0, count);
}

// [SECTION] Items

TEST_F(CCMenuTest, LabelItemZoomsWhilePressedAndComesBackToItsOwnScale) {
  CCMenuItemFont* item = CCMenuItemFont::itemFromString("Zoom");
  ASSERT_NE(item, nullptr);
  item->setScale(2);
  show(CCMenu::menuWithItems({item}));
  // An action's first step only starts it; the time counts from the next.
  auto advance = [](float seconds) {
    CCScheduler::sharedScheduler()->tick(0);
    CCScheduler::sharedScheduler()->tick(seconds);
  };
  item->selected();
  advance(0.2f);
  EXPECT_FLOAT_EQ(2.4f, item->scale());
  // Let go and press again half-way back: the zoom still aims at 2 × 1.2,
  // and letting go returns to 2, not to a scale caught mid-zoom.
  item->unselected();
  advance(0.05f);
  EXPECT_LT(item->scale(), 2.4f);
  EXPECT_GT(item->scale(), 2.0f);
  item->selected();
  advance(0.2f);
  EXPECT_FLOAT_EQ(2.4f, item->scale());
  item->unselected();
  advance(0.2f);
  EXPECT_FLOAT_EQ(2.0f, item->scale());
  // Activation ends any zoom at once.
  item->selected();
  advance(0.05f);
  item->activate();
  EXPECT_FLOAT_EQ(2.0f, item->scale());
  EXPECT_EQ(0u, item->numberOfRunningActions());
}

TEST_F(CCMenuTest, DisabledLabelItemShowsTheDisabledColourNeitherZoomsNorActivates) {
  int count = 0;
  CCLabelTTF* label = CCLabelTTF::labelWithString("Off", "Helvetica", 20);
  CCMenuItemLabel* item = CCMenuItemLabel::itemWithLabel(label, [&](CCMenuItem*) { ++count; });
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(label->contentSize().width, item->contentSize().width);
  item->setColor(ccColor3B{10, 200, 30});
  item->setIsEnabled(false);
  EXPECT_EQ(126, label->color().r);
  EXPECT_EQ(126, label->color().g);
  item->selected();
  EXPECT_EQ(0u, item->numberOfRunningActions());
  item->activate();
  EXPECT_EQ(0, count);
  item->setIsEnabled(true);
  EXPECT_EQ(200, label->color().g) << "enabling did not bring the colour back";
  item->activate();
  EXPECT_EQ(1, count);

  item->setString("A longer label");
  EXPECT_FLOAT_EQ(label->contentSize().width, item->contentSize().width);
}

TEST_F(CCMenuTest, SpriteItemShowsExactlyOneImageForItsState) {
  CCSprite* normal = image(50, 30);
  CCSprite* selected = image(50, 30);
  CCSprite* disabled = image(50, 30);
  CCMenuItemSprite* item = CCMenuItemSprite::itemFromNormalSprite(normal, selected, disabled);
  ASSERT_NE(item, nullptr);
  EXPECT_FLOAT_EQ(50, item->contentSize().width);
  auto shown = [&] {
    return std::string(normal->visible() ? "n" : "") + (selected->visible() ? "s" : "") +
           (disabled->visible() ? "d" : "");
  };
  EXPECT_EQ("n", shown()) << "a new item shows more than its normal image";
  item->selected();
  EXPECT_EQ("s", shown());
  item->unselected();
  EXPECT_EQ("n", shown());
  item->setIsEnabled(false);
  EXPECT_EQ("d", shown());
  item->setIsEnabled(true);
  EXPECT_EQ("n", shown());

  // Without a selected or disabled image the normal one stays.
  CCMenuItemSprite* bare = CCMenuItemSprite::itemFromNormalSprite(image(10, 10), nullptr);
  bare->selected();
  EXPECT_TRUE(bare->normalImage()->visible());
  bare->setIsEnabled(false);
  EXPECT_TRUE(bare->normalImage()->visible());
}

TEST_F(CCMenuTest, MenuColourAndOpacityReachEveryItem) {
  CCSprite* normal = image(20, 20);
  CCSprite* selected = image(20, 20);
  CCMenuItemSprite* sprite = CCMenuItemSprite::itemFromNormalSprite(normal, selected);
  CCMenuItemFont* font = CCMenuItemFont::itemFromString("Colour");
  CCMenuItemSprite* sub = CCMenuItemSprite::itemFromNormalSprite(image(20, 20), nullptr);
  CCMenuItemToggle* toggle = CCMenuItemToggle::itemWithBlock(nullptr, {sub});
  CCMenu* menu = CCMenu::menuWithItems({sprite, font, toggle});
  menu->setColor(ccColor3B{1, 2, 3});
  menu->setOpacity(77);
  EXPECT_EQ(77, menu->opacity());
  EXPECT_EQ(3, selected->color().b);
  EXPECT_EQ(77, selected->opacity());
  EXPECT_EQ(2, static_cast<CCLabelTTF*>(font->label())->color().g);
  EXPECT_EQ(77, font->opacity());
  EXPECT_EQ(1, static_cast<CCSprite*>(sub->normalImage())->color().r);
  EXPECT_EQ(77, toggle->opacity());
}

TEST_F(CCMenuTest, RefusedConstructionsFailTheirAssertions) {
  testing_support::AssertionRecorder asserts;
  EXPECT_EQ(nullptr, CCMenu::node());
  EXPECT_EQ(nullptr, CCMenuItemFont::itemFromString(""));
  CCMenu* menu = CCMenu::menuWithItems({});
  menu->addChild(CCNode::node());
  EXPECT_EQ(0u, menu->children() ? menu->children()->count() : 0u);
  EXPECT_EQ((std::vector<std::string>{"CCMenu: Init not supported.", "Value length must be greater than 0",
                                      "Menu only supports MenuItem objects as children"}),
            asserts.messages());
}

// [SECTION] Alignment

TEST_F(CCMenuTest, VerticalAndHorizontalAlignmentStackScaledItemsWithPadding) {
  int unused = 0;
  CCMenuItem* a = countingItem(10, 20, &unused);
  CCMenuItem* b = countingItem(30, 30, &unused);
  CCMenuItem* c = countingItem(20, 20, &unused);
  c->setScale(2);  // counts as 40 × 40
  CCMenu* menu = CCMenu::menuWithItems({a, b, c});
  menu->alignItemsVertically();
  EXPECT_FLOAT_EQ(40, a->position().y);
  EXPECT_FLOAT_EQ(10, b->position().y);
  EXPECT_FLOAT_EQ(-30, c->position().y);
  EXPECT_FLOAT_EQ(0, b->position().x);

  // Widths 10, 30, 40 and padding 4: 88 wide, from −44.
  menu->alignItemsHorizontallyWithPadding(4);
  EXPECT_FLOAT_EQ(-39, a->position().x);
  EXPECT_FLOAT_EQ(-15, b->position().x);
  EXPECT_FLOAT_EQ(24, c->position().x);
  EXPECT_FLOAT_EQ(0, c->position().y);
}

TEST_F(CCMenuTest, ColumnsSpreadRowsOverTheWindowWidthIncludingUnevenRows) {
  const float ww = CCDirector::sharedDirector()->winSize().width;
  ASSERT_FLOAT_EQ(320, ww);
  int unused = 0;
  // Rows of 2, 1 and 3 items; heights with fractions, dropped per row.
  const float heights[] = {20.7f, 31.5f, 12, 10, 25.9f, 18};
  std::vector<CCMenuItem*> items;
  for (float h : heights) items.push_back(countingItem(30, h, &unused));
  CCMenu* menu = CCMenu::menuWithItems({items[0], items[1], items[2], items[3], items[4], items[5]});
  menu->alignItemsInColumns({2, 1, 3});

  // Row heights 31, 12, 25: total −5 + 36 + 17 + 30 = 78, so y starts at 39.
  const int rowHeights[] = {31, 12, 25};
  const int counts[] = {2, 1, 3};
  float y = 78 / 2;
  std::size_t index = 0;
  for (int row = 0; row < 3; ++row) {
    const float w = ww / static_cast<float>(counts[row] + 1);
    float x = w;
    for (int i = 0; i < counts[row]; ++i, ++index) {
      EXPECT_FLOAT_EQ(x - ww / 2, items[index]->position().x) << "item " << index;
      EXPECT_FLOAT_EQ(y - heights[index] / 2, items[index]->position().y) << "item " << index;
      x += w + 10;
    }
    y -= static_cast<float>(rowHeights[row]) + 5;
  }
  // The two items on the first row, as plain numbers.
  EXPECT_FLOAT_EQ(ww / 3 - ww / 2, items[0]->position().x);
  EXPECT_FLOAT_EQ(2 * ww / 3 + 10 - ww / 2, items[1]->position().x);
}

TEST_F(CCMenuTest, RowsCentreEachColumnIncludingUnevenColumns) {
  const float wh = CCDirector::sharedDirector()->winSize().height;
  int unused = 0;
  // Columns of 1 and 2 items.
  CCMenuItem* a = countingItem(41.5f, 30, &unused);
  CCMenuItem* b = countingItem(20, 10, &unused);
  CCMenuItem* c = countingItem(33, 20, &unused);
  CCMenu* menu = CCMenu::menuWithItems({a, b, c});
  menu->alignItemsInRows({1, 2});

  // Widths 41 and 33, total −10 + 51 + 43 = 84: x starts at −42.
  // Column heights −5 + 35 = 30 and −5 + 15 + 25 = 35.
  EXPECT_FLOAT_EQ(-42 + 41 / 2, a->position().x);
  EXPECT_FLOAT_EQ((30 + wh) / 2 - wh / 2, a->position().y);
  const float x2 = -42 + 41 + 5;
  EXPECT_FLOAT_EQ(x2 + 33 / 2, b->position().x);
  EXPECT_FLOAT_EQ(x2 + 33 / 2, c->position().x);
  EXPECT_FLOAT_EQ((35 + wh) / 2 - wh / 2, b->position().y);
  EXPECT_FLOAT_EQ((35 + wh) / 2 - 10 - 10 - wh / 2, c->position().y);
}

TEST_F(CCMenuTest, CountsThatDoNotMatchTheItemsFailAndMoveNothing) {
  int unused = 0;
  CCMenuItem* a = countingItem(10, 10, &unused);
  CCMenuItem* b = countingItem(10, 10, &unused);
  CCMenu* menu = CCMenu::menuWithItems({a, b});
  a->setPosition(CGPointMake(7, 7));
  testing_support::AssertionRecorder asserts;
  menu->alignItemsInColumns({1});
  menu->alignItemsInColumns({3});
  menu->alignItemsInColumns({0, 2});
  menu->alignItemsInRows({1});
  menu->alignItemsInRows({0});
  EXPECT_EQ((std::vector<std::string>{
                "Too many menu items for the amount of rows/columns.",
                "Too many rows/columns for available menu items.",
                "Can't have zero columns on a row",
                "Too many menu items for the amount of rows/columns.",
                "Can't have zero rows on a column",
            }),
            asserts.messages());
  EXPECT_FLOAT_EQ(7, a->position().x);
}

// [SECTION] Image items

TEST_F(CCMenuTest, ImageItemLoadsItsFilesAndRefusesAMissingNormalImage) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tessera-menu-images-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  auto writePNG = [&](const char* name, int width, int height) {
    const std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width * height * 4), 200);
    Ref<platform::Image> picture = platform::Image::imageWithPixels(
        width, height, platform::PixelLayout::RGBA, static_cast<std::size_t>(width * 4), rgba);
    ASSERT_TRUE(picture);
    auto png = picture->encodePNG();
    ASSERT_TRUE(png);
    std::ofstream((folder / name).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  };
  writePNG("normal.png", 40, 24);
  writePNG("pressed.png", 40, 24);
  platform::facts().resourceDir = folder.string();

  int activations = 0;
  CCMenuItemImage* item =
      CCMenuItemImage::itemFromNormalImage("normal.png", "pressed.png", [&](CCMenuItem*) { ++activations; });
  ASSERT_NE(item, nullptr);
  EXPECT_FLOAT_EQ(40, item->contentSize().width);
  EXPECT_FLOAT_EQ(24, item->contentSize().height);
  item->selected();
  EXPECT_FALSE(item->normalImage()->visible());
  EXPECT_TRUE(item->selectedImage()->visible());
  item->unselected();
  item->activate();
  EXPECT_EQ(1, activations);

  testing_support::LogCapture log;
  EXPECT_EQ(nullptr, CCMenuItemImage::itemFromNormalImage("absent.png", "pressed.png"));
  EXPECT_NE(log.text().find("absent.png"), std::string::npos) << log.text();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
