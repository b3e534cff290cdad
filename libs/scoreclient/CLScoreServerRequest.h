#pragma once
// CLScoreServerRequest: asks the score service for a list of scores
// (answered in JSON) or for the rank a score would have (answered as plain
// text), one request at a time, and reports to its delegate, which then
// reads the answer with parseScores() or parseRank().

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "platform/net/URLConnection.h"

#include <optional>
#include <string>
#include <vector>

namespace scoreclient {

class CLScoreServerRequest;

/// What a request's delegate may implement (all optional).
class CLScoreServerRequestDelegate {
 public:
  virtual ~CLScoreServerRequestDelegate() = default;
  /// A list of scores arrived: read it with parseScores().
  /// \param sender the request that finished.
  virtual void scoreRequestOk(CLScoreServerRequest* sender) {}
  /// A rank arrived: read it with parseRank().
  /// \param sender the request that finished.
  virtual void scoreRequestRankOk(CLScoreServerRequest* sender) {}
  /// The request failed.
  /// \param sender the request that finished.
  virtual void scoreRequestFail(CLScoreServerRequest* sender) {}
};

/// Asks the score service for a list of scores (answered in JSON) or for the
/// rank a score would have (answered as plain text), one request at a time, and
/// reports to its delegate, which then reads the answer with parseScores() or
/// parseRank().
///
/// Addresses: facts().scoreServer followed by /api/get-scores or
/// /api/get-rank-for-score with the query values escaped.
class CLScoreServerRequest : public platform::Object, public platform::URLConnectionDelegate {
  PLATFORM_CLASS(CLScoreServerRequest, platform::Object)
 public:
  /// Flag bit: send this device's identifier, so the service can answer for
  /// this device only.
  static constexpr int kQueryFlagByDevice = 2;

  /// A new autoreleased request.
  /// \param gameName the game's name on the service.
  /// \param delegate an object that may implement CLScoreServerRequestDelegate
  ///   (retained).
  static CLScoreServerRequest* serverWithGameName(const std::string& gameName, platform::Object* delegate);
  /// Stores the name and retains the delegate. Always succeeds.
  /// \param gameName the game's name on the service.
  /// \param delegate an object that may implement CLScoreServerRequestDelegate
  ///   (retained).
  bool initWithGameName(const std::string& gameName, platform::Object* delegate);

  /// Asks for a list of scores. Returns whether the request started.
  /// \param queryType which scores, as the service numbers its query types.
  /// \param limit the most scores to return.
  /// \param offset how many of the best scores to skip.
  /// \param flags kQueryFlagByDevice or 0.
  /// \param category the score list's category; empty for the default.
  bool requestScores(int queryType, int limit, int offset, int flags, const std::string& category = "");
  /// Asks for the rank `score` would have in `category`.
  /// \param score the score to rank.
  /// \param category the score list's category; empty for the default.
  bool requestRankForScore(int score, const std::string& category);

  /// The array under "scores" of the JSON answer; nothing when the answer
  /// is not a JSON object or has no "scores".
  std::optional<platform::Value> parseScores() const;
  /// The answer with non-digits trimmed from both ends, as an integer.
  int parseRank() const;

  /// The request in flight, or nullptr.
  platform::URLConnection* connection() const { return connection_.get(); }
  const std::vector<uint8_t>& receivedData() const { return receivedData_; }

  std::optional<platform::URLRequest> connectionWillSendRequest(platform::URLConnection* connection,
                                                                const platform::URLRequest& request,
                                                                const platform::URLResponse* redirect) override;
  void connectionDidReceiveResponse(platform::URLConnection* connection, const platform::URLResponse& response) override;
  void connectionDidReceiveData(platform::URLConnection* connection, std::span<const uint8_t> data) override;
  void connectionDidFinishLoading(platform::URLConnection* connection) override;
  void connectionDidFailWithError(platform::URLConnection* connection, const platform::Error& error) override;

  CLScoreServerRequest() = default;

 protected:
  /// dealloc: cancels a request in flight, then releases the delegate.
  ~CLScoreServerRequest() override;

 private:
  bool start(const std::string& url);
  CLScoreServerRequestDelegate* delegateInterface() const;

  std::string gameName_;  // escaped
  platform::Ref<platform::Object> delegate_;
  std::vector<uint8_t> receivedData_;
  bool reqRankOnly_ = false;
  platform::Ref<platform::URLConnection> connection_;
};

}  // namespace scoreclient
