#include "umbrascopeAppDelegate.h"

#include "HelloWorld.h"

#include "platform/GLContext.h"
#include "platform/Screen.h"
#include "tessera/CCDirector.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/CCDirectorIOS.h"
#include "tessera/Platforms/iOS/EAGLView.h"

// [SECTION] Launch

void umbrascopeAppDelegate::applicationDidFinishLaunching(platform::Application*) {
  setWindow(platform::Window::windowWithFrame(platform::Screen::mainScreen()->bounds()));

  // The display-refresh loop needs system 3.1; older systems get the timer loop.
  if (!CCDirector::setDirectorType(kCCDirectorTypeDisplayLink)) {
    CCDirector::setDirectorType(kCCDirectorTypeTimer);
  }
  CCDirector* director = CCDirector::sharedDirector();

  viewController_ = RootViewController::viewController();
  viewController_->setWantsFullScreenLayout(true);

  EAGLView* glView = EAGLView::viewWithFrame(window_->bounds(), platform::kEAGLColorFormatRGB565, 0);
  director->setOpenGLView(glView);
  // Portrait: the view controller, not the director, turns the picture.
  if (auto* iosDirector = dynamic_cast<CCDirectorIOS*>(director)) {
    iosDirector->setDeviceOrientation(kCCDeviceOrientationPortrait);
  }
  director->setAnimationInterval(kAnimationInterval);
  director->setDisplayFPS(false);

  viewController_->setView(glView);
  window_->addSubview(viewController_->view());
  window_->makeKeyAndVisible();

  CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA8888);
  removeStartupFlicker();
  director->runWithScene(HelloWorld::scene());
}

void umbrascopeAppDelegate::removeStartupFlicker() {}

// [SECTION] Lifecycle

void umbrascopeAppDelegate::applicationWillResignActive(platform::Application*) {
  CCDirector::sharedDirector()->pause();
}

void umbrascopeAppDelegate::applicationDidBecomeActive(platform::Application*) {
  CCDirector::sharedDirector()->resume();
}

void umbrascopeAppDelegate::applicationDidReceiveMemoryWarning(platform::Application*) {
  CCDirector::sharedDirector()->purgeCachedData();
}

void umbrascopeAppDelegate::applicationDidEnterBackground(platform::Application*) {
  CCDirector::sharedDirector()->stopAnimation();
}

void umbrascopeAppDelegate::applicationWillEnterForeground(platform::Application*) {
  CCDirector::sharedDirector()->startAnimation();
}

void umbrascopeAppDelegate::applicationSignificantTimeChange(platform::Application*) {
  CCDirector::sharedDirector()->setNextDeltaTimeZero(true);
}

void umbrascopeAppDelegate::applicationWillTerminate(platform::Application*) {
  CCDirector* director = CCDirector::sharedDirector();
  if (EAGLView* glView = director->openGLView()) glView->removeFromSuperview();
  viewController_ = nullptr;
  window_ = nullptr;
  director->end();
}

// [SECTION] Teardown

umbrascopeAppDelegate::~umbrascopeAppDelegate() {
  CCDirector::purgeSharedDirector();
  window_ = nullptr;
}
