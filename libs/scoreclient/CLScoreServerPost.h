#pragma once
// CLScoreServerPost: submits or updates a score on the score service as a
// signed form post, one request at a time, and reports to its delegate.

#include "platform/Object.h"
#include "platform/Ref.h"
#include "platform/Value.h"
#include "platform/net/Md5.h"
#include "platform/net/URLConnection.h"

#include <string>
#include <vector>

namespace scoreclient {

class CLScoreServerPost;

/// What a poster's delegate may implement (both optional).
class CLScoreServerPostDelegate {
 public:
  virtual ~CLScoreServerPostDelegate() = default;
  /// The service accepted the score.
  /// \param sender the poster that finished.
  virtual void scorePostOk(CLScoreServerPost* sender) {}
  /// The post failed; postStatus() says how.
  /// \param sender the poster that finished.
  virtual void scorePostFail(CLScoreServerPost* sender) {}
};

/// Submits or updates a score on the score service as a signed form post, one
/// request at a time, and reports to its delegate.
///
/// The form holds the caller's values in key order (case-insensitive), then
/// cc_device_id, cc_gamename, cc_hash and cc_prot_ver = 1.1. cc_hash is the
/// MD5 (lower-case hex) of the values' UTF-8 bytes in that key order followed
/// by the game key; keys and the cc_ fields are not signed.
///
/// The service address is facts().scoreServer (TESSERA_SCORE_SERVER); the
/// paths are /api/post-score and /api/update-score. Answers: "OK:ranking=5,
/// score_updated=1" or "OK" are accepted; anything else is a rejection
/// (postStatus 2, logged). A failed connection gives postStatus 1.
///
/// The delegate is retained, and the poster stays alive while a request runs.
class CLScoreServerPost : public platform::Object, public platform::URLConnectionDelegate {
  PLATFORM_CLASS(CLScoreServerPost, platform::Object)
 public:
  /// The outcome of the last post (postStatus()): kPostStatusOK, or the
  /// service could not be reached (ConnectionFailed) or refused the score
  /// (PostFailed).
  enum PostStatus { kPostStatusOK = 0, kPostStatusConnectionFailed = 1, kPostStatusPostFailed = 2 };

  /// `delegate` is an object that may implement CLScoreServerPostDelegate.
  /// \param gameName the game's name on the service.
  /// \param gameKey the secret that signs the posts.
  /// \param delegate an object that may implement CLScoreServerPostDelegate
  ///   (retained).
  static CLScoreServerPost* serverWithGameName(const std::string& gameName, const std::string& gameKey,
                                               platform::Object* delegate);
  /// Stores the names and retains the delegate. Always succeeds.
  /// \param gameName the game's name on the service.
  /// \param gameKey the secret that signs the posts.
  /// \param delegate an object that may implement CLScoreServerPostDelegate
  ///   (retained).
  bool initWithGameName(const std::string& gameName, const std::string& gameKey, platform::Object* delegate);

  /// Posts a new score. Returns whether the request started. Values must be
  /// strings or numbers: anything else raises "Invalid format for value"
  /// before anything is sent.
  /// \param values the score's fields ("cc_score", "cc_playername"...), strings
  ///   or numbers.
  bool sendScore(const platform::Value::Dict& values);
  /// Posts an update of the player's stored score. Expects "cc_playername"
  /// among the values, else raises "scoreClient:updateScore" ("cc_playername
  /// not found") before anything is sent.
  /// \param values the score's fields ("cc_score", "cc_playername"...), strings
  ///   or numbers.
  bool updateScore(const platform::Value::Dict& values);
  /// sendScore() or updateScore() without the player-name check.
  /// \param values the score's fields ("cc_score", "cc_playername"...), strings
  ///   or numbers.
  /// \param forUpdate whether to update the player's stored score instead of
  ///   posting a new one.
  bool submitScore(const platform::Value::Dict& values, bool forUpdate);

  /// The ranking the last accepted post reported. 0 at creation.
  unsigned ranking() const { return ranking_; }
  /// Whether the last update replaced the stored score. False at creation.
  bool scoreDidUpdate() const { return scoreDidUpdate_; }
  /// PostStatus of the last post. kPostStatusOK at creation.
  int postStatus() const { return postStatus_; }
  /// The request in flight, or nullptr.
  platform::URLConnection* connection() const { return connection_.get(); }
  /// The body of the last answer, exactly as received.
  const std::vector<uint8_t>& receivedData() const { return receivedData_; }

  // Steps of a post (public for callers that build their own).
  void addValue(const std::string& value, const std::string& key);
  void calculateHashAndAddValue(const platform::Value& value, const std::string& key);
  std::string getHashForData();
  std::vector<uint8_t> getBodyValues() const;
  static std::string encodeData(std::string_view text);
  platform::URLRequest scoreServerRequestWithURLString(const std::string& url) const;

  // Connection callbacks.
  std::optional<platform::URLRequest> connectionWillSendRequest(platform::URLConnection* connection,
                                                                const platform::URLRequest& request,
                                                                const platform::URLResponse* redirect) override;
  void connectionDidReceiveResponse(platform::URLConnection* connection, const platform::URLResponse& response) override;
  void connectionDidReceiveData(platform::URLConnection* connection, std::span<const uint8_t> data) override;
  void connectionDidFinishLoading(platform::URLConnection* connection) override;
  void connectionDidFailWithError(platform::URLConnection* connection, const platform::Error& error) override;

  CLScoreServerPost() = default;

 protected:
  /// dealloc: cancels a request in flight, then releases the delegate.
  ~CLScoreServerPost() override;

 private:
  void setConnection(platform::URLConnection* connection);
  CLScoreServerPostDelegate* delegateInterface() const;

  std::string gameKey_;
  std::string gameName_;
  platform::Ref<platform::Object> delegate_;
  unsigned ranking_ = 0;
  bool scoreDidUpdate_ = false;
  std::vector<uint8_t> receivedData_;
  std::vector<std::string> bodyValues_;
  int postStatus_ = kPostStatusOK;
  platform::Md5 md5_;
  platform::Ref<platform::URLConnection> connection_;
};

}  // namespace scoreclient
