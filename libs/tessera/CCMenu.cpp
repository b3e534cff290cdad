#include "tessera/CCMenu.h"

#include "platform/Application.h"
#include "platform/Assert.h"
#include "platform/Ref.h"
#include "platform/Touch.h"
#include "tessera/CCDirector.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Support/CCArray.h"

#include <cmath>

namespace {

constexpr float kDefaultPadding = 5;

// A size taken as a whole number the way the grid layouts count: the
// fraction dropped, NaN and negative sizes as 0.
unsigned wholeSize(float size) { return size >= 1 ? static_cast<unsigned>(size) : 0u; }

template <class F>
void forEachItem(const CCArray* children, F&& f) {
  if (children == nullptr) return;
  for (platform::Object* child : *children) f(static_cast<CCMenuItem*>(child));
}

}  // namespace

// [SECTION] Creation

CCMenu* CCMenu::menuWithItems(std::initializer_list<CCMenuItem*> items) {
  const std::vector<CCMenuItem*> list(items);
  return platform::createAutoreleased<CCMenu>([&](CCMenu& menu) { return menu.initWithItems(list); });
}

bool CCMenu::init() {
  CCAssert(false, "CCMenu: Init not supported.");
  return false;
}

bool CCMenu::initWithItems(const std::vector<CCMenuItem*>& items) {
  if (!CCLayer::init()) return false;
  // Not running yet: this only sets the switch; onEnter registers.
  setIsTouchEnabled(true);
  setIsRelativeAnchorPoint(false);
  setAnchorPoint(CGPointMake(0.5f, 0.5f));
  const CGSize window = CCDirector::sharedDirector()->winSize();
  setContentSize(window);

  // The centre of the screen below the status bar, which lies along the
  // long side in landscape.
  const CGRect statusBar = platform::Application::sharedApplication()->statusBarFrame();
  float statusBarSize = statusBar.size.height;
  if (auto* director = dynamic_cast<CCDirectorIOS*>(CCDirector::sharedDirector())) {
    const int orientation = director->deviceOrientation();
    if (orientation == kCCDeviceOrientationLandscapeLeft || orientation == kCCDeviceOrientationLandscapeRight) {
      statusBarSize = statusBar.size.width;
    }
  }
  setPosition(CGPointMake(window.width / 2, (window.height - statusBarSize) / 2));

  std::int32_t z = 0;
  for (CCMenuItem* item : items) {
    if (item == nullptr) break;
    addChild(item, z++);
  }
  selectedItem_ = nullptr;
  state_ = kCCMenuStateWaiting;
  opacity_ = 255;
  color_ = ccWHITE;
  return true;
}

// [SECTION] Children

void CCMenu::addChild(CCNode* child, std::int32_t z, std::int32_t tag) {
  const bool isItem = dynamic_cast<CCMenuItem*>(child) != nullptr;
  CCAssert(isItem, "Menu only supports MenuItem objects as children");
  if (!isItem) return;
  CCLayer::addChild(child, z, tag);
}

void CCMenu::removeChild(CCNode* child, bool cleanup) {
  if (child != nullptr && child == selectedItem_) selectedItem_ = nullptr;
  CCLayer::removeChild(child, cleanup);
}

void CCMenu::removeAllChildrenWithCleanup(bool cleanup) {
  selectedItem_ = nullptr;
  CCLayer::removeAllChildrenWithCleanup(cleanup);
}

// [SECTION] Alignment

void CCMenu::alignItemsVertically() { alignItemsVerticallyWithPadding(kDefaultPadding); }

void CCMenu::alignItemsVerticallyWithPadding(float padding) {
  float height = -padding;
  forEachItem(children(), [&](CCMenuItem* item) { height += item->contentSize().height * item->scaleY() + padding; });
  float y = height / 2.0f;
  forEachItem(children(), [&](CCMenuItem* item) {
    const float itemHeight = item->contentSize().height * item->scaleY();
    item->setPosition(CGPointMake(0, y - itemHeight / 2.0f));
    y -= itemHeight + padding;
  });
}

void CCMenu::alignItemsHorizontally() { alignItemsHorizontallyWithPadding(kDefaultPadding); }

void CCMenu::alignItemsHorizontallyWithPadding(float padding) {
  float width = -padding;
  forEachItem(children(), [&](CCMenuItem* item) { width += item->contentSize().width * item->scaleX() + padding; });
  float x = -width / 2.0f;
  forEachItem(children(), [&](CCMenuItem* item) {
    const float itemWidth = item->contentSize().width * item->scaleX();
    item->setPosition(CGPointMake(x + itemWidth / 2.0f, 0));
    x += itemWidth + padding;
  });
}

void CCMenu::alignItemsInColumns(const std::vector<int>& columns) {
  // Measure: every row's height (its tallest item, whole points) and the
  // total. A count list that does not fit the items changes nothing.
  std::vector<unsigned> rowHeights;
  int height = -5;
  {
    std::size_t row = 0;
    unsigned rowHeight = 0;
    int occupied = 0;
    bool fits = true;
    forEachItem(children(), [&](CCMenuItem* item) {
      if (!fits) return;
      CCAssert(row < columns.size(), "Too many menu items for the amount of rows/columns.");
      if (row >= columns.size()) {
        fits = false;
        return;
      }
      const int rowColumns = columns[row];
      CCAssert(rowColumns > 0, "Can't have zero columns on a row");
      if (rowColumns <= 0) {
        fits = false;
        return;
      }
      rowHeight = std::max(rowHeight, wholeSize(item->contentSize().height));
      if (++occupied >= rowColumns) {
        height += static_cast<int>(rowHeight) + 5;
        rowHeights.push_back(rowHeight);
        occupied = 0;
        rowHeight = 0;
        ++row;
      }
    });
    if (!fits) return;
    CCAssert(occupied == 0, "Too many rows/columns for available menu items.");
    if (occupied != 0) return;
  }

  // Place: rows from the top, items spread over the window's width.
  const CGSize window = CCDirector::sharedDirector()->winSize();
  std::size_t row = 0;
  int rowColumns = 0;
  int occupied = 0;
  float w = 0;
  float x = 0;
  float y = static_cast<float>(height / 2);
  forEachItem(children(), [&](CCMenuItem* item) {
    if (rowColumns == 0) {
      rowColumns = columns[row];
      w = window.width / static_cast<float>(1 + rowColumns);
      x = w;
    }
    item->setPosition(CGPointMake(x - window.width / 2, y - item->contentSize().height / 2));
    x += w + 10;
    if (++occupied >= rowColumns) {
      y -= static_cast<float>(rowHeights[row]) + 5;
      occupied = 0;
      rowColumns = 0;
      ++row;
    }
  });
}

void CCMenu::alignItemsInRows(const std::vector<int>& rows) {
  // Measure: every column's width (its widest item, whole points) and
  // height, and the total width.
  std::vector<unsigned> columnWidths;
  std::vector<int> columnHeights;
  int width = -10;
  {
    std::size_t column = 0;
    unsigned columnWidth = 0;
    int columnHeight = -5;
    int occupied = 0;
    bool fits = true;
    forEachItem(children(), [&](CCMenuItem* item) {
      if (!fits) return;
      CCAssert(column < rows.size(), "Too many menu items for the amount of rows/columns.");
      if (column >= rows.size()) {
        fits = false;
        return;
      }
      const int columnRows = rows[column];
      CCAssert(columnRows > 0, "Can't have zero rows on a column");
      if (columnRows <= 0) {
        fits = false;
        return;
      }
      columnWidth = std::max(columnWidth, wholeSize(item->contentSize().width));
      columnHeight += static_cast<int>(wholeSize(item->contentSize().height + 5));
      if (++occupied >= columnRows) {
        columnWidths.push_back(columnWidth);
        columnHeights.push_back(columnHeight);
        width += static_cast<int>(columnWidth) + 10;
        occupied = 0;
        columnWidth = 0;
        columnHeight = -5;
        ++column;
      }
    });
    if (!fits) return;
    CCAssert(occupied == 0, "Too many rows/columns for available menu items.");
    if (occupied != 0) return;
  }

  // Place: columns from the left, each centred vertically.
  const CGSize window = CCDirector::sharedDirector()->winSize();
  std::size_t column = 0;
  int columnRows = 0;
  int occupied = 0;
  float x = static_cast<float>(-width / 2);
  float y = 0;
  forEachItem(children(), [&](CCMenuItem* item) {
    if (columnRows == 0) {
      columnRows = rows[column];
      y = (static_cast<float>(columnHeights[column]) + window.height) / 2;
    }
    item->setPosition(CGPointMake(x + static_cast<float>(columnWidths[column] / 2), y - window.height / 2));
    y -= item->contentSize().height + 10;
    if (++occupied >= columnRows) {
      x += static_cast<float>(columnWidths[column]) + 5;
      occupied = 0;
      columnRows = 0;
      ++column;
    }
  });
}

// [SECTION] Touches

void CCMenu::registerWithTouchDispatcher() {
  CCTouchDispatcher::sharedDispatcher()->addTargetedDelegate(this, kCCMenuTouchPriority, true);
}

unsigned CCMenu::touchSelectorMask() const {
  return kCCTouchSelectorMovedBit | kCCTouchSelectorEndedBit | kCCTouchSelectorCancelledBit;
}

bool CCMenu::isShown() const {
  for (const CCNode* node = this; node != nullptr; node = node->parent()) {
    if (!node->visible()) return false;
  }
  return true;
}

CCMenuItem* CCMenu::itemForTouch(platform::Touch* touch) const {
  if (touch == nullptr || children() == nullptr) return nullptr;
  const CGPoint location = CCDirector::sharedDirector()->convertToGL(touch->locationInView(touch->view()));
  for (platform::Object* child : *children()) {
    auto* item = static_cast<CCMenuItem*>(child);
    if (!item->visible() || !item->isEnabled()) continue;
    const CGPoint local = item->convertToNodeSpace(location);
    const CGSize size = item->contentSize();
    if (CGRectContainsPoint(CGRectMake(0, 0, size.width, size.height), local)) return item;
  }
  return nullptr;
}

bool CCMenu::ccTouchBegan(platform::Touch* touch, platform::Event* /*event*/) {
  if (state_ != kCCMenuStateWaiting || !isShown()) return false;
  selectedItem_ = itemForTouch(touch);
  if (selectedItem_ == nullptr) return false;
  selectedItem_->selected();
  state_ = kCCMenuStateTrackingTouch;
  return true;
}

void CCMenu::ccTouchMoved(platform::Touch* touch, platform::Event* /*event*/) {
  CCAssert(state_ == kCCMenuStateTrackingTouch, "[Menu ccTouchMoved] -- invalid state");
  if (state_ != kCCMenuStateTrackingTouch) return;
  CCMenuItem* item = itemForTouch(touch);
  if (item == selectedItem_) return;
  if (selectedItem_) selectedItem_->unselected();
  selectedItem_ = item;
  if (selectedItem_) selectedItem_->selected();
}

void CCMenu::ccTouchEnded(platform::Touch* /*touch*/, platform::Event* /*event*/) {
  CCAssert(state_ == kCCMenuStateTrackingTouch, "[Menu ccTouchEnded] -- invalid state");
  if (state_ != kCCMenuStateTrackingTouch) return;
  // The touch is over before the item acts: its action may remove the item
  // or the menu, and the menu must not be left tracking.
  platform::Ref<CCMenu> keepMenu(this);
  platform::Ref<CCMenuItem> item(selectedItem_);
  state_ = kCCMenuStateWaiting;
  selectedItem_ = nullptr;
  if (item) {
    item->unselected();
    item->activate();
  }
}

void CCMenu::ccTouchCancelled(platform::Touch* /*touch*/, platform::Event* /*event*/) {
  CCAssert(state_ == kCCMenuStateTrackingTouch, "[Menu ccTouchCancelled] -- invalid state");
  if (state_ != kCCMenuStateTrackingTouch) return;
  if (selectedItem_) selectedItem_->unselected();
  selectedItem_ = nullptr;
  state_ = kCCMenuStateWaiting;
}

void CCMenu::onExit() {
  if (state_ == kCCMenuStateTrackingTouch) {
    if (selectedItem_) selectedItem_->unselected();
    state_ = kCCMenuStateWaiting;
    selectedItem_ = nullptr;
  }
  CCLayer::onExit();
}

// [SECTION] Colour

void CCMenu::setColor(const ccColor3B& color) {
  color_ = color;
  forEachItem(children(), [&](CCMenuItem* item) {
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(item)) rgba->setColor(color);
  });
}

void CCMenu::setOpacity(GLubyte opacity) {
  opacity_ = opacity;
  forEachItem(children(), [&](CCMenuItem* item) {
    if (auto* rgba = dynamic_cast<CCRGBAProtocol*>(item)) rgba->setOpacity(opacity);
  });
}
