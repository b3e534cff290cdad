// The web build's exports to its page: frame capture, application state and
// the touches views received, for the page's own use and the browser test.

#include "platform/web/WebPage.h"

#include "platform/Application.h"
#include "platform/GLContext.h"
#include "platform/GLContextInternal.h"
#include "platform/View.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

namespace platform::detail {

namespace {

struct NotedTouch {
  std::string viewClass;
  TouchPhase phase;
  CGPoint location;
};

// The latest touches, oldest first; a handful is enough for a page to see
// where its clicks went.
constexpr std::size_t kNotedTouches = 16;

std::deque<NotedTouch>& notedTouches() {
  static auto* touches = new std::deque<NotedTouch>();
  return *touches;
}

const char* phaseName(TouchPhase phase) {
  switch (phase) {
    case TouchPhase::Began: return "began";
    case TouchPhase::Moved: return "moved";
    case TouchPhase::Stationary: return "stationary";
    case TouchPhase::Ended: return "ended";
    case TouchPhase::Cancelled: return "cancelled";
  }
  return "unknown";
}

const char* stateName(Application::State state) {
  switch (state) {
    case Application::State::NotLaunched: return "not launched";
    case Application::State::Active: return "active";
    case Application::State::Inactive: return "inactive";
    case Application::State::Background: return "background";
    case Application::State::Terminated: return "terminated";
  }
  return "unknown";
}

// Class names are identifiers; anything else is escaped anyway.
void appendJSONString(std::string& out, const std::string& text) {
  out += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

void noteWebTouch(const View& view, TouchPhase phase, CGPoint location) {
  auto& touches = notedTouches();
  touches.push_back({view.className(), phase, location});
  while (touches.size() > kNotedTouches) touches.pop_front();
}

}  // namespace platform::detail

using namespace platform;

extern "C" {

// The last presented frame: two 32-bit integers (width, height), then its
// RGBA rows, top row first; nullptr when nothing was presented. Free it with
// tessera_web_free().
EMSCRIPTEN_KEEPALIVE std::uint8_t* tessera_web_capture() {
  const CapturedFrame frame = captureLastPresentedFrame();
  if (frame.width <= 0 || frame.height <= 0 || frame.rgba.empty()) return nullptr;
  auto* out = static_cast<std::uint8_t*>(std::malloc(8 + frame.rgba.size()));
  if (out == nullptr) return nullptr;
  const std::int32_t size[2] = {frame.width, frame.height};
  std::memcpy(out, size, sizeof size);
  std::memcpy(out + 8, frame.rgba.data(), frame.rgba.size());
  return out;
}

EMSCRIPTEN_KEEPALIVE void tessera_web_free(void* pointer) { std::free(pointer); }

// {"state": "...", "presents": n, "touches": [{"view", "phase", "x", "y"}...]}
// as UTF-8 text, valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* tessera_web_state() {
  static std::string text;
  text = "{\"state\":\"";
  Application* application = Application::existingApplication();
  text += application ? detail::stateName(application->state()) : "none";
  text += "\",\"presents\":" + std::to_string(detail::presentCount()) + ",\"touches\":[";
  bool first = true;
  for (const auto& touch : detail::notedTouches()) {
    if (!first) text += ',';
    first = false;
    text += "{\"view\":";
    detail::appendJSONString(text, touch.viewClass);
    char rest[128];
    std::snprintf(rest, sizeof rest, ",\"phase\":\"%s\",\"x\":%g,\"y\":%g}", detail::phaseName(touch.phase),
                  static_cast<double>(touch.location.x), static_cast<double>(touch.location.y));
    text += rest;
  }
  text += "]}";
  return text.c_str();
}

}  // extern "C"
