// Progress timers: the same dial revealed four ways (clockwise,
// counter-clockwise, a bar from the left and a bar from the bottom), each
// filling on an eased curve and starting again.

#include "Demos.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCProgressFromTo.h"
#include "tessera/CCProgressTimer.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCSequence.h"

#include <cmath>

namespace {

// A 64 x 64 warm ring on a dark disc, so the sweep shows.
void dialPixel(int x, int y, std::uint8_t* p) {
  const float dx = static_cast<float>(x) - 31.5f, dy = static_cast<float>(y) - 31.5f;
  const float distance = dx * dx + dy * dy;
  const bool ring = distance > 22 * 22 && distance < 31 * 31;
  p[0] = ring ? 255 : 60;
  p[1] = ring ? 170 : 60;
  p[2] = ring ? 40 : 90;
  p[3] = 255;
}

struct Kind {
  CCProgressTimerType type;
  const char* name;
};

}  // namespace

CCNode* makeProgressDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  platform::Ref<CCTexture2D> dial = makeDemoTexture(64, 64, dialPixel);
  if (!dial) return nullptr;
  CCNode* root = CCNode::node();
  const Kind kinds[] = {{kCCProgressTimerTypeRadialCW, "radial, clockwise"},
                        {kCCProgressTimerTypeRadialCCW, "radial, anticlockwise"},
                        {kCCProgressTimerTypeHorizontalBarLR, "bar from the left"},
                        {kCCProgressTimerTypeVerticalBarBT, "bar from the bottom"}};
  int i = 0;
  for (const Kind& kind : kinds) {
    // Two by two.
    const float x = size.width * (i % 2 == 0 ? 0.28f : 0.72f);
    const float y = size.height * (i / 2 == 0 ? 0.68f : 0.32f);
    ++i;
    CCProgressTimer* timer = CCProgressTimer::progressWithTexture(dial.get());
    CCLabelTTF* name = CCLabelTTF::labelWithString(kind.name, "Helvetica", 12);
    if (!timer || !name) return nullptr;
    timer->setType(kind.type);
    timer->setScale(std::fmin(1.8f, size.width / 2.6f / 64));
    timer->setPosition(CGPointMake(x, y));
    timer->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions(
        {CCEaseSineInOut::actionWithAction(CCProgressFromTo::actionWithDuration(2, 0, 100)),
         CCDelayTime::actionWithDuration(0.4f)}))));
    root->addChild(timer);
    name->setPosition(CGPointMake(x, y - 70));
    root->addChild(name);
  }
  return root;
}
