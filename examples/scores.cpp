// tessera [network] example: posts a score to a score service, then lists
// the best scores and asks for the rank of a score, reporting each answer.
//
// Shows: CLScoreServerPost (a signed form post) and CLScoreServerRequest (a
// JSON list and a plain-text rank), their delegate callbacks on the main run
// loop, and the service address taken from the command line or from
// TESSERA_SCORE_SERVER.
//
// Usage: scores [--frames N] [--player NAME] [--score N] [ADDRESS]
//   ADDRESS      the service, e.g. http://127.0.0.1:8765 (default: the
//                TESSERA_SCORE_SERVER variable). Without one the program
//                prints what it would send and exits (CI runs it that way).
//   --frames N   accepted for symmetry with the other examples; unused.
//
// A service answers POST /api/post-score with "OK:ranking=N", GET
// /api/get-scores with {"scores":[...]} and GET /api/get-rank-for-score with
// a number.

#include "platform/AutoreleasePool.h"
#include "platform/Exception.h"
#include "platform/Facts.h"
#include "platform/Ref.h"
#include "platform/RunLoop.h"
#include "scoreclient/CLScoreServerPost.h"
#include "scoreclient/CLScoreServerRequest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Receives the answers; `pending` counts the requests still out.
class ScoreReporter : public platform::Object,
                      public scoreclient::CLScoreServerPostDelegate,
                      public scoreclient::CLScoreServerRequestDelegate {
  PLATFORM_CLASS(ScoreReporter, platform::Object)
 public:
  void scorePostOk(scoreclient::CLScoreServerPost* post) override {
    std::printf("scores: posted, ranking %u\n", post->ranking());
    --pending;
  }
  void scorePostFail(scoreclient::CLScoreServerPost* post) override {
    std::printf("scores: the post did not go through (status %d)\n", post->postStatus());
    --pending;
  }
  void scoreRequestOk(scoreclient::CLScoreServerRequest* request) override {
    if (auto scores = request->parseScores()) {
      std::printf("scores: %zu scores\n", scores->size());
      for (const platform::Value& entry : scores->asArray()) {
        std::printf("  %-16s %s\n", entry["cc_playername"].stringValue().c_str(),
                    entry["cc_score"].stringValue().c_str());
      }
    } else {
      std::printf("scores: the list could not be read\n");
    }
    --pending;
  }
  void scoreRequestRankOk(scoreclient::CLScoreServerRequest* request) override {
    std::printf("scores: that score ranks %d\n", request->parseRank());
    --pending;
  }
  void scoreRequestFail(scoreclient::CLScoreServerRequest*) override {
    std::printf("scores: the request did not go through\n");
    --pending;
  }

  int pending = 0;
};

}  // namespace

int main(int argc, char** argv) {
  platform::AutoreleasePool pool;
  std::string address = platform::facts().scoreServer;
  std::string player = "example";
  int score = 1234;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      ++i;
    } else if (std::strcmp(argv[i], "--player") == 0 && i + 1 < argc) {
      player = argv[++i];
    } else if (std::strcmp(argv[i], "--score") == 0 && i + 1 < argc) {
      score = std::atoi(argv[++i]);
    } else if (argv[i][0] != '-') {
      address = argv[i];
    } else {
      std::fprintf(stderr, "usage: %s [--frames N] [--player NAME] [--score N] [ADDRESS]\n", argv[0]);
      return 2;
    }
  }
  if (address.empty()) {
    std::printf("scores: no service address given (pass one, or set TESSERA_SCORE_SERVER);\n"
                "scores: would post %s = %d to /api/post-score, then read /api/get-scores and\n"
                "scores: /api/get-rank-for-score\n",
                player.c_str(), score);
    return 0;
  }
  while (!address.empty() && address.back() == '/') address.pop_back();
  platform::facts().scoreServer = address;

  auto reporter = platform::Ref<ScoreReporter>::adopt(new ScoreReporter());
  platform::Ref<scoreclient::CLScoreServerPost> post =
      scoreclient::CLScoreServerPost::serverWithGameName("Tessera Example", "example-key", reporter.get());
  platform::Ref<scoreclient::CLScoreServerRequest> list =
      scoreclient::CLScoreServerRequest::serverWithGameName("Tessera Example", reporter.get());
  platform::Ref<scoreclient::CLScoreServerRequest> rank =
      scoreclient::CLScoreServerRequest::serverWithGameName("Tessera Example", reporter.get());

  const platform::Value::Dict values{{"cc_playername", player}, {"cc_score", score}};
  reporter->pending += post->sendScore(values) ? 1 : 0;
  reporter->pending += list->requestScores(0, 10, 0, 0) ? 1 : 0;
  reporter->pending += rank->requestRankForScore(score, "") ? 1 : 0;

  // Each request gives up after 10 s without an answer.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (reporter->pending > 0 && std::chrono::steady_clock::now() < end) platform::RunLoop::main().runOnce(true);
  return reporter->pending == 0 ? 0 : 1;
}
