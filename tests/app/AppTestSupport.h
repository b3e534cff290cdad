#pragma once
// Runs the real application headless on a manual clock: the delegate made by
// class name, launched through the platform's application object, frames
// driven by RunLoop::runFor() without real time passing.

#include "HelloWorld.h"
#include "umbrascopeAppDelegate.h"

#include "platform/Application.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace app_testing {

/// The application's resource folder: TESSERA_RESOURCE_DIR when set, else
/// the first "app/resources" found above the test program. Empty when none.
std::string resourceFolder();

class LaunchedAppTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Launches the application (didFinishLaunching, the launch rotation,
  /// didBecomeActive). Expects the resources to be found.
  void launch();
  /// Runs the main loop for `seconds` of (fake) time.
  static void runFor(double seconds);

  static platform::Application* application() { return platform::Application::sharedApplication(); }
  umbrascopeAppDelegate* delegate() const { return delegate_.get(); }
  /// The radar layer of the running scene, or nullptr.
  static HelloWorld* radar();
  /// Frames presented since SetUp.
  int presentedFrames() const { return presents_; }

  platform::ManualClock clock_;
  platform::Ref<umbrascopeAppDelegate> delegate_;
  int presents_ = 0;
};

}  // namespace app_testing
