#include "tessera/Platforms/iOS/CCDirectorIOS.h"

#include "platform/Application.h"
#include "platform/Assert.h"
#include "platform/AutoreleasePool.h"
#include "platform/GLContext.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/Screen.h"
#include "platform/Selector.h"
#include "platform/Time.h"
#include "platform/View.h"
#include "tessera/CCNode.h"
#include "tessera/CCScene.h"
#include "tessera/CCScheduler.h"
#include "tessera/Platforms/iOS/CCTouchDispatcher.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "tessera/Support/glu.h"
#include "tessera/ccMacros.h"

#include <GLES/gl.h>
#include <GLES/glext.h>

#include <chrono>
#include <climits>
#include <cmath>

// [SECTION] CCDirectorIOS: creation and formats
// [SECTION] CCDirectorIOS: attaching the view
// [SECTION] CCDirectorIOS: content scale
// [SECTION] CCDirectorIOS: orientation, sizes and coordinates
// [SECTION] CCDirectorIOS: projection, frame, end
// [SECTION] CCDirectorTimer
// [SECTION] CCDirectorDisplayLink
// [SECTION] CCDirectorFast
// [SECTION] CCDirectorFastThreaded

namespace {

CGSize scaled(CGSize size, float factor) { return CGSizeMake(size.width * factor, size.height * factor); }

// How long the fast loops sleep per frame while paused: a quarter second.
constexpr double kPausedSleepSeconds = 0.25;

}  // namespace

// [SECTION] CCDirectorIOS: creation and formats

CCDirector* CCDirectorIOS::sharedDirector() {
  if (CCDirector* director = existingDirector()) return director;
  return installSharedDirector(new CCDirectorIOS());
}

bool CCDirectorIOS::init() {
  if (!CCDirector::init()) return false;
  deviceOrientation_ = kCCDeviceOrientationPortrait;
  isContentScaleSupported_ = false;
  pixelFormat_ = kCCPixelFormatRGB565;
  depthBufferFormat_ = kCCDepthBufferNone;
  ccSetContentScaleFactor(1.0f);
  runningThread_ = std::this_thread::get_id();
  return true;
}

void CCDirectorIOS::setPixelFormat(int format) {
  CCAssert(!isOpenGLAttached(), "Can't change the pixel format after the director was initialized");
  pixelFormat_ = format;
}

void CCDirectorIOS::setDepthBufferFormat(int format) {
  CCAssert(!isOpenGLAttached(), "Can't change the depth buffer format after the director was initialized");
  depthBufferFormat_ = format;
}

// [SECTION] CCDirectorIOS: attaching the view

bool CCDirectorIOS::isOpenGLAttached() const { return openGLView_ && openGLView_->superview() != nullptr; }

bool CCDirectorIOS::attachInWindow(platform::View* window) {
  return initOpenGLViewWithView(window, window ? window->bounds() : CGRectZero);
}

bool CCDirectorIOS::attachInView(platform::View* view) {
  return initOpenGLViewWithView(view, view ? view->bounds() : CGRectZero);
}

bool CCDirectorIOS::attachInView(platform::View* view, const CGRect& frame) {
  return initOpenGLViewWithView(view, frame);
}

bool CCDirectorIOS::initOpenGLViewWithView(platform::View* host, const CGRect& frame) {
  CCAssert(!isOpenGLAttached(),
           "FATAL: Can't re-attach the OpenGL View, because it is already attached. Detach it first");
  if (isOpenGLAttached()) return false;

  if (openGLView_) {
    openGLView_->setFrame(frame);
  } else {
    const char* colorFormat = "";
    if (pixelFormat_ == kCCPixelFormatRGB565) colorFormat = platform::kEAGLColorFormatRGB565;
    if (pixelFormat_ == kCCPixelFormatRGBA8888) colorFormat = platform::kEAGLColorFormatRGBA8;
    GLuint depthFormat = 0;
    if (depthBufferFormat_ == kCCDepthBuffer16) depthFormat = GL_DEPTH_COMPONENT16_OES;
    if (depthBufferFormat_ == kCCDepthBuffer24) depthFormat = GL_DEPTH_COMPONENT24_OES;

    EAGLView* view = EAGLView::viewWithFrame(frame, colorFormat, depthFormat, false, nullptr, false, 0);
    CCAssert(view != nullptr, "FATAL: Could not alloc and init the OpenGL view. ");
    if (view == nullptr) return false;
    view->setOpaque(true);
    openGLView_ = view;
  }

  winSizeInPoints_ = frame.size;
  winSizeInPixels_ = scaled(frame.size, CC_CONTENT_SCALE_FACTOR());

  // Touches go to the dispatcher, as far as the host lets them through.
  CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
  openGLView_->setTouchDelegate(dispatcher);
  const bool interactive = host != nullptr && host->isUserInteractionEnabled();
  openGLView_->setUserInteractionEnabled(interactive);
  dispatcher->setDispatchEvents(interactive);
  openGLView_->setMultipleTouchEnabled(host != nullptr && host->isMultipleTouchEnabled());

  if (host != nullptr) host->addSubview(openGLView_.get());
  CCAssert(isOpenGLAttached(), "FATAL: Director: Could not attach OpenGL view");
  if (!isOpenGLAttached()) return false;

  setGLDefaultValues();
  return true;
}

bool CCDirectorIOS::detach() {
  CCAssert(isOpenGLAttached(),
           "FATAL: Director: Can't detach the OpenGL View, because it is not attached. Attach it first.");
  if (openGLView_) openGLView_->removeFromSuperview();
  CCAssert(!isOpenGLAttached(),
           "FATAL: Director: Can't detach the OpenGL View, it is still attached to the superview.");
  return true;
}

void CCDirectorIOS::setOpenGLView(EAGLView* view) {
  if (view == openGLView_.get()) return;
  CCDirector::setOpenGLView(view);
  if (view == nullptr) return;

  const float factor = CC_CONTENT_SCALE_FACTOR();
  winSizeInPixels_ = scaled(winSizeInPoints_, factor);
  if (factor != 1.0f) updateContentScaleFactor();

  CCTouchDispatcher* dispatcher = CCTouchDispatcher::sharedDispatcher();
  view->setTouchDelegate(dispatcher);
  dispatcher->setDispatchEvents(true);
}

// [SECTION] CCDirectorIOS: content scale

float CCDirectorIOS::contentScaleFactor() const { return CC_CONTENT_SCALE_FACTOR(); }

void CCDirectorIOS::setContentScaleFactor(float factor) {
  if (factor == CC_CONTENT_SCALE_FACTOR()) return;
  ccSetContentScaleFactor(factor);
  winSizeInPixels_ = scaled(winSizeInPoints_, factor);
  if (openGLView_) updateContentScaleFactor();
  setProjection(projection_);
}

void CCDirectorIOS::updateContentScaleFactor() {
  if (!openGLView_ || !openGLView_->canTakeContentScaleFactor()) return;
  openGLView_->setContentScaleFactor(CC_CONTENT_SCALE_FACTOR());
  isContentScaleSupported_ = true;
}

bool CCDirectorIOS::enableRetinaDisplay(bool enable) {
  const float current = CC_CONTENT_SCALE_FACTOR();
  if ((enable && current == 2.0f) || (!enable && current == 1.0f)) return true;
  if (!openGLView_ || !openGLView_->canTakeContentScaleFactor()) return false;
  platform::Screen* screen = platform::Screen::mainScreen();
  if (!screen->hasScale() || screen->scale() == 1.0f) return false;
  setContentScaleFactor(enable ? 2.0f : 1.0f);
  return true;
}

// [SECTION] CCDirectorIOS: orientation, sizes and coordinates

void CCDirectorIOS::setDeviceOrientation(int orientation) {
  if (orientation == deviceOrientation_) return;
  deviceOrientation_ = orientation;
  switch (orientation) {
    case kCCDeviceOrientationPortrait:
    case kCCDeviceOrientationPortraitUpsideDown:
    case kCCDeviceOrientationLandscapeLeft:
    case kCCDeviceOrientationLandscapeRight:
      // The interface orientations share the device's numbers.
      platform::Application::sharedApplication()->setStatusBarOrientation(orientation, false);
      break;
    default:
      CCLOG("Director: Unknown device orientation");
      break;
  }
}

void CCDirectorIOS::applyOrientation() {
  const float w = winSizeInPixels_.width / 2.0f;
  const float h = winSizeInPixels_.height / 2.0f;
  // Turn about the centre of the portrait surface; in landscape the scene's
  // own origin then lands at the corner of the turned window.
  switch (deviceOrientation_) {
    case kCCDeviceOrientationPortraitUpsideDown:
      glTranslatef(w, h, 0.0f);
      glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
      glTranslatef(-w, -h, 0.0f);
      break;
    case kCCDeviceOrientationLandscapeLeft:
      glTranslatef(w, h, 0.0f);
      glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
      glTranslatef(-h, -w, 0.0f);
      break;
    case kCCDeviceOrientationLandscapeRight:
      glTranslatef(w, h, 0.0f);
      glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
      glTranslatef(-h, -w, 0.0f);
      break;
    default:
      break;
  }
}

CGSize CCDirectorIOS::winSize() const {
  if (deviceOrientation_ == kCCDeviceOrientationLandscapeLeft ||
      deviceOrientation_ == kCCDeviceOrientationLandscapeRight) {
    return CGSizeMake(winSizeInPoints_.height, winSizeInPoints_.width);
  }
  return winSizeInPoints_;
}

CGSize CCDirectorIOS::winSizeInPixels() const { return scaled(winSize(), CC_CONTENT_SCALE_FACTOR()); }

void CCDirectorIOS::reshapeProjection(CGSize) {
  if (!openGLView_) return;
  winSizeInPoints_ = openGLView_->bounds().size;
  winSizeInPixels_ = scaled(winSizeInPoints_, CC_CONTENT_SCALE_FACTOR());
  setProjection(projection_);
}

CGPoint CCDirectorIOS::convertToGL(CGPoint point) const {
  const float w = winSizeInPoints_.width;
  const float h = winSizeInPoints_.height;
  switch (deviceOrientation_) {
    case kCCDeviceOrientationPortrait:
      return CGPointMake(point.x, h - point.y);
    case kCCDeviceOrientationPortraitUpsideDown:
      return CGPointMake(w - point.x, point.y);
    case kCCDeviceOrientationLandscapeLeft:
      return CGPointMake(point.y, point.x);
    case kCCDeviceOrientationLandscapeRight:
      return CGPointMake(h - point.y, w - point.x);
    default:
      return CGPointZero;
  }
}

CGPoint CCDirectorIOS::convertToUI(CGPoint point) const {
  const float w = winSizeInPoints_.width;
  const float h = winSizeInPoints_.height;
  CGPoint ui = CGPointZero;
  switch (deviceOrientation_) {
    case kCCDeviceOrientationPortrait:
      ui = CGPointMake(point.x, std::trunc(h - point.y));
      break;
    case kCCDeviceOrientationPortraitUpsideDown:
      ui = CGPointMake(std::trunc(w - point.x), point.y);
      break;
    case kCCDeviceOrientationLandscapeLeft:
      ui = CGPointMake(point.y, point.x);
      break;
    case kCCDeviceOrientationLandscapeRight:
      ui = CGPointMake(w - point.y, h - point.x);
      break;
    default:
      break;
  }
  const float inverse = 1.0f / CC_CONTENT_SCALE_FACTOR();
  return CGPointMake(ui.x * inverse, ui.y * inverse);
}

// [SECTION] CCDirectorIOS: projection, frame, end

void CCDirectorIOS::setProjection(int projection) {
  makeOpenGLContextCurrent();
  const float w = winSizeInPixels_.width;
  const float h = winSizeInPixels_.height;
  switch (projection) {
    case kCCDirectorProjection2D: {
      const float depth = 1024.0f * CC_CONTENT_SCALE_FACTOR();
      glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      glOrthof(0.0f, w, 0.0f, h, -depth, depth);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      break;
    }
    case kCCDirectorProjection3D: {
      const float zEye = getZEye();
      glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      ccPerspective(60.0f, w / h, 0.5f, 1500.0f);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      ccLookAt(w / 2.0f, h / 2.0f, zEye, w / 2.0f, h / 2.0f, 0.0f, 0.0f, 1.0f, 0.0f);
      break;
    }
    case kCCDirectorProjectionCustom:
      if (projectionCallbacks_ != nullptr) projectionCallbacks_->updateProjection();
      break;
    default:
      break;
  }
  projection_ = projection;
}

void CCDirectorIOS::drawScene() {
  // Scheduled callbacks may make GL objects too: the view's context first.
  makeOpenGLContextCurrent();
  calculateDeltaTime();

  if (!isPaused_) {
    // Held through the tick: a callback may end the director, which purges
    // the shared scheduler while it is still walking its entries.
    platform::Ref<CCScheduler> scheduler(CCScheduler::sharedScheduler());
    scheduler->tick(dt_);
  }

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // After the tick: the incoming scene's callbacks start next frame.
  if (nextScene_ != nullptr) setNextScene();

  glPushMatrix();
  applyOrientation();

  // The states every node may assume when it draws, and must leave as found.
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnable(GL_TEXTURE_2D);

  if (platform::Ref<CCScene> scene = runningScene_) scene->visit();
  if (platform::Ref<CCNode> node = notificationNode_) node->visit();
  if (displayFPS_) showFPS();

  glDisable(GL_TEXTURE_2D);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glPopMatrix();

  if (platform::Ref<EAGLView> view = openGLView_) view->swapBuffers();
}

void CCDirectorIOS::end() {
  CCTouchDispatcher::sharedDispatcher()->removeAllDelegates();
  CCDirector::end();
}

// [SECTION] CCDirectorTimer

CCDirector* CCDirectorTimer::sharedDirector() {
  if (CCDirector* director = existingDirector()) return director;
  return installSharedDirector(new CCDirectorTimer());
}

CCDirectorTimer::~CCDirectorTimer() {
  if (animationTimer_) CCDirectorTimer::stopAnimation();
}

void CCDirectorTimer::startAnimation() {
  CCAssert(!animationTimer_, "animationTimer must be nil. Calling startAnimation twice?");
  // A second timer would double the frame rate and could never be stopped.
  if (animationTimer_) return;
  resetLastUpdate();
  // The timer holds the director weakly: the director invalidates it in
  // stopAnimation and in its destructor.
  animationTimer_ = platform::Timer::scheduledTimer(animationInterval_, true,
                                                    [this](platform::Timer*) { mainLoop(); });
}

void CCDirectorTimer::stopAnimation() {
  if (!animationTimer_) return;
  animationTimer_->invalidate();
  animationTimer_ = nullptr;
}

void CCDirectorTimer::setAnimationInterval(double interval) {
  animationInterval_ = interval;
  if (animationTimer_) {
    stopAnimation();
    startAnimation();
  }
}

void CCDirectorTimer::mainLoop() { drawScene(); }

// [SECTION] CCDirectorDisplayLink

CCDirector* CCDirectorDisplayLink::sharedDirector() {
  if (CCDirector* director = existingDirector()) return director;
  return installSharedDirector(new CCDirectorDisplayLink());
}

int CCDirectorDisplayLink::frameIntervalForAnimationInterval(double interval) {
  const double refreshes = interval * 60.0;
  if (!(refreshes > 0.0)) return 0;  // also NaN
  if (refreshes >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(refreshes);
}

CCDirectorDisplayLink::~CCDirectorDisplayLink() {
  if (displayLink_) CCDirectorDisplayLink::stopAnimation();
}

void CCDirectorDisplayLink::startAnimation() {
  // A link still running would keep firing beside the new one.
  if (displayLink_) stopAnimation();
  resetLastUpdate();

  const platform::ClassInfo* linkClass = platform::ClassInfo::named("CADisplayLink");
  if (linkClass == nullptr || !linkClass->isSubclassOf(platform::DisplayLink::classInfo_)) {
    CCLOG("tessera: CCDirectorDisplayLink: the platform offers no display-refresh callback (CADisplayLink)");
    return;
  }
  displayLink_ = platform::DisplayLink::displayLinkWithTarget(this, CC_SEL(CCDirectorDisplayLink::mainLoop));
  displayLink_->setFrameInterval(frameIntervalForAnimationInterval(animationInterval_));
  displayLink_->addToRunLoop(platform::RunLoop::main());
}

void CCDirectorDisplayLink::stopAnimation() {
  if (!displayLink_) return;
  displayLink_->invalidate();
  displayLink_ = nullptr;
}

void CCDirectorDisplayLink::setAnimationInterval(double interval) {
  animationInterval_ = interval;
  if (displayLink_) {
    stopAnimation();
    startAnimation();
  }
}

void CCDirectorDisplayLink::mainLoop(platform::DisplayLink*) { drawScene(); }

// [SECTION] CCDirectorFast

CCDirector* CCDirectorFast::sharedDirector() {
  if (CCDirector* director = existingDirector()) return director;
  return installSharedDirector(new CCDirectorFast());
}

bool CCDirectorFast::init() {
  if (!CCDirectorIOS::init()) return false;
  isRunning_ = false;
  // Collects what is autoreleased between creation and the first start.
  initPoolToken_ = platform::AutoreleasePool::push();
  initPoolOpen_ = true;
  return true;
}

void CCDirectorFast::startAnimation() {
  if (initPoolOpen_) {
    initPoolOpen_ = false;
    // Only while it is still the innermost scope: once an enclosing scope has
    // ended it, the token may name somebody else's scope.
    if (platform::AutoreleasePool::depth() == initPoolToken_ + 1) platform::AutoreleasePool::pop(initPoolToken_);
  }
  resetLastUpdate();
  isRunning_ = true;
  platform::Ref<CCDirectorFast> self(this);
  platform::performOnMainThread([self] { self->mainLoop(); }, false);
}

void CCDirectorFast::stopAnimation() { isRunning_ = false; }

void CCDirectorFast::setAnimationInterval(double) { CCLOG("FastDirectory doesn't support setAnimationInterval, yet"); }

void CCDirectorFast::mainLoop() {
  // One loop at a time: a start made while the loop runs (stop and start in
  // one frame) finds it running and leaves it to carry on.
  if (inMainLoop_) return;
  inMainLoop_ = true;
  platform::Ref<CCDirectorFast> keep(this);
  platform::RunLoop& loop = platform::RunLoop::main();
  while (isRunning_) {
    platform::AutoreleasePool pool;
    while (loop.runOnce(false)) {
    }
    if (isPaused_) platform::sleepFor(kPausedSleepSeconds);
    drawScene();
    while (loop.runOnce(false)) {
    }
  }
  inMainLoop_ = false;
}

// [SECTION] CCDirectorFastThreaded

CCDirector* CCDirectorFastThreaded::sharedDirector() {
  if (CCDirector* director = existingDirector()) return director;
  return installSharedDirector(new CCDirectorFastThreaded());
}

CCDirectorFastThreaded::CCDirectorFastThreaded() : loopState_(std::make_shared<LoopState>()) {
  loopState_->director = this;
}

CCDirectorFastThreaded::~CCDirectorFastThreaded() {
  {
    std::lock_guard lock(loopState_->mutex);
    loopState_->cancelled = true;
    loopState_->running = false;
    loopState_->director = nullptr;
  }
  loopState_->changed.notify_all();
  // The thread never blocks on the main thread, so this cannot deadlock.
  if (thread_.joinable()) thread_.join();
}

void CCDirectorFastThreaded::startAnimation() {
  resetLastUpdate();
  {
    std::lock_guard lock(loopState_->mutex);
    loopState_->running = true;
    loopState_->paused = isPaused_;
  }
  loopState_->changed.notify_all();
  if (!thread_.joinable()) thread_ = std::thread(&CCDirectorFastThreaded::mainLoop, loopState_);
}

void CCDirectorFastThreaded::stopAnimation() {
  std::lock_guard lock(loopState_->mutex);
  loopState_->running = false;
}

void CCDirectorFastThreaded::setAnimationInterval(double) {
  CCLOG("FastDirector doesn't support setAnimationInterval, yet");
}

bool CCDirectorFastThreaded::isRunning() const {
  std::lock_guard lock(loopState_->mutex);
  return loopState_->running;
}

void CCDirectorFastThreaded::mainLoop(std::shared_ptr<LoopState> state) {
  // Runs on the main thread: draws the frame unless the director has gone or
  // stopped since the request, then reports back.
  auto drawFrame = [state] {
    platform::Ref<CCDirectorFastThreaded> director;
    {
      std::lock_guard lock(state->mutex);
      if (state->running) director = state->director;
    }
    bool paused = false;
    if (director) {
      director->drawScene();
      paused = director->isPaused();
    }
    // Released before locking: this may be the last reference, and the
    // destructor takes the lock.
    director = nullptr;
    {
      std::lock_guard lock(state->mutex);
      state->frameDone = true;
      state->paused = paused;
    }
    state->changed.notify_all();
  };

  std::unique_lock lock(state->mutex);
  while (!state->cancelled) {
    if (!state->running) {
      state->changed.wait(lock, [&] { return state->running || state->cancelled; });
      continue;
    }
    state->frameDone = false;
    lock.unlock();
    platform::performOnMainThread(drawFrame, false);
    lock.lock();
    state->changed.wait(lock, [&] { return state->frameDone || state->cancelled; });
    if (state->paused && !state->cancelled) {
      state->changed.wait_for(lock, std::chrono::duration<double>(kPausedSleepSeconds),
                              [&] { return state->cancelled; });
    }
  }
}
