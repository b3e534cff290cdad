// A program built against the installed libraries only (see CMakeLists.txt
// and scripts/check-install): a headless director runs a scene with a colour
// layer and a system-font label for a few frames, then the program prints
// what it drew and exits 0. Any missing header, archive or system library in
// the installed package shows up as a build or link failure here.

#include "json/CJSONSerializer.h"
#include "platform/Application.h"
#include "platform/Ref.h"
#include "platform/Screen.h"
#include "platform/Window.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"

#include <cstdio>

namespace {

constexpr long kFrames = 3;
int g_status = 1;

// Counts its frames and ends the application after kFrames.
class ConsumerScene : public CCScene {
  PLATFORM_CLASS(ConsumerScene, CCScene)

 public:
  CC_NODE_FACTORY(ConsumerScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccc4(20, 30, 60, 255)));
    label_ = CCLabelTTF::labelWithString("installed", "Helvetica", 24);
    if (label_ == nullptr) return false;
    label_->setPosition(CGPointMake(size.width / 2, size.height / 2));
    addChild(label_);
    return true;
  }

  void visit() override {
    CCScene::visit();
    if (++frames_ != kFrames) return;
    const CGSize labelSize = label_->contentSize();
    const std::string text = json::CJSONSerializer::serializer()->serializeString("installed");
    std::printf("consumer: drew %ld frames, label %s of %.0fx%.0f\n", frames_, text.c_str(),
                double(labelSize.width), double(labelSize.height));
    g_status = labelSize.width > 0 && labelSize.height > 0 ? 0 : 1;
    platform::Application::sharedApplication()->terminate();
  }

 private:
  CCLabelTTF* label_ = nullptr;  // a child of the scene, which keeps it
  long frames_ = 0;
};

// Opens a window the size of the screen (headless here), attaches the
// director's GL view and runs the scene; ends the director on terminate.
class ConsumerDelegate : public platform::ApplicationDelegate {
  PLATFORM_CLASS(ConsumerDelegate, platform::ApplicationDelegate)

 public:
  void applicationDidFinishLaunching(platform::Application*) override {
    window_ = platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds());
    CCDirector::setDirectorType(kCCDirectorTypeTimer);
    auto* director = static_cast<CCDirectorIOS*>(CCDirector::sharedDirector());
    if (!director->attachInWindow(window_.get())) {
      std::fprintf(stderr, "consumer: could not attach the GL view\n");
      platform::Application::sharedApplication()->terminate();
      return;
    }
    director->setAnimationInterval(1.0 / 60.0);
    window_->makeKeyAndVisible();
    CCScene* scene = ConsumerScene::node();
    if (scene == nullptr) {
      std::fprintf(stderr, "consumer: could not build the scene\n");
      platform::Application::sharedApplication()->terminate();
      return;
    }
    director->runWithScene(scene);
  }

  void applicationWillTerminate(platform::Application*) override {
    CCDirector::sharedDirector()->end();
    window_ = nullptr;
  }

 private:
  platform::Ref<platform::Window> window_;
};

}  // namespace

int main(int argc, char** argv) {
  const int status = platform::applicationMain(argc, argv, "ConsumerDelegate");
  CCDirector::purgeSharedDirector();
  return status != 0 ? status : g_status;
}
