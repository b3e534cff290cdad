// HTTP in the web build: not available. A page may only reach its own origin
// (or servers that allow it), and the desktop's connection semantics (the
// delegate deciding redirects, bytes as received, idle time-outs) have no
// counterpart in the browser's fetch. Every request fails to start as an
// unsupported address does: connectionWithRequest() logs why and returns
// nullptr, and callers report the failure as they do on the desktop.

#include "platform/net/URLConnection.h"

#include "platform/Log.h"

#include <utility>

namespace platform {

URLConnection* URLConnection::connectionWithRequest(const URLRequest& request, URLConnectionDelegate* delegate,
                                                    Object*) {
  if (delegate == nullptr) {
    log("platform: URLConnection: no delegate for %s", request.url.c_str());
  } else {
    log("platform: URLConnection: cannot load \"%s\": HTTP is not available on the web", request.url.c_str());
  }
  return nullptr;
}

// No connection is ever made, so nothing starts one.
bool URLConnection::start() { return false; }

void URLConnection::finish() {
  loading_ = false;
  if (Object* owner = std::exchange(owner_, nullptr)) owner->autorelease();
}

void URLConnection::cancel() {}

void URLConnection::setTimeoutOverride(double) {}

URLConnection::~URLConnection() {
  if (owner_) owner_->release();
}

}  // namespace platform
