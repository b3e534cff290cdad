// tessera [director] example: a coloured square layer turning in the middle
// of the screen over a gradient, drawn through the director, the GL view and
// its renderer.
//
// Shows: choosing a loop variant (display refresh, falling back to a timer),
// attaching the GL view to a window, running a scene of layers, turning a
// layer about its centre with a repeating action, and ending the director when
// the application terminates.
//
// Usage: rotating_square [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still of the square a quarter turn on (one turn takes 4 s), with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=square.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"


namespace {

// The scene: a gradient filling the screen, and a square colour layer at its
// centre that turns once every four seconds. The scene counts its frames and
// ends the application after the limit.
class RotatingSquareScene : public ExampleScene {
  PLATFORM_CLASS(RotatingSquareScene, ExampleScene)
 public:
  CC_NODE_FACTORY(RotatingSquareScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();

    // Midnight blue at the top fading to near black at the bottom.
    addChild(CCLayerGradient::layerWithColor(ccc4(40, 60, 140, 255), ccc4(5, 5, 20, 255), CGPointMake(0, -1)));

    // A layer's position is normally its bottom-left corner and it turns
    // about that corner. With a relative anchor point the position names the
    // anchor instead, and (0.5, 0.5) puts it, and the pivot, at the centre.
    CCLayerColor* square = CCLayerColor::layerWithColor(ccc4(255, 140, 30, 255), 120, 120);
    square->setIsRelativeAnchorPoint(true);
    square->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    square->setPosition(CGPointMake(size.width / 2, size.height / 2));
    square->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(4, 360)));
    addChild(square);
    return true;
  }
};

class RotatingSquareDelegate : public ExampleDelegate {
  PLATFORM_CLASS(RotatingSquareDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return RotatingSquareScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "RotatingSquareDelegate"); }
