#include "zfont/FontManager.h"

#include "platform/Assert.h"
#include "platform/Bundle.h"
#include "zfont/ZFont.h"

#include <string_view>
#include <utility>

namespace {

FontManager* g_sharedManager = nullptr;
std::mutex g_sharedManagerMutex;

std::string pathOfURL(std::string_view url) {
  constexpr std::string_view kScheme = "file://";
  if (url.starts_with(kScheme)) url.remove_prefix(kScheme.size());
  return std::string(url);
}

}  // namespace

FontManager* FontManager::sharedManager() {
  std::lock_guard<std::mutex> lock(g_sharedManagerMutex);
  if (g_sharedManager == nullptr) g_sharedManager = new FontManager();
  return g_sharedManager;
}

void FontManager::purgeSharedManager() {
  FontManager* manager = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_sharedManagerMutex);
    manager = std::exchange(g_sharedManager, nullptr);
  }
  if (manager) manager->release();
}

FontManager::FontManager() {
  CCAssert(g_sharedManager == nullptr, "Attempted to allocate a second instance of a singleton.");
}

FontManager::~FontManager() {
  if (g_sharedManager == this) g_sharedManager = nullptr;
}

bool FontManager::loadFont(const std::string& name) {
  platform::Bundle& bundle = platform::Bundle::mainBundle();
  std::optional<std::string> path = bundle.pathForResource(name, "ttf");
  if (!path) path = bundle.pathForResource(name, "");
  if (!path || !loadFontURL(*path)) return false;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  urls_[name] = *path;
  return true;
}

bool FontManager::loadFontURL(const std::string& url) {
  platform::FontFace* face = platform::FontFace::fontFaceWithContentsOfFile(pathOfURL(url));
  if (face == nullptr) return false;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  fonts_[url] = face;
  return true;
}

platform::FontFace* FontManager::fontForURL(const std::string& url) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto found = fonts_.find(url);
    if (found != fonts_.end()) return found->second.get();
  }
  if (!loadFontURL(url)) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return fonts_[url].get();
}

platform::FontFace* FontManager::fontWithName(const std::string& name) {
  std::string url;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto found = urls_.find(name);
    if (found != urls_.end()) url = found->second;
  }
  if (url.empty()) {
    if (!loadFont(name)) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    url = urls_[name];
  }
  return fontForURL(url);
}

ZFont* FontManager::zFontWithName(const std::string& name, float pointSize) {
  platform::FontFace* face = fontWithName(name);
  return face ? ZFont::fontWithCGFont(face, pointSize) : nullptr;
}

ZFont* FontManager::zFontWithURL(const std::string& url, float pointSize) {
  platform::FontFace* face = fontForURL(url);
  return face ? ZFont::fontWithCGFont(face, pointSize) : nullptr;
}

std::vector<platform::Ref<platform::FontFace>> FontManager::copyAllFonts() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<platform::Ref<platform::FontFace>> all;
  all.reserve(fonts_.size());
  for (const auto& entry : fonts_) all.push_back(entry.second);
  return all;
}

std::map<std::string, std::string> FontManager::urls() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return urls_;
}
