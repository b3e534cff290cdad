// The sprite storm drawn by the engine, through the path a game takes: the
// platform director with its GL view attached to a platform window, a scene
// holding a layer whose scheduled per-frame update moves and turns every
// sprite, the sprites held by batch nodes on one sheet texture, and
// drawScene() once a frame (called directly, so frames run back to back
// instead of waiting for display refreshes). The view presents as it always
// does: the frame goes from the engine's frame buffer into the X11 window.

#include "Renderers.h"

#include "platform/Application.h"
#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Image.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayer.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSprite.h"
#include "tessera/CCSpriteBatchNode.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"
#include "tessera/CCTextureCache.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <GLES/gl.h>

#include <span>
#include <vector>

namespace storm {

namespace {

// The layer that runs the storm: its update() poses every sprite for the
// frame number the harness set before drawScene().
class StormLayer : public CCLayer {
  PLATFORM_CLASS(StormLayer, CCLayer)

 public:
  CC_NODE_FACTORY(StormLayer)

  bool init() override {
    if (!CCLayer::init()) return false;
    scheduleUpdate();  // registered paused; starts when the scene enters
    return true;
  }

  void setFrameNumber(std::uint32_t frame) { frame_ = frame; }
  void addSprite(CCSprite* sprite) { sprites_.push_back(sprite); }

  void update(float) override {
    const auto count = static_cast<std::uint32_t>(sprites_.size());
    for (std::uint32_t i = 0; i < count; ++i) {
      const SpritePose pose = spritePose(i, frame_);
      CCSprite* sprite = sprites_[i];
      // The engine's y axis points up.
      sprite->setPosition(CGPointMake(pose.x, static_cast<float>(kFrameHeight) - pose.y));
      sprite->setRotation(pose.rotation);
    }
  }

 private:
  std::vector<CCSprite*> sprites_;  // weak: their batch nodes retain them
  std::uint32_t frame_ = 0;
};

// Every singleton a director run leaves behind, in an order where each
// releases cleanly.
void purgeEngine() {
  CCDirector::purgeSharedDirector();
  CCTouchDispatcher::purgeSharedDispatcher();
  CCActionManager::purgeSharedManager();
  CCScheduler::purgeSharedScheduler();
  CCTextureCache::purgeSharedTextureCache();
  platform::Application::purgeSharedApplication();
}

const char* blendFactorName(GLenum factor) {
  switch (factor) {
    case GL_ONE:
      return "ONE";
    case GL_SRC_ALPHA:
      return "SRC_ALPHA";
    case GL_ONE_MINUS_SRC_ALPHA:
      return "ONE_MINUS_SRC_ALPHA";
    default:
      return "other";
  }
}

// Puts the run's sprites into `layer` through as few batch nodes as the
// atlas's limit of kCCTextureAtlasMaxCapacity quads (16-bit indices) allows,
// filled evenly, and poses them for frame 0. Returns how they are drawn.
std::string addSprites(StormLayer* layer, CCTexture2D* texture, const StormRun& run) {
  const SpriteSheet& sheet = *run.sheet;
  const std::uint32_t batchCount = (run.spriteCount + kCCTextureAtlasMaxCapacity - 1) / kCCTextureAtlasMaxCapacity;
  const std::uint32_t perBatch = batchCount ? (run.spriteCount + batchCount - 1) / batchCount : 0;
  std::vector<CCSpriteBatchNode*> batches;  // held by the layer
  for (std::uint32_t b = 0; b < batchCount; ++b) {
    const std::uint32_t capacity = std::min(perBatch, run.spriteCount - b * perBatch);
    CCSpriteBatchNode* batch = CCSpriteBatchNode::batchNodeWithTexture(texture, capacity);
    layer->addChild(batch);
    batches.push_back(batch);
  }
  const float edge = static_cast<float>(sheet.cellSize);
  for (std::uint32_t i = 0; i < run.spriteCount; ++i) {
    const int cell = spriteCell(i, sheet);
    const CGRect rect =
        CGRectMake(static_cast<float>(sheet.cellX(cell)), static_cast<float>(sheet.cellY(cell)), edge, edge);
    CCSprite* sprite = CCSprite::spriteWithTexture(texture, rect);
    batches[i / perBatch]->addChild(sprite);
    layer->addSprite(sprite);
  }
  layer->update(0);

  const ccBlendFunc blend = batches.empty() ? ccBlendFunc{} : batches.front()->blendFunc();
  return std::to_string(batchCount) + (batchCount == 1 ? " batch node" : " batch nodes") + " of up to " +
         std::to_string(perBatch) + " sprites, texture " +
         (texture->hasPremultipliedAlpha() ? "premultiplied" : "straight") + ", blend (" + blendFactorName(blend.src) +
         ", " + blendFactorName(blend.dst) + ")";
}

}  // namespace

RendererResult runTessera(const StormRun& run) {
  RendererResult result;
  // A run that never opened a window presents nowhere; the comparison would
  // be unfair.
  platform::facts().headless = false;
  if (platform::facts().resourceDir.empty()) platform::facts().resourceDir = TESSERA_STORM_RESOURCES;
  {
    platform::AutoreleasePool pool;
    auto* director = static_cast<CCDirectorIOS*>(CCDirectorIOS::sharedDirector());
    director->setPixelFormat(kCCPixelFormatRGBA8888);
    platform::Ref<platform::Window> window =
        platform::Window::windowWithFrame(CGRectMake(0, 0, kFrameWidth, kFrameHeight));
    if (!director->attachInWindow(window.get())) {
      result.error = "the director could not attach its GL view";
      window = nullptr;
      purgeEngine();
    } else {
      // One unit per pixel, as the other renderers draw.
      director->setProjection(kCCDirectorProjection2D);
      window->makeKeyAndVisible();
      // One pass shows the desktop window and lays the view out.
      platform::RunLoop::main().runOnce(false);
      platform::GLContext::setCurrentContext(director->openGLView()->context());
      if (const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER))) result.glRenderer = renderer;
      if (!window->hasNativeWindow()) result.error = "no desktop window: the frames would not be presented";

      StormLayer* layer = nullptr;
      if (result.error.empty()) {
        platform::AutoreleasePool buildPool;
        // The sheet as the engine loads any image with alpha: premultiplied
        // RGBA 8888, drawn with (ONE, ONE_MINUS_SRC_ALPHA).
        platform::Image* image = platform::Image::imageWithPixels(kSheetSize, kSheetSize, platform::PixelLayout::RGBA,
                                                                  static_cast<std::size_t>(kSheetSize) * 4,
                                                                  std::span<const std::uint8_t>(run.sheet->rgba));
        CCTexture2D* texture = image ? CCTextureCache::sharedTextureCache()->addCGImage(image, "storm-sheet") : nullptr;
        if (texture == nullptr) {
          result.error = "the sheet texture could not be made";
        } else {
          CCScene* scene = CCScene::node();
          layer = StormLayer::node();
          scene->addChild(layer);
          result.method = addSprites(layer, texture, run);
          glClearColor(kClearColor[0] / 255.0f, kClearColor[1] / 255.0f, kClearColor[2] / 255.0f, 1.0f);
          director->runWithScene(scene);
          // The scene enters during this frame; its update runs from the next.
          director->drawScene();
        }
      }

      if (result.error.empty()) {
        result.times = timeFrames(run.plan, [&](std::uint32_t frame) {
          platform::RunLoop::main().runOnce(false);  // window events, as the director's loop would
          layer->setFrameNumber(frame);
          director->drawScene();
          glFinish();
          return true;
        });
        if (platform::GLContext::currentContext() != director->openGLView()->context()) {
          result.error = "the engine's context was not current after a frame: glFinish waited for nothing";
        }
        // The check frame, presented like the others and read back from the
        // platform's record of the last presented frame.
        layer->setFrameNumber(run.plan.checkFrame());
        director->drawScene();
        const platform::CapturedFrame captured = platform::captureLastPresentedFrame();
        result.checkImage.width = captured.width;
        result.checkImage.height = captured.height;
        result.checkImage.rgba = captured.rgba;
      }

      // Teardown: the scene, the sprites, the batch nodes and the sheet go
      // while the engine's context is still current.
      platform::GLContext::setCurrentContext(director->openGLView()->context());
      director->end();
      window = nullptr;
      purgeEngine();
    }
  }
  // The context stays alive while it is current; letting go of it destroys it.
  platform::GLContext::setCurrentContext(nullptr);
  platform::forgetLastPresentedFrame();
  return result;
}

}  // namespace storm
