// The HTTP connection against a real local server: callback order on the
// main loop, byte-exact bodies, redirects, time-outs, failures and cancel;
// MD5 digests; the device identifier.

#include "platform/HTTPTestServer.h"

#include "platform/Facts.h"
#include "platform/Files.h"
#include "platform/net/DeviceIdentifier.h"
#include "platform/net/Md5.h"
#include "platform/net/URLConnection.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using platform::URLConnection;
using platform::URLRequest;
using platform::URLResponse;
using testing_support::HTTPTestServer;
using testing_support::runMainLoopUntil;

namespace {

class Recorder : public platform::URLConnectionDelegate {
 public:
  std::optional<URLRequest> connectionWillSendRequest(URLConnection*, const URLRequest& request,
                                                      const URLResponse* redirect) override {
    events.push_back("redirect " + request.url.substr(request.url.rfind('/')));
    if (!platform::isMainThread()) events.push_back("off the main thread");
    if (refuseRedirects && redirect) return std::nullopt;
    return request;
  }
  void connectionDidReceiveResponse(URLConnection*, const URLResponse& received) override {
    events.push_back("response " + std::to_string(received.statusCode));
    response = received;
    body.clear();
  }
  void connectionDidReceiveData(URLConnection*, std::span<const uint8_t> data) override {
    if (events.empty() || events.back() != "data") events.push_back("data");
    if (!platform::isMainThread()) events.push_back("off the main thread");
    body.append(reinterpret_cast<const char*>(data.data()), data.size());
  }
  void connectionDidFinishLoading(URLConnection*) override {
    events.push_back("finish");
    done = true;
  }
  void connectionDidFailWithError(URLConnection*, const platform::Error& failure) override {
    events.push_back("fail");
    error = failure;
    done = true;
  }

  bool refuseRedirects = false;
  bool done = false;
  std::vector<std::string> events;
  URLResponse response;
  std::string body;
  platform::Error error;
};

using Events = std::vector<std::string>;

URLConnection* get(const std::string& url, Recorder& recorder) {
  URLRequest request;
  request.url = url;
  request.timeout = 10;
  return URLConnection::connectionWithRequest(request, &recorder);
}

class HTTPConnectionTest : public testing::Test {
 protected:
  void TearDown() override { URLConnection::setTimeoutOverride(0); }
  HTTPTestServer server_;
};

// [SECTION] Answers

TEST_F(HTTPConnectionTest, BodyArrivesByteExactInOrder) {
  std::string payload;
  for (int i = 0; i < 300000; ++i) payload.push_back(static_cast<char>(i * 7 % 256));
  server_.server().Get("/blob", [&](const httplib::Request&, httplib::Response& response) {
    response.set_header("X-Test", "yes");
    response.set_content(payload, "application/octet-stream");
  });
  Recorder recorder;
  ASSERT_NE(nullptr, get(server_.url("/blob"), recorder));
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"response 200", "data", "finish"}), recorder.events);
  EXPECT_EQ(payload, recorder.body);
  EXPECT_EQ("yes", recorder.response.valueForHTTPHeaderField("x-test"));
  EXPECT_EQ(static_cast<int64_t>(payload.size()), recorder.response.expectedContentLength);
}

TEST_F(HTTPConnectionTest, PostSendsHeadersAndBody) {
  std::string method, contentType, body;
  server_.server().Post("/form", [&](const httplib::Request& request, httplib::Response& response) {
    method = request.method;
    contentType = request.get_header_value("Content-Type");
    body = request.body;
    response.set_content("OK", "text/plain");
  });
  URLRequest request;
  request.url = server_.url("/form");
  request.method = "POST";
  request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
  const std::string form = "a=1&b=%26";
  request.body.assign(form.begin(), form.end());
  Recorder recorder;
  ASSERT_NE(nullptr, URLConnection::connectionWithRequest(request, &recorder));
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ("POST", method);
  EXPECT_EQ("application/x-www-form-urlencoded", contentType);
  EXPECT_EQ(form, body);
  EXPECT_EQ("OK", recorder.body);
}

TEST_F(HTTPConnectionTest, ErrorStatusIsAnAnswerNotAFailure) {
  server_.server().Get("/missing", [](const httplib::Request&, httplib::Response& response) {
    response.status = 404;
    response.set_content("nope", "text/plain");
  });
  Recorder recorder;
  get(server_.url("/missing"), recorder);
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"response 404", "data", "finish"}), recorder.events);
}

// [SECTION] Redirects

TEST_F(HTTPConnectionTest, RedirectRefusedDeliversTheRedirectAnswer) {
  bool targetReached = false;
  server_.server().Get("/moved", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/target");
    response.set_content("see target", "text/plain");
  });
  server_.server().Get("/target", [&](const httplib::Request&, httplib::Response& response) {
    targetReached = true;
    response.set_content("target", "text/plain");
  });
  Recorder recorder;
  recorder.refuseRedirects = true;
  get(server_.url("/moved"), recorder);
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"redirect /target", "response 302", "data", "finish"}), recorder.events);
  EXPECT_EQ("see target", recorder.body);
  EXPECT_FALSE(targetReached);
}

TEST_F(HTTPConnectionTest, RedirectFollowedWhenAllowed) {
  server_.server().Get("/moved", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/target");
  });
  server_.server().Get("/target", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("target", "text/plain");
  });
  Recorder recorder;
  URLConnection* connection = get(server_.url("/moved"), recorder);
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"redirect /target", "response 200", "data", "finish"}), recorder.events);
  EXPECT_EQ("target", recorder.body);
  EXPECT_EQ(server_.url("/target"), connection->currentRequest().url);
}

// [SECTION] Failures

TEST_F(HTTPConnectionTest, NoAnswerTimesOut) {
  server_.server().Get("/silent", [&](const httplib::Request&, httplib::Response& response) {
    server_.stall();
    response.set_content("late", "text/plain");
  });
  URLConnection::setTimeoutOverride(0.3);
  Recorder recorder;
  const auto start = std::chrono::steady_clock::now();
  get(server_.url("/silent"), recorder);
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ((Events{"fail"}), recorder.events);
  EXPECT_EQ(URLRequest::kTimedOut, recorder.error.code);
  EXPECT_EQ(platform::kURLErrorDomain, recorder.error.domain);
  EXPECT_THAT(recorder.error.description, testing::HasSubstr("/silent"));
  EXPECT_LT(seconds, 3.0);
  server_.release();
}

TEST_F(HTTPConnectionTest, ConnectionClosedHalfWayFails) {
  server_.server().Get("/cut", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(1000, "text/plain", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset > 0) return false;  // closes the connection after 500 of 1000 bytes
      sink.write(std::string(500, 'x').data(), 500);
      return true;
    });
  });
  Recorder recorder;
  get(server_.url("/cut"), recorder);
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"response 200", "data", "fail"}), recorder.events);
  EXPECT_EQ(500u, recorder.body.size());
}

TEST_F(HTTPConnectionTest, RefusedConnectionFails) {
  // Port 1 on the loopback interface: nothing listens there.
  Recorder recorder;
  URLRequest request;
  request.url = "http://127.0.0.1:1/";
  ASSERT_NE(nullptr, URLConnection::connectionWithRequest(request, &recorder));
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ((Events{"fail"}), recorder.events);
  EXPECT_EQ(URLRequest::kCannotConnect, recorder.error.code);
}

TEST_F(HTTPConnectionTest, UnsupportedAddressesDoNotStart) {
  testing_support::LogCapture log;
  Recorder recorder;
  EXPECT_EQ(nullptr, get("file:///etc/passwd", recorder));
  EXPECT_EQ(nullptr, get("not a url", recorder));
  EXPECT_EQ(nullptr, get("http://", recorder));
  EXPECT_THAT(log.text(), testing::HasSubstr("file:///etc/passwd"));
}

TEST_F(HTTPConnectionTest, CancelStopsEveryCallback) {
  server_.server().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
    server_.stall(1);
    response.set_content("late", "text/plain");
  });
  Recorder recorder;
  URLConnection* connection = get(server_.url("/slow"), recorder);
  ASSERT_NE(nullptr, connection);
  connection->cancel();
  EXPECT_FALSE(connection->isLoading());
  platform::RunLoop::main().runFor(0.2);
  server_.release();
  platform::RunLoop::main().runFor(0.2);
  EXPECT_TRUE(recorder.events.empty());
}

TEST_F(HTTPConnectionTest, OwnerIsRetainedWhileLoading) {
  server_.server().Get("/x", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("x", "text/plain");
  });
  auto* owner = new platform::Object();
  Recorder recorder;
  URLRequest request;
  request.url = server_.url("/x");
  URLConnection::connectionWithRequest(request, &recorder, owner);
  EXPECT_EQ(2u, owner->retainCount());
  ASSERT_TRUE(runMainLoopUntil([&] { return recorder.done; }));
  EXPECT_EQ(1u, owner->retainCount());
  owner->release();
}

// [SECTION] MD5 and the device identifier

TEST(Md5Test, KnownDigests) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", platform::Md5::hexDigestOf(""));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", platform::Md5::hexDigestOf("abc"));
  platform::Md5 md5;
  md5.update("a");
  md5.update("bc");
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", md5.hexDigest());
  md5.update("abc");  // starts over after a finish
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", md5.hexDigest());
}

TEST(DeviceIdentifierTest, StableStoredAndRepaired) {
  const std::string folder = testing::TempDir() + "device-id-test";
  std::filesystem::remove_all(folder);
  platform::facts().documentsDir = folder;
  platform::facts().deviceId.clear();
  const std::string first = platform::uniqueDeviceIdentifier();
  EXPECT_THAT(first, testing::MatchesRegex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"));
  EXPECT_EQ(first, platform::uniqueDeviceIdentifier());
  EXPECT_TRUE(platform::fileExists(folder + "/.device-id"));

  const std::string junk = "junk";
  platform::writeFileAtomically(folder + "/.device-id", std::span(reinterpret_cast<const uint8_t*>(junk.data()), 4));
  testing_support::LogCapture log;
  const std::string replaced = platform::uniqueDeviceIdentifier();
  EXPECT_NE(first, replaced);
  EXPECT_THAT(log.text(), testing::HasSubstr(".device-id"));

  platform::facts().deviceId = "fixed";
  EXPECT_EQ("fixed", platform::uniqueDeviceIdentifier());
  platform::resetFacts();
  std::filesystem::remove_all(folder);
}

}  // namespace
