// The score client against a real local HTTP server: the signed form post,
// the exceptions raised before anything is sent, post answers, score lists
// and ranks, and hostile servers (silence, redirects, huge and cut bodies).

#include "platform/HTTPTestServer.h"

#include "platform/Exception.h"
#include "platform/Facts.h"
#include "platform/RunLoop.h"
#include "platform/net/Md5.h"
#include "scoreclient/CLScoreServerPost.h"
#include "scoreclient/CLScoreServerRequest.h"
#include "scoreclient/ScoreServerSupport.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using platform::Value;
using scoreclient::CLScoreServerPost;
using scoreclient::CLScoreServerRequest;
using testing_support::HTTPTestServer;
using testing_support::runMainLoopUntil;

namespace {

class Recorder : public platform::Object,
                 public scoreclient::CLScoreServerPostDelegate,
                 public scoreclient::CLScoreServerRequestDelegate {
 public:
  void scorePostOk(CLScoreServerPost*) override { events.push_back("postOk"); }
  void scorePostFail(CLScoreServerPost*) override { events.push_back("postFail"); }
  void scoreRequestOk(CLScoreServerRequest*) override { events.push_back("requestOk"); }
  void scoreRequestRankOk(CLScoreServerRequest*) override { events.push_back("rankOk"); }
  void scoreRequestFail(CLScoreServerRequest*) override { events.push_back("requestFail"); }

  std::vector<std::string> events;
};

using Events = std::vector<std::string>;

/// What the server saw of the last request.
struct Seen {
  std::mutex mutex;
  int count = 0;
  std::string method, target, contentType, body;

  void record(const httplib::Request& request) {
    std::lock_guard lock(mutex);
    ++count;
    method = request.method;
    target = request.target;
    contentType = request.get_header_value("Content-Type");
    body = request.body;
  }
};

class ScoreClientTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::facts().scoreServer = server_.url();
    platform::facts().deviceId = "device-1234";
  }
  void TearDown() override {
    platform::URLConnection::setTimeoutOverride(0);
    platform::resetFacts();
  }

  /// Answers every path with `answer` (status 200), recording the request.
  void answerWith(const std::string& answer) {
    auto handler = [this, answer](const httplib::Request& request, httplib::Response& response) {
      seen_.record(request);
      response.set_content(answer, "text/plain");
    };
    server_.server().Get(".*", handler);
    server_.server().Post(".*", handler);
  }

  bool waitFor(std::size_t eventCount) {
    return runMainLoopUntil([&] { return recorder_->events.size() >= eventCount; });
  }

  CLScoreServerPost* poster() { return CLScoreServerPost::serverWithGameName("My Game", "secret-key", recorder_.get()); }
  CLScoreServerRequest* requester() { return CLScoreServerRequest::serverWithGameName("My Game", recorder_.get()); }

  HTTPTestServer server_;
  Seen seen_;
  platform::Ref<Recorder> recorder_ = platform::Ref<Recorder>::adopt(new Recorder());
};

// [SECTION] Posting

TEST_F(ScoreClientTest, PostSendsTheSignedForm) {
  answerWith("OK:ranking=5,score_updated=1");
  CLScoreServerPost* post = poster();
  const std::string name = "Ann & Bob=1+1 \xC3\xA9";
  ASSERT_TRUE(post->sendScore(Value::Dict{{"b", 2}, {"A", "x"}, {"cc_playername", name}, {"cc_score", 1.5}}));
  ASSERT_TRUE(waitFor(1));

  // Signed in the order A, b, cc_playername, cc_score: values, then the key.
  const std::string hash = platform::Md5::hexDigestOf("x2" + name + "1.5secret-key");
  EXPECT_EQ("POST", seen_.method);
  EXPECT_EQ("/api/post-score", seen_.target);
  EXPECT_EQ("application/x-www-form-urlencoded", seen_.contentType);
  EXPECT_EQ("A=x&b=2&cc_playername=Ann%20%26%20Bob%3D1%2B1%20%C3%A9&cc_score=1.5&cc_device_id=device-1234"
            "&cc_gamename=My%20Game&cc_hash=" + hash + "&cc_prot_ver=1.1",
            seen_.body);
  EXPECT_EQ((Events{"postOk"}), recorder_->events);
  EXPECT_EQ(5u, post->ranking());
  EXPECT_TRUE(post->scoreDidUpdate());
  EXPECT_EQ(CLScoreServerPost::kPostStatusOK, post->postStatus());
  EXPECT_EQ(nullptr, post->connection());
}

TEST_F(ScoreClientTest, UpdateGoesToItsOwnPath) {
  answerWith("OK");
  CLScoreServerPost* post = poster();
  ASSERT_TRUE(post->updateScore(Value::Dict{{"cc_playername", "ann"}, {"cc_score", 3}}));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ("/api/update-score", seen_.target);
  EXPECT_EQ((Events{"postOk"}), recorder_->events);
  EXPECT_EQ(0u, post->ranking());  // a plain OK leaves the ranking alone
}

TEST_F(ScoreClientTest, InvalidPostsRaiseBeforeSending) {
  answerWith("OK");
  CLScoreServerPost* post = poster();
  try {
    post->updateScore(Value::Dict{{"cc_score", 3}});
    ADD_FAILURE() << "no exception";
  } catch (const platform::Exception& exception) {
    EXPECT_EQ("scoreClient:updateScore", exception.name());
    EXPECT_EQ("cc_playername not found", exception.reason());
  }
  try {
    post->sendScore(Value::Dict{{"cc_score", 3}, {"extra", Value::Array{1}}});
    ADD_FAILURE() << "no exception";
  } catch (const platform::Exception& exception) {
    EXPECT_EQ("Invalid format for value", exception.name());
    EXPECT_EQ("Invalid format for value. addValue", exception.reason());
  }
  platform::RunLoop::main().runFor(0.2);
  EXPECT_EQ(0, seen_.count);
  EXPECT_TRUE(recorder_->events.empty());
}

TEST_F(ScoreClientTest, RejectedPostIsLoggedSafely) {
  answerWith("ERROR: bad hash\x1B[2J");
  testing_support::LogCapture log;
  CLScoreServerPost* post = poster();
  ASSERT_TRUE(post->sendScore(Value::Dict{{"cc_score", 3}}));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ((Events{"postFail"}), recorder_->events);
  EXPECT_EQ(CLScoreServerPost::kPostStatusPostFailed, post->postStatus());
  EXPECT_THAT(log.text(), testing::HasSubstr("scoreclient: Post Score failed. Reason: ERROR: bad hash\\x1B[2J"));
}

TEST_F(ScoreClientTest, PostWithoutAnswerFailsAsConnectionFailure) {
  server_.server().Post(".*", [&](const httplib::Request& request, httplib::Response& response) {
    seen_.record(request);
    server_.stall();
    response.set_content("OK", "text/plain");
  });
  platform::URLConnection::setTimeoutOverride(0.3);
  CLScoreServerPost* post = poster();
  ASSERT_TRUE(post->sendScore(Value::Dict{{"cc_score", 3}}));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ((Events{"postFail"}), recorder_->events);
  EXPECT_EQ(CLScoreServerPost::kPostStatusConnectionFailed, post->postStatus());
  server_.release();
}

TEST_F(ScoreClientTest, PostRedirectIsRefused) {
  bool followed = false;
  server_.server().Post("/api/post-score", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/elsewhere", 307);
    response.set_content("moved", "text/plain");
  });
  server_.server().Post("/elsewhere", [&](const httplib::Request&, httplib::Response& response) {
    followed = true;
    response.set_content("OK", "text/plain");
  });
  testing_support::LogCapture log;
  CLScoreServerPost* post = poster();
  ASSERT_TRUE(post->sendScore(Value::Dict{{"cc_score", 3}}));
  ASSERT_TRUE(waitFor(1));
  EXPECT_FALSE(followed);
  EXPECT_EQ((Events{"postFail"}), recorder_->events);
  EXPECT_EQ("moved", std::string(post->receivedData().begin(), post->receivedData().end()));
}

TEST_F(ScoreClientTest, NoServiceAddressDoesNotStart) {
  platform::facts().scoreServer.clear();
  testing_support::LogCapture log;
  EXPECT_FALSE(poster()->sendScore(Value::Dict{{"cc_score", 3}}));
  EXPECT_FALSE(requester()->requestRankForScore(3, ""));
  EXPECT_THAT(log.text(), testing::HasSubstr("TESSERA_SCORE_SERVER"));
}

// [SECTION] Lists and ranks

TEST_F(ScoreClientTest, ScoreListQueryAndAnswer) {
  answerWith(R"({"scores":[{"cc_playername":"ann","cc_score":10},{"cc_playername":"bob","cc_score":7}]})");
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestScores(1, 25, 50, 0, "cat&dog"));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ("GET", seen_.method);
  EXPECT_EQ("/api/get-scores?gamename=My%20Game&querytype=1&offset=50&limit=25&flags=0&category=cat%26dog&device=",
            seen_.target);
  EXPECT_EQ((Events{"requestOk"}), recorder_->events);
  const auto scores = request->parseScores();
  ASSERT_TRUE(scores);
  ASSERT_EQ(2u, scores->size());
  EXPECT_EQ("bob", (*scores)[1]["cc_playername"].asString());
  EXPECT_EQ(7, (*scores)[1]["cc_score"].intValue());

  ASSERT_TRUE(request->requestScores(0, 10, 0, CLScoreServerRequest::kQueryFlagByDevice));
  ASSERT_TRUE(waitFor(2));
  EXPECT_THAT(seen_.target, testing::EndsWith("&flags=2&category=&device=device-1234"));
}

TEST_F(ScoreClientTest, MalformedListGivesNothing) {
  answerWith(R"({"scores":[{"cc_playername":"ann",]})");
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestScores(0, 10, 0, 0));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ((Events{"requestOk"}), recorder_->events);
  EXPECT_FALSE(request->parseScores());
}

TEST_F(ScoreClientTest, RankAnswers) {
  std::string answer = "  42\n";
  server_.server().Get("/api/get-rank-for-score", [&](const httplib::Request& request, httplib::Response& response) {
    seen_.record(request);
    response.set_content(answer, "text/plain");
  });
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestRankForScore(1234, "hard"));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ("/api/get-rank-for-score?gamename=My%20Game&category=hard&score=1234", seen_.target);
  EXPECT_EQ((Events{"rankOk"}), recorder_->events);
  EXPECT_EQ(42, request->parseRank());

  answer = "\xC3\xA9\xFF 7 \xE2\x82\xAC";  // non-ASCII around the number
  ASSERT_TRUE(request->requestRankForScore(1, ""));
  ASSERT_TRUE(waitFor(2));
  EXPECT_EQ(7, request->parseRank());
}

// [SECTION] Hostile servers

TEST_F(ScoreClientTest, HugeBodyArrivesWhileTheLoopRuns) {
  const std::string huge(50u << 20, 'x');
  server_.server().Get(".*", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(huge, "text/plain");
  });
  int ticks = 0;
  platform::Timer* timer = platform::Timer::scheduledTimer(0.001, true, [&](platform::Timer*) { ++ticks; });
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestScores(0, 10, 0, 0));
  ASSERT_TRUE(runMainLoopUntil([&] { return !recorder_->events.empty(); }, 60));
  timer->invalidate();
  EXPECT_EQ((Events{"requestOk"}), recorder_->events);
  EXPECT_EQ(huge.size(), request->receivedData().size());
  EXPECT_FALSE(request->parseScores());
  EXPECT_GT(ticks, 0);
}

TEST_F(ScoreClientTest, ConnectionClosedHalfWayFails) {
  server_.server().Get(".*", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(100, "application/json", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset > 0) return false;
      sink.write("{\"scores\":[", 11);
      return true;
    });
  });
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestScores(0, 10, 0, 0));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ((Events{"requestFail"}), recorder_->events);
  EXPECT_FALSE(request->parseScores());
}

TEST_F(ScoreClientTest, ListRedirectIsRefused) {
  server_.server().Get("/api/get-scores", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("http://127.0.0.1:1/stolen");
  });
  CLScoreServerRequest* request = requester();
  ASSERT_TRUE(request->requestScores(0, 10, 0, 0));
  ASSERT_TRUE(waitFor(1));
  EXPECT_EQ((Events{"requestOk"}), recorder_->events);
  EXPECT_FALSE(request->parseScores());
}

// [SECTION] Form escaping and key order

TEST(ScoreServerSupportTest, FormEscaping) {
  EXPECT_EQ("a-z_0.9~", scoreclient::encodeFormValue("a-z_0.9~"));
  EXPECT_EQ("%26%3D%2B%25%20%22%3C%3E%5C%5E%60%7B%7C%7D%0A%C3%A9", scoreclient::encodeFormValue("&=+% \"<>\\^`{|}\n\xC3\xA9"));
  EXPECT_EQ("/?:@,;$!*'()#[]", scoreclient::encodeFormValue("/?:@,;$!*'()#[]"));
}

TEST(ScoreServerSupportTest, KeyOrderIgnoresCase) {
  std::vector<std::string> keys{"b", "B", "a", "A", "c", "\xC3\x89t\xC3\xA9", "ab", "Z"};
  std::sort(keys.begin(), keys.end(), scoreclient::scoreKeyLess);
  EXPECT_EQ((std::vector<std::string>{"A", "a", "ab", "B", "b", "c", "Z", "\xC3\x89t\xC3\xA9"}), keys);
}

}  // namespace
