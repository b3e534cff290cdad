#include "tessera/CCDirector.h"

#include "platform/Assert.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/StringUtils.h"
#include "platform/Time.h"
#include "tessera/CCActionManager.h"
#include "tessera/CCAnimationCache.h"
#include "tessera/CCLabelAtlas.h"
#include "tessera/CCLabelBMFont.h"
#include "tessera/CCNode.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureCache.h"
#include "tessera/CCTransition.h"
#include "tessera/Platforms/iOS/EAGLView.h"

#include <GLES/gl.h>

#include <cstdint>
#include <utility>

// [SECTION] Singleton
// [SECTION] Scenes
// [SECTION] Loop and time
// [SECTION] View, sizes, projection and GL state

namespace {
// The one director; set by installSharedDirector, cleared by the purge and
// by the director's destructor.
CCDirector* g_sharedDirector = nullptr;
}  // namespace

// [SECTION] Singleton

CCDirector* CCDirector::sharedDirector() {
  if (g_sharedDirector != nullptr) return g_sharedDirector;
  return CCDirectorTimer::sharedDirector();
}

CCDirector* CCDirector::existingDirector() { return g_sharedDirector; }

CCDirector* CCDirector::installSharedDirector(CCDirector* director) {
  g_sharedDirector = director;
  director->init();
  return director;
}

bool CCDirector::setDirectorType(int type) {
  switch (type) {
    case kCCDirectorTypeTimer:
      CCDirectorTimer::sharedDirector();
      return true;
    case kCCDirectorTypeFast:
      CCDirectorFast::sharedDirector();
      return true;
    case kCCDirectorTypeFastThreaded:
      CCDirectorFastThreaded::sharedDirector();
      return true;
    case kCCDirectorTypeDisplayLink:
      // The display-refresh callback arrived with system 3.1.
      if (platform::compareVersions(platform::facts().systemVersion, "3.1") < 0) return false;
      CCDirectorDisplayLink::sharedDirector();
      return true;
    default:
      CCAssert(false, "Unknown director type");
      return false;
  }
}

const platform::ClassInfo& CCDirector::defaultDirector() { return CCDirectorTimer::classInfo_; }

void CCDirector::purgeSharedDirector() {
  CCDirector* director = g_sharedDirector;
  if (director == nullptr) return;
  // A running display-refresh callback retains the director: stop the loop
  // first so the release below is the last one.
  director->stopAnimation();
  g_sharedDirector = nullptr;
  director->release();
}

CCDirector::CCDirector() {
  CCAssert(g_sharedDirector == nullptr, "Attempted to allocate a second instance of a singleton.");
}

bool CCDirector::init() {
  animationInterval_ = 1.0 / 60.0;
  oldAnimationInterval_ = animationInterval_;
  isPaused_ = false;
  runningScene_ = nullptr;
  notificationNode_ = nullptr;
  nextScene_ = nullptr;
  scenesStack_.clear();
  scenesStack_.reserve(10);
  projection_ = kCCDirectorProjection3D;
  winSizeInPoints_ = CGSizeZero;
  winSizeInPixels_ = CGSizeZero;
  runningThread_ = std::this_thread::get_id();
  return true;
}

CCDirector::~CCDirector() {
  FPSLabel_ = nullptr;
  runningScene_ = nullptr;
  notificationNode_ = nullptr;
  scenesStack_.clear();
  projectionDelegate_ = nullptr;
  projectionCallbacks_ = nullptr;
  if (g_sharedDirector == this) g_sharedDirector = nullptr;
}

// [SECTION] Scenes

void CCDirector::runWithScene(CCScene* scene) {
  CCAssert(scene != nullptr, "Argument must be non-nil");
  CCAssert(runningScene_ == nullptr,
           "You can't run an scene if another Scene is running. Use replaceScene or pushScene instead");
  if (scene == nullptr || runningScene_ != nullptr) return;
  pushScene(scene);
  startAnimation();
}

void CCDirector::pushScene(CCScene* scene) {
  CCAssert(scene != nullptr, "Argument must be non-nil");
  if (scene == nullptr) return;
  sendCleanupToScene_ = false;
  scenesStack_.emplace_back(scene);
  nextScene_ = scene;
}

void CCDirector::popScene() {
  CCAssert(runningScene_ != nullptr, "A running Scene is needed");
  if (runningScene_ == nullptr) return;
  scenesStack_.pop_back();
  if (scenesStack_.empty()) {
    end();
  } else {
    sendCleanupToScene_ = true;
    nextScene_ = scenesStack_.back().get();
  }
}

void CCDirector::replaceScene(CCScene* scene) {
  CCAssert(scene != nullptr, "Argument must be non-nil");
  CCAssert(!scenesStack_.empty(), "replaceScene needs a scene on the stack; start with runWithScene");
  if (scene == nullptr || scenesStack_.empty()) return;
  sendCleanupToScene_ = true;
  scenesStack_.back() = scene;
  nextScene_ = scene;
}

bool CCDirector::isTransitionScene(const CCScene* scene) {
  return dynamic_cast<const CCTransitionScene*>(scene) != nullptr;
}

void CCDirector::setNextScene() {
  const bool runningIsTransition = isTransitionScene(runningScene_.get());
  const bool nextIsTransition = isTransitionScene(nextScene_);

  // A transition sends these itself once it has finished.
  if (!nextIsTransition && runningScene_) {
    runningScene_->onExit();
    // A replaced or popped scene also stops its actions and callbacks.
    if (sendCleanupToScene_) runningScene_->cleanup();
  }

  runningScene_ = nextScene_;  // the outgoing scene may be destroyed here
  nextScene_ = nullptr;

  if (!runningIsTransition && runningScene_) {
    runningScene_->onEnter();
    runningScene_->onEnterTransitionDidFinish();
  }
}

void CCDirector::end() {
  if (platform::Ref<CCScene> scene = runningScene_) {
    scene->onExit();
    scene->cleanup();
  }
  runningScene_ = nullptr;
  nextScene_ = nullptr;

  // The stack is emptied but kept: runWithScene may follow.
  scenesStack_.clear();

  stopAnimation();

  FPSLabel_ = nullptr;
  projectionDelegate_ = nullptr;
  projectionCallbacks_ = nullptr;

  // Caches of things made from files go before the scheduler and the action
  // manager, textures last: frames and animations still hold textures.
  // Purging the action manager unschedules it from a new, empty scheduler.
  CCLabelBMFont::purgeCachedData();
  CCAnimationCache::purgeSharedAnimationCache();
  CCSpriteFrameCache::purgeSharedSpriteFrameCache();
  CCScheduler::purgeSharedScheduler();
  CCActionManager::purgeSharedManager();
  CCTextureCache::purgeSharedTextureCache();

  openGLView_ = nullptr;
}

// [SECTION] Loop and time

void CCDirector::pause() {
  if (isPaused_) return;
  oldAnimationInterval_ = animationInterval_;
  // Four frames per second while paused: the scene is still drawn.
  setAnimationInterval(1.0 / 4.0);
  isPaused_ = true;
}

void CCDirector::resume() {
  if (!isPaused_) return;
  setAnimationInterval(oldAnimationInterval_);
  resetLastUpdate();  // the paused time does not count
  isPaused_ = false;
  dt_ = 0.0f;
}

void CCDirector::resetLastUpdate() {
  const platform::TimeValue now = platform::wallClock();
  lastUpdate_ = TimeValue32{static_cast<std::int32_t>(now.seconds), static_cast<std::int32_t>(now.microseconds)};
  hasLastUpdate_ = true;
}

void CCDirector::calculateDeltaTime() {
  const platform::TimeValue reading = platform::wallClock();
  const TimeValue32 now{static_cast<std::int32_t>(reading.seconds),
                        static_cast<std::int32_t>(reading.microseconds)};

  if (nextDeltaTimeZero_) {
    dt_ = 0.0f;
    nextDeltaTimeZero_ = false;
  } else if (!hasLastUpdate_) {
    // No earlier reading to measure from (a frame drawn before the loop
    // started): measuring from the epoch would give decades.
    dt_ = 0.0f;
  } else {
    // The differences are taken in 64 bits so a wild clock cannot overflow
    // them; the division is done in float.
    const std::int64_t seconds = std::int64_t{now.seconds} - lastUpdate_.seconds;
    const std::int64_t microseconds = std::int64_t{now.microseconds} - lastUpdate_.microseconds;
    dt_ = static_cast<float>(seconds) + static_cast<float>(microseconds) / 1000000.0f;
    // A clock that stepped back gives 0, never a negative time.
    if (dt_ < 0.0f) dt_ = 0.0f;
  }

  lastUpdate_ = now;
  hasLastUpdate_ = true;
}

// [SECTION] View, sizes, projection and GL state

void CCDirector::setOpenGLView(EAGLView* view) {
  CCAssert(view != nullptr, "OpenGLView must be non-nil");
  if (view == nullptr || view == openGLView_.get()) return;
  openGLView_ = view;
  const CGSize size = view->bounds().size;
  winSizeInPoints_ = size;
  winSizeInPixels_ = size;
  setGLDefaultValues();
}

void CCDirector::reshapeProjection(CGSize size) {
  winSizeInPoints_ = size;
  winSizeInPixels_ = size;
  setProjection(projection_);
}

float CCDirector::getZEye() const { return winSizeInPixels_.height / 1.1566f; }

void CCDirector::setProjectionDelegate(platform::Object* delegate) {
  if (delegate == nullptr) {
    projectionDelegate_ = nullptr;
    projectionCallbacks_ = nullptr;
    return;
  }
  auto* callbacks = dynamic_cast<CCProjectionProtocol*>(delegate);
  CCAssert(callbacks != nullptr, "The projection delegate must adopt CCProjectionProtocol");
  if (callbacks == nullptr) return;
  projectionDelegate_ = delegate;
  projectionCallbacks_ = callbacks;
}

void CCDirector::setAlphaBlending(bool on) {
  if (on) {
    glEnable(GL_BLEND);
    // Textures carry premultiplied alpha.
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glDisable(GL_BLEND);
  }
}

void CCDirector::setDepthTest(bool on) {
  if (on) {
    glClearDepthf(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
}

void CCDirector::makeOpenGLContextCurrent() {
  if (!openGLView_) return;
  platform::GLContext* context = openGLView_->context();
  if (context != nullptr && platform::GLContext::currentContext() != context) {
    platform::GLContext::setCurrentContext(context);
  }
}

void CCDirector::setGLDefaultValues() {
  CCAssert(openGLView_ != nullptr, "openGLView_ must be initialized");
  makeOpenGLContextCurrent();
  setAlphaBlending(true);
  setDepthTest(true);
  setProjection(projection_);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

  if (!FPSLabel_) {
    // 16-bit digits are plenty for the readout and save texture memory.
    const CCTexture2DPixelFormat format = CCTexture2D::defaultAlphaPixelFormat();
    CCTexture2D::setDefaultAlphaPixelFormat(kCCTexture2DPixelFormat_RGBA4444);
    FPSLabel_ = CCLabelAtlas::labelWithString("00.0", "fps_images.png", 16, 24, '.');
    CCTexture2D::setDefaultAlphaPixelFormat(format);
  }
}

void CCDirector::showFPS() {
  ++frames_;
  accumDt_ += dt_;
  if (accumDt_ > 0.1f) {
    frameRate_ = static_cast<float>(frames_) / accumDt_;
    frames_ = 0;
    accumDt_ = 0.0f;
    if (FPSLabel_) FPSLabel_->setString(platform::formatString("%.1f", static_cast<double>(frameRate_)));
  }
  // draw(), not visit(): the label sits at the origin of the current space.
  if (FPSLabel_) FPSLabel_->draw();
}

void CCDirector::purgeCachedData() {
  CCLabelBMFont::purgeCachedData();
  CCTextureCache::purgeSharedTextureCache();
}

void CCDirector::setNotificationNode(CCNode* node) { notificationNode_ = node; }
