#include "scoreclient/CLScoreServerRequest.h"

#include "json/CJSONDeserializer.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "platform/net/DeviceIdentifier.h"
#include "scoreclient/ScoreServerSupport.h"

namespace scoreclient {

CLScoreServerRequest* CLScoreServerRequest::serverWithGameName(const std::string& gameName,
                                                               platform::Object* delegate) {
  return platform::createAutoreleased<CLScoreServerRequest>(
      [&](CLScoreServerRequest& request) { return request.initWithGameName(gameName, delegate); });
}

bool CLScoreServerRequest::initWithGameName(const std::string& gameName, platform::Object* delegate) {
  gameName_ = encodeFormValue(gameName);
  delegate_ = delegate;
  return true;
}

CLScoreServerRequest::~CLScoreServerRequest() {
  if (connection_) connection_->cancel();
}

CLScoreServerRequestDelegate* CLScoreServerRequest::delegateInterface() const {
  return dynamic_cast<CLScoreServerRequestDelegate*>(delegate_.get());
}

// [SECTION] Requests

bool CLScoreServerRequest::requestScores(int queryType, int limit, int offset, int flags,
                                         const std::string& category) {
  receivedData_.clear();
  reqRankOnly_ = false;
  const std::string device =
      (flags & kQueryFlagByDevice) ? encodeFormValue(platform::uniqueDeviceIdentifier()) : std::string();
  const std::string base = serviceAddress("/api/get-scores");
  if (base.empty()) return false;
  return start(platform::formatString("%s?gamename=%s&querytype=%d&offset=%d&limit=%d&flags=%d&category=%s&device=%s",
                                      base.c_str(), gameName_.c_str(), queryType, offset, limit, flags,
                                      encodeFormValue(category).c_str(), device.c_str()));
}

bool CLScoreServerRequest::requestRankForScore(int score, const std::string& category) {
  receivedData_.clear();
  reqRankOnly_ = true;
  const std::string base = serviceAddress("/api/get-rank-for-score");
  if (base.empty()) return false;
  return start(platform::formatString("%s?gamename=%s&category=%s&score=%d", base.c_str(), gameName_.c_str(),
                                      encodeFormValue(category).c_str(), score));
}

bool CLScoreServerRequest::start(const std::string& url) {
  // A request still running would mix its answer into the new one.
  if (connection_) connection_->cancel();
  connection_ = platform::URLConnection::connectionWithRequest(makeRequest(url, "GET"), this, this);
  return connection_ != nullptr;
}

// [SECTION] Answers

std::optional<platform::Value> CLScoreServerRequest::parseScores() const {
  platform::Error error;
  auto answer = json::CJSONDeserializer::deserializer()->deserializeAsDictionary(receivedData_, &error);
  if (!answer) return std::nullopt;
  const platform::Value* scores = answer->asDict().find("scores");
  if (scores == nullptr) return std::nullopt;
  return *scores;
}

int CLScoreServerRequest::parseRank() const {
  std::size_t first = 0, last = receivedData_.size();
  auto isDigit = [](uint8_t byte) { return byte >= '0' && byte <= '9'; };
  while (first < last && !isDigit(receivedData_[first])) ++first;
  while (last > first && !isDigit(receivedData_[last - 1])) --last;
  return platform::intValue(
      std::string_view(reinterpret_cast<const char*>(receivedData_.data()) + first, last - first));
}

std::optional<platform::URLRequest> CLScoreServerRequest::connectionWillSendRequest(
    platform::URLConnection*, const platform::URLRequest& request, const platform::URLResponse* redirect) {
  if (redirect) return std::nullopt;
  return request;
}

void CLScoreServerRequest::connectionDidReceiveResponse(platform::URLConnection*, const platform::URLResponse&) {
  receivedData_.clear();
}

void CLScoreServerRequest::connectionDidReceiveData(platform::URLConnection*, std::span<const uint8_t> data) {
  receivedData_.insert(receivedData_.end(), data.begin(), data.end());
}

void CLScoreServerRequest::connectionDidFinishLoading(platform::URLConnection*) {
  connection_ = nullptr;
  auto* delegate = delegateInterface();
  if (!delegate) return;
  if (reqRankOnly_) {
    delegate->scoreRequestRankOk(this);
  } else {
    delegate->scoreRequestOk(this);
  }
}

void CLScoreServerRequest::connectionDidFailWithError(platform::URLConnection*, const platform::Error&) {
  connection_ = nullptr;
  if (auto* delegate = delegateInterface()) delegate->scoreRequestFail(this);
}

}  // namespace scoreclient
