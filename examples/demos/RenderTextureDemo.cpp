// Render texture: a brush (a small turning square) painted into a render
// texture along a looping path every frame without clearing, so the path
// builds up a picture; the texture is cleared every few seconds.

#include "Demos.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCRenderTexture.h"

#include <cmath>

namespace {

class PaintingDemo : public CCNode {
  PLATFORM_CLASS(PaintingDemo, CCNode)
 public:
  CC_NODE_FACTORY(PaintingDemo)

  bool init() override {
    if (!CCNode::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    side_ = static_cast<int>(std::fmin(size.width, size.height) * 0.7f);
    canvas_ = CCRenderTexture::renderTextureWithWidth(side_, side_);
    if (!canvas_) return false;
    canvas_->setPosition(CGPointMake(size.width / 2, size.height / 2));
    addChild(canvas_);
    brush_ = CCLayerColor::layerWithColor(ccc4(255, 255, 255, 255), 14, 14);
    brush_->setIsRelativeAnchorPoint(true);
    brush_->setAnchorPoint(CGPointMake(0.5f, 0.5f));
    canvas_->beginWithClear(0.1f, 0.1f, 0.15f, 1);
    canvas_->end();
    scheduleUpdate();
    return true;
  }

  void update(float dt) override {
    time_ += dt;
    if (time_ - clearedAt_ > 6) {
      clearedAt_ = time_;
      canvas_->beginWithClear(0.1f, 0.1f, 0.15f, 1);
      canvas_->end();
    }
    // A rose curve, its colour cycling.
    const float half = static_cast<float>(side_) / 2, t = time_ * 1.3f;
    const float r = half * 0.85f * std::cos(3 * t * 0.5f);
    brush_->setPosition(CGPointMake(half + r * std::cos(t), half + r * std::sin(t)));
    brush_->setRotation(time_ * 120);
    brush_->setColor(ccc3(static_cast<GLubyte>(128 + 127 * std::sin(time_)),
                          static_cast<GLubyte>(128 + 127 * std::sin(time_ + 2.1f)),
                          static_cast<GLubyte>(128 + 127 * std::sin(time_ + 4.2f))));
    canvas_->begin();
    brush_->visit();
    canvas_->end();
  }

 private:
  CCRenderTexture* canvas_ = nullptr;  // a child
  platform::Ref<CCLayerColor> brush_;  // drawn only into the canvas
  int side_ = 0;
  float time_ = 0, clearedAt_ = 0;
};

}  // namespace

CCNode* makeRenderTextureDemo() { return PaintingDemo::node(); }
