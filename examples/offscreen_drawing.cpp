// tessera [off-screen] example: a picture drawn through a grid whose
// vertices ripple, and a render texture that a small spinning square paints
// into every frame, shown by the render texture's own sprite.
//
// Shows: attaching a CCGrid3D to a node and moving its vertices from their
// undeformed positions each frame; drawing a node that is not in the scene
// into a CCRenderTexture between begin and end, and placing the render
// texture in the scene like any other node.
//
// Usage: offscreen_drawing [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// A still after one second, with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=offscreen.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCGrid3D.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCLayerGradient.h"
#include "tessera/CCRenderTexture.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"

#include <cmath>

namespace {

class OffscreenScene : public ExampleScene {
  PLATFORM_CLASS(OffscreenScene, ExampleScene)
 public:
  CC_NODE_FACTORY(OffscreenScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerGradient::layerWithColor(ccc4(40, 60, 140, 255), ccc4(5, 5, 20, 255), CGPointMake(0, -1)));

    // The rippling picture: two squares on a node that draws through a grid.
    picture_ = CCNode::node();
    for (int i = 0; i < 2; ++i) {
      CCLayerColor* square = CCLayerColor::layerWithColor(i == 0 ? ccc4(255, 140, 30, 255) : ccc4(60, 200, 120, 255),
                                                          140, 140);
      square->setPosition(CGPointMake(size.width / 2 - 140 + 140 * i, size.height / 2 - 70 * i));
      picture_->addChild(square);
    }
    addChild(picture_);
    grid_ = CCGrid3D::gridWithSize(ccg(16, 24));
    if (!grid_) return false;
    picture_->setGrid(grid_.get());
    grid_->setActive(true);

    // The render texture and the square it paints (kept out of the scene).
    canvas_ = CCRenderTexture::renderTextureWithWidth(96, 96);
    if (!canvas_) return false;
    canvas_->setPosition(CGPointMake(60, 60));
    addChild(canvas_.get());
    brush_ = CCLayerColor::layerWithColor(ccc4(255, 255, 255, 255), 40, 40);
    brush_->setIsRelativeAnchorPoint(true);
    brush_->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    brush_->setPosition(CGPointMake(48, 48));

    schedule(schedule_selector(OffscreenScene::tick));
    return true;
  }

  void tick(float dt) {
    time_ += dt;
    // Ripple: every vertex moves up and down from where it started.
    const ccGridSize cells = grid_->gridSize();
    for (int x = 0; x <= cells.x; ++x) {
      for (int y = 0; y <= cells.y; ++y) {
        ccVertex3F v = grid_->originalVertex(ccg(x, y));
        v.y += 8.0f * std::sin(time_ * 4.0f + v.x * 0.05f);
        grid_->setVertex(ccg(x, y), v);
      }
    }
    // Paint the spinning square into the render texture.
    brush_->setRotation(time_ * 30.0f);
    canvas_->beginWithClear(0.1f, 0.1f, 0.1f, 1.0f);
    brush_->visit();
    canvas_->end();
  }

 private:
  platform::Ref<CCNode> picture_;
  platform::Ref<CCGrid3D> grid_;
  platform::Ref<CCRenderTexture> canvas_;
  platform::Ref<CCLayerColor> brush_;
  float time_ = 0;
};

class OffscreenDelegate : public ExampleDelegate {
  PLATFORM_CLASS(OffscreenDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return OffscreenScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "OffscreenDelegate"); }
