// A headless check of a game scene, as a test would make it: the director
// draws into an off-screen window on a manual clock, a second and a half of
// frames run in no real time, and the last frame is read back and its pixels
// checked. Exits 0 when the scene looks right, 1 when not, 77 (skipped) when
// no GL context can be made.

#include "platform/AutoreleasePool.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMoveTo.h"
#include "tessera/CCScene.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <cstdio>

// [guide:check]
namespace {

// The pixel at (x, y), y up from the bottom, of a frame read back (rows from
// the top).
const std::uint8_t* pixelAt(const platform::CapturedFrame& frame, int x, int y) {
  return &frame.rgba[(static_cast<std::size_t>(frame.height - 1 - y) * frame.width + x) * 4];
}

bool sceneLooksRight() {
  platform::AutoreleasePool pool;
  auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
  director->setPixelFormat(kCCPixelFormatRGBA8888);  // read-back needs 8 bits a channel
  platform::Ref<platform::Window> window = platform::Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
  if (!director->attachInWindow(window.get())) return false;

  // The scene under test: a red box that moves to (200, 100) in one second.
  CCScene* scene = CCScene::node();
  CCLayerColor* box = CCLayerColor::layerWithColor(ccc4(255, 0, 0, 255), 40, 40);
  box->runAction(CCMoveTo::actionWithDuration(1, CGPointMake(200, 100)));
  scene->addChild(box);
  director->runWithScene(scene);
  window->makeKeyAndVisible();

  platform::RunLoop::main().runFor(1.5);  // on the manual clock: no real waiting

  const platform::CapturedFrame frame = platform::captureLastPresentedFrame();
  if (frame.width != 320 || frame.height != 480) return false;
  const std::uint8_t* inside = pixelAt(frame, 220, 120);
  const std::uint8_t* before = pixelAt(frame, 20, 20);  // where the box started
  const bool right = box->position().x == 200 && inside[0] == 255 && inside[1] == 0 && before[0] == 0;
  CCDirector::sharedDirector()->end();
  return right;
}

}  // namespace

int main() {
  platform::facts().headless = true;
  platform::facts().resourceDir = GUIDE_RESOURCES;  // the director's frame-rate digits among them
  platform::ManualClock clock;  // replaces the clocks and sleeping until main returns
  {
    platform::AutoreleasePool pool;
    if (EAGLView::viewWithFrame(CGRectMake(0, 0, 8, 8)) == nullptr) return 77;
  }
  if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) return 1;
  const bool right = sceneLooksRight();
  CCDirector::purgeSharedDirector();
  std::printf("headless check: %s\n", right ? "the box is where it should be" : "WRONG");
  return right ? 0 : 1;
}
// [guide:end]
