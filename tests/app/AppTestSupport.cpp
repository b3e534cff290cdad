#include "AppTestSupport.h"

#include "platform/AdBannerView.h"
#include "platform/Facts.h"
#include "platform/GLContext.h"
#include "platform/GLContextInternal.h"
#include "platform/RunLoop.h"
#include "tessera/CCDirector.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace app_testing {

std::string resourceFolder() {
  if (const char* fromEnvironment = std::getenv("TESSERA_RESOURCE_DIR")) return fromEnvironment;
  std::error_code error;
  fs::path at = fs::read_symlink("/proc/self/exe", error).parent_path();
  for (; !at.empty() && at != at.root_path(); at = at.parent_path()) {
    if (fs::exists(at / "app" / "resources" / "umbrascope.plist")) return (at / "app" / "resources").string();
  }
  return {};
}

void LaunchedAppTest::SetUp() {
  platform::resetFacts();
  platform::facts().headless = true;
  platform::facts().resourceDir = resourceFolder();
  ASSERT_FALSE(platform::facts().resourceDir.empty()) << "app/resources not found; set TESSERA_RESOURCE_DIR";
  platform::registerAdService();
  platform::RunLoop::main().runFor(0);  // leftovers of earlier tests
  platform::detail::setPresentObserver([this] { ++presents_; });
}

void LaunchedAppTest::TearDown() {
  application()->terminate();
  platform::Application::purgeSharedApplication();
  delegate_ = nullptr;
  CCDirector::purgeSharedDirector();
  platform::detail::setPresentObserver(nullptr);
  platform::forgetLastPresentedFrame();
  platform::RunLoop::main().runFor(0);
  platform::resetFacts();
  platform::registerAdService();
}

void LaunchedAppTest::launch() {
  const platform::ClassInfo* info = platform::ClassInfo::named(umbrascopeAppDelegate::kClassName);
  ASSERT_NE(info, nullptr);
  delegate_ = platform::Ref<umbrascopeAppDelegate>::adopt(dynamic_cast<umbrascopeAppDelegate*>(info->newInstance()));
  ASSERT_TRUE(delegate_);
  application()->setDelegate(delegate_.get());
  application()->launch();
}

void LaunchedAppTest::runFor(double seconds) { platform::RunLoop::main().runFor(seconds); }

HelloWorld* LaunchedAppTest::radar() {
  CCDirector* director = CCDirector::existingDirector();
  CCScene* scene = director ? director->runningScene() : nullptr;
  if (scene == nullptr || scene->children() == nullptr) return nullptr;
  for (std::uint32_t i = 0; i < scene->children()->count(); ++i) {
    if (auto* layer = dynamic_cast<HelloWorld*>(scene->children()->objectAtIndex(i))) return layer;
  }
  return nullptr;
}

}  // namespace app_testing
