#pragma once
// Asynchronous HTTP requests with delegate callbacks on the main run loop.

#include "platform/Error.h"
#include "platform/Object.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

inline constexpr const char* kURLErrorDomain = "URLConnectionErrorDomain";

/// An HTTP request: URL, method, header fields, body and idle time-out.
struct URLRequest {
  /// Error codes of failed requests, in kURLErrorDomain: kBadURL (the request
  /// could not start), kTimedOut (no progress for the time-out), kCannotConnect,
  /// kUnknown (any other transfer failure).
  enum Code { kUnknown = -1, kBadURL = -1000, kTimedOut = -1001, kCannotConnect = -1004 };

  std::string url;
  /// "GET" by default; "POST" sends `body`.
  std::string method = "GET";
  /// Header fields in order; names compare without case.
  std::vector<std::pair<std::string, std::string>> headers;
  std::vector<uint8_t> body;
  /// Seconds without any progress before the request fails. Default 60.
  double timeout = 60;
  /// Carried for callers; there is no cache.
  int cachePolicy = 0;

  /// Sets (replacing any) the header `field`.
  void setValueForHTTPHeaderField(std::string value, std::string_view field);
  /// The header `field`, or "".
  std::string valueForHTTPHeaderField(std::string_view field) const;
};

/// The response to a request: final URL, status code and header fields.
struct URLResponse {
  std::string url;
  int statusCode = 0;
  /// Header fields in the order received.
  std::vector<std::pair<std::string, std::string>> headers;
  /// The Content-Length, or -1 when not given.
  int64_t expectedContentLength = -1;

  /// The header `field` (case-insensitive), or "".
  std::string valueForHTTPHeaderField(std::string_view field) const;
};

class URLConnection;

/// Receives a connection's callbacks; every method has a default.
class URLConnectionDelegate {
 public:
  virtual ~URLConnectionDelegate() = default;
  /// Asked before a redirect is followed. Default: follow it unchanged.
  virtual std::optional<URLRequest> connectionWillSendRequest(URLConnection* connection, const URLRequest& request,
                                                              const URLResponse* redirectResponse) {
    return request;
  }
  virtual void connectionDidReceiveResponse(URLConnection* connection, const URLResponse& response) {}
  virtual void connectionDidReceiveData(URLConnection* connection, std::span<const uint8_t> data) {}
  virtual void connectionDidFinishLoading(URLConnection* connection) {}
  virtual void connectionDidFailWithError(URLConnection* connection, const Error& error) {}
};

/// One asynchronous HTTP request, with delegate callbacks on the main run
/// loop.
///
/// Implemented features:
///  [x] GET and POST (any method curl accepts) with headers and a body, over
///      http and https (TLS peers and host names verified; no other schemes);
///  [x] one request per connection object; all transfers share one worker
///      thread running libcurl's multi interface;
///  [x] callbacks in order on the main run loop: connectionWillSendRequest
///      (before a redirect is followed), connectionDidReceiveResponse,
///      connectionDidReceiveData (any number, bytes exactly as received),
///      then connectionDidFinishLoading or connectionDidFailWithError;
///  [x] an idle time-out (no bytes for the request's timeout, also while
///      connecting) that fails the request with code kTimedOut;
///  [x] cancel(): no callback arrives afterwards.
/// Missing features:
///  [ ] no cache (the cache policy is carried but ignored), no cookies, no
///      authentication challenges, no upload progress.
///
/// Redirects are not followed by curl: a 3xx answer with a Location header is
/// read whole, then connectionWillSendRequest is asked with the new request
/// and the redirect response. Returning the request (or another) starts it;
/// returning nothing refuses the redirect, and the 3xx response is delivered
/// as the final response with its body.
///
/// Threads: create, cancel and receive callbacks on the main thread only.
/// Cost: each received chunk is copied once and posted to the main loop.
class URLConnection : public Object {
  PLATFORM_CLASS(URLConnection, Object)
 public:
  /// Starts `request`, reporting to `delegate`. `owner` (usually the
  /// delegate's own object) is retained until the request ends or is
  /// cancelled, so the delegate lives that long. Returns the connection,
  /// autoreleased, or nullptr (logged) when the request cannot start: a URL
  /// that is not http:// or https://, or no delegate.
  static URLConnection* connectionWithRequest(const URLRequest& request, URLConnectionDelegate* delegate,
                                              Object* owner = nullptr);

  /// Stops the request; no callback arrives afterwards. Does nothing once it
  /// has ended.
  void cancel();
  /// The request as it was started (or as the last redirect changed it).
  const URLRequest& currentRequest() const { return request_; }
  /// Whether the request is still running (neither ended nor cancelled).
  bool isLoading() const { return loading_; }

  /// Tests: every request started afterwards uses `seconds` instead of its
  /// own timeout; 0 restores the requests' own.
  static void setTimeoutOverride(double seconds);

  URLConnection() = default;

 protected:
  ~URLConnection() override;

 private:
  friend struct URLConnectionAccess;

  bool start();
  void finish();

  URLRequest request_;
  URLConnectionDelegate* delegate_ = nullptr;  // weak: `owner_` keeps it alive
  Object* owner_ = nullptr;                    // retained while loading
  bool loading_ = false;
  /// Set on cancel(); callbacks already queued for the main loop check it.
  std::atomic<bool> cancelled_{false};
  uint64_t transferId_ = 0;
};

}  // namespace platform
