#include "platform/net/URLConnection.h"

#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/StringUtils.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace platform {

// [SECTION] Time-out clock and access (header fields: URLRequest.cpp)

namespace {

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::atomic<double> timeoutOverride{0};

}  // namespace

// Lets the worker's main-thread callbacks reach the connection's internals.
struct URLConnectionAccess {
  static bool cancelled(URLConnection* c) { return c->cancelled_.load(); }
  static URLConnectionDelegate* delegate(URLConnection* c) { return c->delegate_; }
  static void finish(URLConnection* c) { c->finish(); }
  static URLRequest& request(URLConnection* c) { return c->request_; }
  static bool restart(URLConnection* c) { return c->start(); }
};

// [SECTION] The transfer worker

namespace {

struct Transfer {
  uint64_t id = 0;
  URLConnection* connection = nullptr;  // retained by the transfer; released on the main thread
  URLRequest request;
  CURL* easy = nullptr;
  curl_slist* headerList = nullptr;
  char errorText[CURL_ERROR_SIZE] = {};
  double timeout = 60;
  double lastActivity = 0;
  curl_off_t lastDownloaded = 0;
  curl_off_t lastUploaded = 0;
  bool isRedirect = false;
  bool responsePosted = false;
  URLResponse response;
  std::vector<uint8_t> redirectBody;
};

/// Queues `call` for the main loop with the transfer's connection. The
/// call is skipped once the connection is cancelled. With `last`, the
/// transfer's reference to the connection is dropped afterwards.
void postToMain(URLConnection* connection, std::function<void(URLConnection*)> call, bool last) {
  performOnMainThread(
      [connection, call = std::move(call), last] {
        if (!URLConnectionAccess::cancelled(connection)) call(connection);
        if (last) connection->release();
      },
      false);
}

void postResponse(Transfer& transfer) {
  if (transfer.responsePosted) return;
  transfer.responsePosted = true;
  char* url = nullptr;
  curl_easy_getinfo(transfer.easy, CURLINFO_EFFECTIVE_URL, &url);
  transfer.response.url = url ? url : transfer.request.url;
  curl_off_t length = -1;
  curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  transfer.response.expectedContentLength = length;
  postToMain(
      transfer.connection,
      [response = transfer.response](URLConnection* connection) {
        URLConnectionAccess::delegate(connection)->connectionDidReceiveResponse(connection, response);
      },
      false);
}

size_t onHeader(char* buffer, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(buffer, size * count);
  transfer.lastActivity = steadySeconds();
  if (line.starts_with("HTTP/")) {
    // A new header block (after an interim 1xx answer, or the first one).
    transfer.response.headers.clear();
    return line.size();
  }
  if (line == "\r\n" || line == "\n") {
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200) return line.size();  // interim answer: the real one follows
    transfer.response.statusCode = static_cast<int>(status);
    transfer.isRedirect = status >= 300 && status < 400 &&
                          !transfer.response.valueForHTTPHeaderField("Location").empty();
    if (!transfer.isRedirect) postResponse(transfer);
    return line.size();
  }
  const auto colon = line.find(':');
  if (colon != std::string_view::npos) {
    transfer.response.headers.emplace_back(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
  }
  return line.size();
}

size_t onBody(char* buffer, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const size_t length = size * count;
  transfer.lastActivity = steadySeconds();
  if (transfer.isRedirect) {
    transfer.redirectBody.insert(transfer.redirectBody.end(), buffer, buffer + length);
    return length;
  }
  postResponse(transfer);
  postToMain(
      transfer.connection,
      [bytes = std::vector<uint8_t>(buffer, buffer + length)](URLConnection* connection) {
        URLConnectionAccess::delegate(connection)->connectionDidReceiveData(connection, bytes);
      },
      false);
  return length;
}

int onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded) {
  auto& transfer = *static_cast<Transfer*>(user);
  if (downloaded != transfer.lastDownloaded || uploaded != transfer.lastUploaded) {
    transfer.lastDownloaded = downloaded;
    transfer.lastUploaded = uploaded;
    transfer.lastActivity = steadySeconds();
  }
  return 0;
}

Error errorFor(const Transfer& transfer, CURLcode result, bool timedOut) {
  int code = URLRequest::kUnknown;
  if (timedOut || result == CURLE_OPERATION_TIMEDOUT) {
    code = URLRequest::kTimedOut;
  } else if (result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_HOST) {
    code = URLRequest::kCannotConnect;
  }
  std::string text = timedOut ? formatString("no answer within %g s", transfer.timeout)
                              : std::string(transfer.errorText[0] ? transfer.errorText : curl_easy_strerror(result));
  return Error{kURLErrorDomain, code, text + " (" + transfer.request.url + ")"};
}

/// A redirect read whole: the delegate decides on the main thread whether
/// to follow it.
void postRedirect(Transfer& transfer) {
  char* location = nullptr;
  curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_URL, &location);
  URLRequest next = transfer.request;
  next.url = location ? location : transfer.response.valueForHTTPHeaderField("Location");
  if (transfer.response.statusCode == 303) {
    next.method = "GET";
    next.body.clear();
  }
  char* url = nullptr;
  curl_easy_getinfo(transfer.easy, CURLINFO_EFFECTIVE_URL, &url);
  transfer.response.url = url ? url : transfer.request.url;
  postToMain(
      transfer.connection,
      [next = std::move(next), response = transfer.response,
       body = std::move(transfer.redirectBody)](URLConnection* connection) {
        URLConnectionDelegate* delegate = URLConnectionAccess::delegate(connection);
        std::optional<URLRequest> followed = delegate->connectionWillSendRequest(connection, next, &response);
        if (URLConnectionAccess::cancelled(connection)) return;
        if (followed) {
          URLConnectionAccess::request(connection) = std::move(*followed);
          if (URLConnectionAccess::restart(connection)) return;
          URLConnectionAccess::finish(connection);
          delegate->connectionDidFailWithError(
              connection, Error{kURLErrorDomain, URLRequest::kBadURL,
                                "cannot follow the redirect to " + URLConnectionAccess::request(connection).url});
          return;
        }
        // Refused: the redirect answer is the final one.
        delegate->connectionDidReceiveResponse(connection, response);
        if (URLConnectionAccess::cancelled(connection)) return;
        if (!body.empty()) delegate->connectionDidReceiveData(connection, body);
        if (URLConnectionAccess::cancelled(connection)) return;
        URLConnectionAccess::finish(connection);
        delegate->connectionDidFinishLoading(connection);
      },
      true);
}

void postCompletion(Transfer& transfer, CURLcode result, bool timedOut) {
  if (result == CURLE_OK && !timedOut) {
    if (transfer.isRedirect) {
      postRedirect(transfer);
      return;
    }
    postResponse(transfer);
    postToMain(
        transfer.connection,
        [](URLConnection* connection) {
          URLConnectionAccess::finish(connection);
          URLConnectionAccess::delegate(connection)->connectionDidFinishLoading(connection);
        },
        true);
    return;
  }
  postToMain(
      transfer.connection,
      [error = errorFor(transfer, result, timedOut)](URLConnection* connection) {
        URLConnectionAccess::finish(connection);
        URLConnectionAccess::delegate(connection)->connectionDidFailWithError(connection, error);
      },
      true);
}

class Worker {
 public:
  Worker() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    thread_ = std::thread([this] { run(); });
  }

  // At exit: stops the thread, drops unfinished transfers and frees
  // libcurl's global state, so nothing is left for the leak checker.
  ~Worker() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    for (Transfer* transfer : pending_) discard(transfer, false);
    for (auto& [id, transfer] : active_) discard(transfer, true);
    curl_multi_cleanup(multi_);
    curl_global_cleanup();
  }

  void submit(Transfer* transfer) {
    {
      std::lock_guard lock(mutex_);
      pending_.push_back(transfer);
    }
    curl_multi_wakeup(multi_);
  }

  void cancel(uint64_t id) {
    {
      std::lock_guard lock(mutex_);
      cancels_.push_back(id);
    }
    curl_multi_wakeup(multi_);
  }

 private:
  void run() {
    for (;;) {
      std::vector<Transfer*> arrived;
      std::vector<uint64_t> cancelled;
      {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        arrived.swap(pending_);
        cancelled.swap(cancels_);
      }
      for (Transfer* transfer : arrived) {
        transfer->lastActivity = steadySeconds();
        curl_multi_add_handle(multi_, transfer->easy);
        active_[transfer->id] = transfer;
      }
      for (uint64_t id : cancelled) {
        auto found = active_.find(id);
        if (found == active_.end()) continue;
        Transfer* transfer = found->second;
        active_.erase(found);
        postToMain(transfer->connection, [](URLConnection*) {}, true);
        remove(transfer);
      }

      int running = 0;
      curl_multi_perform(multi_, &running);
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        Transfer* transfer = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        const CURLcode result = message->data.result;
        active_.erase(transfer->id);
        postCompletion(*transfer, result, false);
        remove(transfer);
      }
      const double now = steadySeconds();
      for (auto it = active_.begin(); it != active_.end();) {
        Transfer* transfer = it->second;
        if (now - transfer->lastActivity <= transfer->timeout) {
          ++it;
          continue;
        }
        it = active_.erase(it);
        postCompletion(*transfer, CURLE_OK, true);
        remove(transfer);
      }
      curl_multi_poll(multi_, nullptr, 0, active_.empty() ? 1000 : 20, nullptr);
    }
  }

  void remove(Transfer* transfer) {
    curl_multi_remove_handle(multi_, transfer->easy);
    curl_easy_cleanup(transfer->easy);
    curl_slist_free_all(transfer->headerList);
    delete transfer;
  }

  // Exit-time cleanup on the main thread: the queued callbacks will never
  // run, so the transfer's reference is dropped here.
  void discard(Transfer* transfer, bool added) {
    transfer->connection->release();
    if (added) {
      remove(transfer);
    } else {
      curl_easy_cleanup(transfer->easy);
      curl_slist_free_all(transfer->headerList);
      delete transfer;
    }
  }

  std::mutex mutex_;
  std::vector<Transfer*> pending_;
  std::vector<uint64_t> cancels_;
  bool stopping_ = false;
  CURLM* multi_ = nullptr;
  std::unordered_map<uint64_t, Transfer*> active_;  // worker thread only
  std::thread thread_;
};

Worker& worker() {
  static Worker instance;
  return instance;
}

std::atomic<uint64_t> nextTransferId{1};

bool isHttpURL(std::string_view url) {
  auto lower = [](std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  const std::string head = lower(url.substr(0, 8));
  return (head.starts_with("http://") && url.size() > 7) || (head.starts_with("https://") && url.size() > 8);
}

}  // namespace

// [SECTION] URLConnection

URLConnection* URLConnection::connectionWithRequest(const URLRequest& request, URLConnectionDelegate* delegate,
                                                    Object* owner) {
  if (delegate == nullptr) {
    log("platform: URLConnection: no delegate for %s", request.url.c_str());
    return nullptr;
  }
  auto* connection = new URLConnection();
  connection->request_ = request;
  connection->delegate_ = delegate;
  if (!connection->start()) {
    connection->release();
    return nullptr;
  }
  connection->owner_ = owner;
  if (owner) owner->retain();
  return autoreleased(connection);
}

bool URLConnection::start() {
  if (!isHttpURL(request_.url)) {
    log("platform: URLConnection: cannot load \"%s\": only http:// and https:// addresses are supported",
        request_.url.c_str());
    return false;
  }
  CURL* easy = curl_easy_init();
  if (easy == nullptr) {
    log("platform: URLConnection: cannot start a transfer for %s", request_.url.c_str());
    return false;
  }
  auto* transfer = new Transfer();
  transfer->id = nextTransferId++;
  transfer->connection = this;
  transfer->request = request_;
  transfer->easy = easy;
  const double forced = timeoutOverride.load();
  transfer->timeout = forced > 0 ? forced : (request_.timeout > 0 ? request_.timeout : 60);

  curl_easy_setopt(easy, CURLOPT_URL, transfer->request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorText);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(transfer->timeout * 1000));
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  if (request_.method == "POST") {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer->request.body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer->request.body.data());
  } else if (request_.method != "GET") {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, transfer->request.method.c_str());
    if (!transfer->request.body.empty()) {
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer->request.body.size()));
      curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer->request.body.data());
    }
  }
  // No "Expect: 100-continue" round trip for bodies.
  transfer->headerList = curl_slist_append(transfer->headerList, "Expect:");
  for (const auto& [name, value] : request_.headers) {
    transfer->headerList = curl_slist_append(transfer->headerList, (name + ": " + value).c_str());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headerList);

  transferId_ = transfer->id;
  loading_ = true;
  retain();  // the transfer's reference, dropped on the main thread when it ends
  worker().submit(transfer);
  return true;
}

void URLConnection::finish() {
  loading_ = false;
  if (Object* owner = std::exchange(owner_, nullptr)) owner->autorelease();
}

void URLConnection::cancel() {
  if (!loading_) return;
  cancelled_ = true;
  worker().cancel(transferId_);
  finish();
}

void URLConnection::setTimeoutOverride(double seconds) { timeoutOverride = seconds > 0 ? seconds : 0; }

URLConnection::~URLConnection() {
  if (owner_) owner_->release();
}

}  // namespace platform
