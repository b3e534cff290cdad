#include "platform/Facts.h"
#include "platform/RunLoop.h"
#include "platform/Time.h"
#include "platform/Touch.h"
#include "platform/View.h"
#include "platform/ViewController.h"
#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using platform::Ref;
using platform::RunLoop;
using platform::Touch;
using platform::TouchPhase;
using platform::View;
using platform::Window;

namespace {

template <class T>
Ref<T> make(const CGRect& frame) {
  Ref<T> view = Ref<T>::adopt(new T());
  view->initWithFrame(frame);
  return view;
}

// [SECTION] Hit testing and conversion

TEST(ViewHitTestTest, TopmostVisibleInteractiveViewTakesThePoint) {
  Ref<View> root = make<View>(CGRectMake(0, 0, 480, 320));
  Ref<View> glView = make<View>(CGRectMake(0, 0, 480, 320));
  Ref<View> banner = make<View>(CGRectMake(0, 288, 480, 32));
  Ref<View> label = make<View>(CGRectMake(10, 4, 100, 20));
  root->addSubview(glView);
  glView->addSubview(banner);
  banner->addSubview(label);

  EXPECT_EQ(root->hitTest(CGPointMake(240, 100)), glView.get());
  EXPECT_EQ(root->hitTest(CGPointMake(240, 300)), banner.get());
  EXPECT_EQ(root->hitTest(CGPointMake(20, 295)), label.get());  // deepest first
  EXPECT_EQ(root->hitTest(CGPointMake(480, 100)), nullptr);     // the far edge is outside

  banner->setHidden(true);
  EXPECT_EQ(root->hitTest(CGPointMake(20, 295)), glView.get());  // hidden hides its subviews too
  banner->setHidden(false);
  banner->setUserInteractionEnabled(false);
  EXPECT_EQ(root->hitTest(CGPointMake(20, 295)), glView.get());

  // The last added sibling is on top.
  Ref<View> cover = make<View>(CGRectMake(0, 0, 480, 320));
  glView->addSubview(cover);
  EXPECT_EQ(root->hitTest(CGPointMake(20, 295)), cover.get());
  glView->addSubview(banner);  // adding again moves it to the top
  banner->setUserInteractionEnabled(true);
  EXPECT_EQ(root->hitTest(CGPointMake(20, 295)), label.get());
}

TEST(ViewHitTestTest, ConversionsAddUpTheFramesOnTheWay) {
  Ref<View> root = make<View>(CGRectMake(100, 100, 480, 320));  // the root's own origin does not count
  Ref<View> a = make<View>(CGRectMake(10, 20, 200, 200));
  Ref<View> b = make<View>(CGRectMake(5, 5, 50, 50));
  Ref<View> c = make<View>(CGRectMake(300, 10, 50, 50));
  root->addSubview(a);
  a->addSubview(b);
  root->addSubview(c);
  const CGPoint inRoot = b->convertPointToView(CGPointMake(1, 2), nullptr);
  EXPECT_EQ(inRoot.x, 16);
  EXPECT_EQ(inRoot.y, 27);
  const CGPoint inC = b->convertPointToView(CGPointMake(1, 2), c);
  EXPECT_EQ(inC.x, -284);
  EXPECT_EQ(inC.y, 17);
  const CGPoint back = b->convertPointFromView(inC, c);
  EXPECT_EQ(back.x, 1);
  EXPECT_EQ(back.y, 2);
}

TEST(ViewTreeTest, RemovingAndReparentingKeepsLinksConsistent) {
  Ref<View> first = make<View>(CGRectMake(0, 0, 10, 10));
  Ref<View> second = make<View>(CGRectMake(0, 0, 10, 10));
  View* child = View::view();
  first->addSubview(child);
  second->addSubview(child);
  EXPECT_TRUE(first->subviews().empty());
  EXPECT_EQ(child->superview(), second.get());
  const auto count = child->retainCount();
  child->removeFromSuperview();
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->retainCount(), count - 1);
}

TEST(ViewControllerTest, MemoryWarningReleasesOnlyAViewOutsideAnyTree) {
  class Controller : public platform::ViewController {
   public:
    void viewDidUnload() override { ++unloads; }
    int unloads = 0;
  };
  Ref<Controller> controller = Ref<Controller>::adopt(new Controller());
  Ref<View> host = make<View>(CGRectMake(0, 0, 10, 10));
  controller->setView(View::view());
  host->addSubview(controller->view());
  EXPECT_EQ(controller->view()->viewController(), controller.get());
  controller->didReceiveMemoryWarning();
  EXPECT_NE(controller->view(), nullptr);
  controller->view()->removeFromSuperview();
  controller->didReceiveMemoryWarning();
  EXPECT_EQ(controller->view(), nullptr);
  EXPECT_EQ(controller->unloads, 1);
}

// [SECTION] Touches from SDL events

struct Delivery {
  TouchPhase phase;
  Touch* touch;
  CGPoint location;
  CGPoint previous;
  unsigned taps;
  std::size_t allTouches;
};

class TouchRecordingView : public View {
  PLATFORM_CLASS(TouchRecordingView, View)
 public:
  void touchesBegan(platform::TouchSet* touches, platform::Event* event) override { record(touches, event); }
  void touchesMoved(platform::TouchSet* touches, platform::Event* event) override { record(touches, event); }
  void touchesEnded(platform::TouchSet* touches, platform::Event* event) override { record(touches, event); }
  void touchesCancelled(platform::TouchSet* touches, platform::Event* event) override { record(touches, event); }
  std::vector<Delivery> deliveries;

 private:
  void record(platform::TouchSet* touches, platform::Event* event) {
    for (Touch* touch : *touches) {
      deliveries.push_back({touch->phase(), touch, touch->locationInView(this), touch->previousLocationInView(this),
                            touch->tapCount(), event->allTouches().count()});
    }
  }
};

// A window opened through SDL's offscreen driver; events are pushed into SDL's
// queue and pumped by the run loop like real input.
class WindowTouchTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    platform::facts().headless = false;
  }
  void TearDown() override {
    window_ = nullptr;
    platform::resetFacts();
  }

  // A landscape window (480 × 320 points) with `view` at (20, 10).
  void open(float scale) {
    platform::facts().screenScale = scale;
    window_ = Window::windowWithFrame(CGRectMake(0, 0, 320, 480));
    window_->setInterfaceOrientation(3);
    view_ = make<TouchRecordingView>(CGRectMake(20, 10, 400, 300));
    window_->addSubview(view_);
    window_->makeKeyAndVisible();
    if (!window_->hasNativeWindow()) GTEST_SKIP() << "no SDL window: " << SDL_GetError();
    pump();
  }

  void pump() {
    while (RunLoop::main().runOnce(false)) {
    }
  }
  void mouse(Uint32 type, int x, int y, bool pressed = true) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
      event.motion.windowID = window_->nativeWindowID();
      event.motion.x = x;
      event.motion.y = y;
      event.motion.state = pressed ? SDL_BUTTON_LMASK : 0;
    } else {
      event.button.windowID = window_->nativeWindowID();
      event.button.button = SDL_BUTTON_LEFT;
      event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.button.x = x;
      event.button.y = y;
    }
    SDL_PushEvent(&event);
  }
  void finger(Uint32 type, SDL_FingerID id, float x, float y) {
    SDL_Event event{};
    event.type = type;
    event.tfinger.windowID = window_->nativeWindowID();
    event.tfinger.touchId = 1;
    event.tfinger.fingerId = id;
    event.tfinger.x = x;
    event.tfinger.y = y;
    SDL_PushEvent(&event);
  }

  platform::ManualClock clock_;
  Ref<Window> window_;
  Ref<TouchRecordingView> view_;
};

TEST_F(WindowTouchTest, DesktopWindowSizeFollowsScaleAndOrientation) {
  open(2);
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(window_->nativeWindow()), &width, &height);
  EXPECT_EQ(width, 960);
  EXPECT_EQ(height, 640);
  window_->setInterfaceOrientation(1);
  SDL_GetWindowSize(static_cast<SDL_Window*>(window_->nativeWindow()), &width, &height);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 960);
}

TEST_F(WindowTouchTest, MouseDragIsOneTouchInThreePhasesInViewPoints) {
  open(1);
  mouse(SDL_MOUSEBUTTONDOWN, 120, 60);
  mouse(SDL_MOUSEMOTION, 130, 80);
  mouse(SDL_MOUSEBUTTONUP, 140, 90, false);
  pump();
  const auto& log = view_->deliveries;
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].phase, TouchPhase::Began);
  EXPECT_EQ(log[1].phase, TouchPhase::Moved);
  EXPECT_EQ(log[2].phase, TouchPhase::Ended);
  EXPECT_EQ(log[1].touch, log[0].touch);
  EXPECT_EQ(log[2].touch, log[0].touch);
  EXPECT_EQ(log[0].location.x, 100);  // 120 − the view's x of 20
  EXPECT_EQ(log[0].location.y, 50);
  EXPECT_EQ(log[1].location.x, 110);
  EXPECT_EQ(log[1].location.y, 70);
  EXPECT_EQ(log[1].previous.x, 100);
  EXPECT_EQ(log[2].location.x, 120);
  EXPECT_EQ(log[2].location.y, 80);
}

TEST_F(WindowTouchTest, LocationsAreInPointsOnADoubleScaleScreen) {
  open(2);
  mouse(SDL_MOUSEBUTTONDOWN, 240, 120);
  mouse(SDL_MOUSEBUTTONUP, 240, 120, false);
  pump();
  ASSERT_EQ(view_->deliveries.size(), 2u);
  EXPECT_EQ(view_->deliveries[0].location.x, 100);
  EXPECT_EQ(view_->deliveries[0].location.y, 50);
}

TEST_F(WindowTouchTest, DraggingOutOfTheWindowCancels) {
  open(1);
  mouse(SDL_MOUSEBUTTONDOWN, 120, 60);
  mouse(SDL_MOUSEMOTION, 600, 60);
  mouse(SDL_MOUSEBUTTONUP, 600, 60, false);
  pump();
  ASSERT_EQ(view_->deliveries.size(), 2u);
  EXPECT_EQ(view_->deliveries[1].phase, TouchPhase::Cancelled);
}

TEST_F(WindowTouchTest, QuickTapsCountUpAndSlowOnesStartAgain) {
  open(1);
  auto tap = [&](int x) {
    mouse(SDL_MOUSEBUTTONDOWN, x, 60);
    mouse(SDL_MOUSEBUTTONUP, x, 60, false);
    pump();
  };
  tap(120);
  clock_.advance(0.2);
  tap(125);  // within 0.35 s and 10 points
  clock_.advance(0.5);
  tap(125);
  clock_.advance(0.1);
  tap(160);  // too far away
  const auto& log = view_->deliveries;
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log[1].taps, 1u);
  EXPECT_EQ(log[3].taps, 2u);
  EXPECT_EQ(log[5].taps, 1u);
  EXPECT_EQ(log[7].taps, 1u);
}

TEST_F(WindowTouchTest, ViewWithoutMultipleTouchGetsOnlyTheFirstFinger) {
  open(1);
  finger(SDL_FINGERDOWN, 7, 0.25f, 0.5f);
  finger(SDL_FINGERDOWN, 8, 0.75f, 0.5f);
  finger(SDL_FINGERMOTION, 8, 0.7f, 0.5f);
  finger(SDL_FINGERUP, 8, 0.7f, 0.5f);
  finger(SDL_FINGERUP, 7, 0.25f, 0.5f);
  pump();
  const auto& single = view_->deliveries;
  ASSERT_EQ(single.size(), 2u);
  EXPECT_EQ(single[0].location.x, 100);  // 0.25 × 480 − 20
  EXPECT_EQ(single[0].location.y, 150);  // 0.5 × 320 − 10
  EXPECT_EQ(single[1].phase, TouchPhase::Ended);

  view_->deliveries.clear();
  view_->setMultipleTouchEnabled(true);
  finger(SDL_FINGERDOWN, 7, 0.25f, 0.5f);
  finger(SDL_FINGERDOWN, 8, 0.75f, 0.5f);
  finger(SDL_FINGERUP, 8, 0.75f, 0.5f);
  finger(SDL_FINGERUP, 7, 0.25f, 0.5f);
  pump();
  const auto& multiple = view_->deliveries;
  ASSERT_EQ(multiple.size(), 4u);
  EXPECT_NE(multiple[0].touch, multiple[1].touch);
  EXPECT_EQ(multiple[1].allTouches, 2u);
  EXPECT_EQ(multiple[2].touch, multiple[1].touch);
}

TEST_F(WindowTouchTest, ViewWithoutInteractionGetsNothing) {
  open(1);
  view_->setUserInteractionEnabled(false);
  mouse(SDL_MOUSEBUTTONDOWN, 120, 60);
  mouse(SDL_MOUSEBUTTONUP, 120, 60, false);
  pump();
  EXPECT_TRUE(view_->deliveries.empty());
}

TEST_F(WindowTouchTest, TouchKeepsGoingToItsViewWhenTheFingerLeavesIt) {
  open(1);
  mouse(SDL_MOUSEBUTTONDOWN, 120, 60);
  mouse(SDL_MOUSEMOTION, 5, 5);  // outside the view, inside the window
  mouse(SDL_MOUSEBUTTONUP, 5, 5, false);
  pump();
  ASSERT_EQ(view_->deliveries.size(), 3u);
  EXPECT_EQ(view_->deliveries[2].phase, TouchPhase::Ended);
  EXPECT_EQ(view_->deliveries[2].location.x, -15);
}

}  // namespace
