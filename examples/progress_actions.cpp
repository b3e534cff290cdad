// tessera [actions] example: eased moves, instant actions and progress timers
// in sequences, drawn through the director.
//
// Shows: a radial progress timer filling clockwise on an eased curve and
// emptying counter-clockwise, a bar growing with a bounce, a square that
// overshoots on a back curve, hides, jumps back with an instant placement and
// reappears, and a call-back that counts the laps. The timers' image is made
// in code.
//
// Usage: progress_actions [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still half-way through the first fill, with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=progress.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "platform/Ref.h"
#include "tessera/CCActionEase.h"
#include "tessera/CCCallBlock.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCDirector.h"
#include "tessera/CCHide.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMoveBy.h"
#include "tessera/CCPlace.h"
#include "tessera/CCProgressFromTo.h"
#include "tessera/CCProgressTimer.h"
#include "tessera/CCProgressTo.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCScene.h"
#include "tessera/CCSequence.h"
#include "tessera/CCShow.h"
#include "tessera/CCTexture2D.h"
#include "tessera/ccMacros.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A 64 x 64 opaque picture: a warm ring on a dark disc, so the sweep shows.
platform::Ref<CCTexture2D> makeDialTexture() {
  constexpr int kSide = 64;
  std::vector<std::uint8_t> pixels(kSide * kSide * 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const float dx = x - 31.5f, dy = y - 31.5f;
      const float distance = dx * dx + dy * dy;
      std::uint8_t* p = &pixels[static_cast<std::size_t>((y * kSide + x) * 4)];
      const bool ring = distance > 22 * 22 && distance < 31 * 31;
      p[0] = ring ? 255 : 60;
      p[1] = ring ? 170 : 60;
      p[2] = ring ? 40 : 90;
      p[3] = 255;
    }
  }
  auto* texture = new CCTexture2D();
  if (!texture->initWithData(pixels.data(), kCCTexture2DPixelFormat_RGBA8888, kSide, kSide,
                             CGSizeMake(kSide, kSide))) {
    texture->release();
    return nullptr;
  }
  return platform::Ref<CCTexture2D>::adopt(texture);
}

class ProgressActionsScene : public ExampleScene {
  PLATFORM_CLASS(ProgressActionsScene, ExampleScene)
 public:
  CC_NODE_FACTORY(ProgressActionsScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccc4(20, 24, 40, 255)));

    platform::Ref<CCTexture2D> dial = makeDialTexture();
    if (!dial) return false;

    // Radial: fills clockwise on an eased curve, then empties the other way.
    CCProgressTimer* radial = CCProgressTimer::progressWithTexture(dial.get());
    radial->setType(kCCProgressTimerTypeRadialCW);
    radial->setScale(2);
    radial->setPosition(CGPointMake(size.width * 0.3f, size.height * 0.6f));
    addChild(radial);
    CCProgressTimer* radialBack = radial;
    auto* lap = CCCallBlock::actionWithBlock([this] { std::printf("progress_actions: lap %d\n", ++laps_); });
    auto* flipDirection = CCCallBlock::actionWithBlock([radialBack] {
      radialBack->setType(radialBack->type() == kCCProgressTimerTypeRadialCW ? kCCProgressTimerTypeRadialCCW
                                                                              : kCCProgressTimerTypeRadialCW);
    });
    radial->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions(
        {CCEaseSineInOut::actionWithAction(CCProgressFromTo::actionWithDuration(2, 0, 100)), flipDirection,
         CCEaseExponentialIn::actionWithAction(CCProgressFromTo::actionWithDuration(1, 100, 0)), flipDirection, lap,
         CCDelayTime::actionWithDuration(0.25f)}))));

    // Bar: grows from the bottom with a bounce; a full bar starts again from 0.
    CCProgressTimer* bar = CCProgressTimer::progressWithTexture(dial.get());
    bar->setType(kCCProgressTimerTypeVerticalBarBT);
    bar->setScale(2);
    bar->setPosition(CGPointMake(size.width * 0.7f, size.height * 0.6f));
    addChild(bar);
    bar->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions(
        {CCEaseBounceOut::actionWithAction(CCProgressTo::actionWithDuration(1.5f, 100)),
         CCDelayTime::actionWithDuration(0.5f)}))));

    // A square overshoots to the right, hides, is put back and shows again.
    CCLayerColor* square = CCLayerColor::layerWithColor(ccc4(90, 200, 255, 255), 40, 40);
    const CGPoint start = CGPointMake(size.width * 0.15f, size.height * 0.2f);
    square->setPosition(start);
    addChild(square);
    square->runAction(CCRepeatForever::actionWithAction(static_cast<CCActionInterval*>(CCSequence::actions(
        {CCEaseBackOut::actionWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(size.width * 0.6f, 0))),
         CCHide::action(), CCDelayTime::actionWithDuration(0.3f), CCPlace::actionWithPosition(start), CCShow::action(),
         CCEaseElasticOut::actionWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(0, 20))),
         CCEaseElasticOut::actionWithAction(CCMoveBy::actionWithDuration(1, CGPointMake(0, 20)))->reverse()}))));
    return true;
  }

 private:
  int laps_ = 0;
};

class ProgressActionsDelegate : public ExampleDelegate {
  PLATFORM_CLASS(ProgressActionsDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return ProgressActionsScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "ProgressActionsDelegate"); }
