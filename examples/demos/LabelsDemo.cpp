// Labels of all three kinds: a bitmap-font label from a font description
// and its page, a system-font label re-rendered with a running count, and a
// character-map label of digits (the director's frame-rate digits) counting
// up every frame without rendering any text.

#include "Demos.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelAtlas.h"
#include "tessera/CCLabelBMFont.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScaleTo.h"
#include "tessera/CCSequence.h"
#include "tessera/ccMacros.h"

#include <cstdio>

namespace {

// Counts time on both counting labels.
class LabelsDemo : public CCNode {
  PLATFORM_CLASS(LabelsDemo, CCNode)
 public:
  CC_NODE_FACTORY(LabelsDemo)

  bool init() override {
    if (!CCNode::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    CCLabelBMFont* bitmap = CCLabelBMFont::labelWithString("Bitmap font: courier 12pt", "courierNew12pt.fnt");
    ttf_ = CCLabelTTF::labelWithString("System font: 0 s", "Helvetica", 28);
    atlas_ = CCLabelAtlas::labelWithString("0.00", "fps_images.png", 16, 24, '.');
    CCLabelTTF* boxed = CCLabelTTF::labelWithString("A system-font label in a box, wrapped and centred over two lines",
                                                    CGSizeMake(size.width * 0.6f, 60), kCCTextAlignmentCenter,
                                                    "Helvetica", 18);
    if (!bitmap || !ttf_ || !atlas_ || !boxed) return false;

    bitmap->setPosition(CGPointMake(size.width / 2, size.height * 0.78f));
    bitmap->setScale(1.5f);
    addChild(bitmap);
    // Each letter of a bitmap-font label is a sprite of its own: turn a few.
    for (unsigned i = 0; i < 6; ++i) {
      if (CCNode* letter = bitmap->getChildByTag(static_cast<int>(i))) {
        letter->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(1.0f + 0.3f * i, 360)));
      }
    }

    ttf_->setPosition(CGPointMake(size.width / 2, size.height * 0.6f));
    ttf_->setColor(ccc3(255, 220, 120));
    addChild(ttf_);
    boxed->setPosition(CGPointMake(size.width / 2, size.height * 0.42f));
    addChild(boxed);

    atlas_->setPosition(CGPointMake(size.width / 2 - 40, size.height * 0.22f));
    atlas_->setScale(2);
    atlas_->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(
        CCSequence::actions({CCScaleTo::actionWithDuration(0.5f, 2.3f), CCScaleTo::actionWithDuration(0.5f, 2)}))));
    addChild(atlas_);
    scheduleUpdate();
    return true;
  }

  void update(float dt) override {
    time_ += dt;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(time_));
    atlas_->setString(text);
    const int seconds = static_cast<int>(time_);
    if (seconds != shownSeconds_) {
      shownSeconds_ = seconds;
      std::snprintf(text, sizeof text, "System font: %d s", seconds);
      ttf_->setString(text);
    }
  }

 private:
  CCLabelTTF* ttf_ = nullptr;  // children
  CCLabelAtlas* atlas_ = nullptr;
  float time_ = 0;
  int shownSeconds_ = 0;
};

}  // namespace

CCNode* makeLabelsDemo() { return LabelsDemo::node(); }
