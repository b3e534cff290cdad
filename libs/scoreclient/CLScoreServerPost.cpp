#include "scoreclient/CLScoreServerPost.h"

#include "platform/Exception.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"
#include "platform/net/DeviceIdentifier.h"
#include "scoreclient/ScoreServerSupport.h"

#include <algorithm>

namespace scoreclient {

CLScoreServerPost* CLScoreServerPost::serverWithGameName(const std::string& gameName, const std::string& gameKey,
                                                         platform::Object* delegate) {
  return platform::createAutoreleased<CLScoreServerPost>(
      [&](CLScoreServerPost& post) { return post.initWithGameName(gameName, gameKey, delegate); });
}

bool CLScoreServerPost::initWithGameName(const std::string& gameName, const std::string& gameKey,
                                         platform::Object* delegate) {
  gameName_ = gameName;
  gameKey_ = gameKey;
  delegate_ = delegate;
  bodyValues_.reserve(5);
  return true;
}

CLScoreServerPost::~CLScoreServerPost() {
  if (connection_) connection_->cancel();
}

CLScoreServerPostDelegate* CLScoreServerPost::delegateInterface() const {
  return dynamic_cast<CLScoreServerPostDelegate*>(delegate_.get());
}

void CLScoreServerPost::setConnection(platform::URLConnection* connection) {
  // A request still running would keep calling back into this object and
  // mix its answer with the new one: stop it first.
  if (connection_ && connection_.get() != connection) connection_->cancel();
  connection_ = connection;
}

// [SECTION] Building the post

bool CLScoreServerPost::sendScore(const platform::Value::Dict& values) { return submitScore(values, false); }

bool CLScoreServerPost::updateScore(const platform::Value::Dict& values) {
  if (!values.contains("cc_playername")) {
    throw platform::Exception("scoreClient:updateScore", "cc_playername not found");
  }
  return submitScore(values, true);
}

bool CLScoreServerPost::submitScore(const platform::Value::Dict& values, bool forUpdate) {
  receivedData_.clear();
  bodyValues_.clear();
  postStatus_ = kPostStatusOK;
  const std::string url = serviceAddress(forUpdate ? "/api/update-score" : "/api/post-score");
  platform::URLRequest request = scoreServerRequestWithURLString(url);

  md5_.reset();
  std::vector<const platform::Value::Dict::Entry*> entries;
  for (const auto& entry : values) entries.push_back(&entry);
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto* a, const auto* b) { return scoreKeyLess(a->key, b->key); });
  for (const auto* entry : entries) calculateHashAndAddValue(entry->value, entry->key);

  addValue(platform::uniqueDeviceIdentifier(), "cc_device_id");
  addValue(gameName_, "cc_gamename");
  addValue(getHashForData(), "cc_hash");
  addValue("1.1", "cc_prot_ver");
  request.body = getBodyValues();

  if (url.empty()) return false;
  setConnection(platform::URLConnection::connectionWithRequest(request, this, this));
  return connection_ != nullptr;
}

void CLScoreServerPost::calculateHashAndAddValue(const platform::Value& value, const std::string& key) {
  std::string text;
  if (value.isNumber()) {
    text = value.stringValue();
  } else if (value.isString()) {
    text = value.asString();
  } else {
    throw platform::Exception("Invalid format for value", "Invalid format for value. addValue");
  }
  addValue(text, key);
  md5_.update(text);
}

void CLScoreServerPost::addValue(const std::string& value, const std::string& key) {
  bodyValues_.push_back(encodeData(key) + "=" + encodeData(value));
}

std::string CLScoreServerPost::getHashForData() {
  md5_.update(gameKey_);
  return md5_.hexDigest();
}

std::vector<uint8_t> CLScoreServerPost::getBodyValues() const {
  std::string body;
  for (std::size_t i = 0; i < bodyValues_.size(); ++i) {
    if (i > 0) body.push_back('&');
    body += bodyValues_[i];
  }
  return std::vector<uint8_t>(body.begin(), body.end());
}

std::string CLScoreServerPost::encodeData(std::string_view text) { return encodeFormValue(text); }

platform::URLRequest CLScoreServerPost::scoreServerRequestWithURLString(const std::string& url) const {
  platform::URLRequest request = makeRequest(url, "POST");
  request.setValueForHTTPHeaderField("application/x-www-form-urlencoded", "Content-Type");
  return request;
}

// [SECTION] The answer

std::optional<platform::URLRequest> CLScoreServerPost::connectionWillSendRequest(
    platform::URLConnection*, const platform::URLRequest& request, const platform::URLResponse* redirect) {
  if (redirect) return std::nullopt;
  return request;
}

void CLScoreServerPost::connectionDidReceiveResponse(platform::URLConnection*, const platform::URLResponse&) {
  receivedData_.clear();
}

void CLScoreServerPost::connectionDidReceiveData(platform::URLConnection*, std::span<const uint8_t> data) {
  receivedData_.insert(receivedData_.end(), data.begin(), data.end());
}

void CLScoreServerPost::connectionDidFinishLoading(platform::URLConnection*) {
  connection_ = nullptr;
  const std::string_view answer(reinterpret_cast<const char*>(receivedData_.data()), receivedData_.size());
  if (answer.starts_with("OK:")) {
    for (const std::string& piece : platform::split(answer.substr(3), ",")) {
      const std::vector<std::string> pair = platform::split(piece, "=");
      if (pair.size() < 2) continue;
      if (pair[0] == "ranking") ranking_ = static_cast<unsigned>(std::max(0, platform::intValue(pair[1])));
      if (pair[0] == "score_updated") scoreDidUpdate_ = platform::boolValue(pair[1]);
    }
    if (auto* delegate = delegateInterface()) delegate->scorePostOk(this);
  } else if (answer.starts_with("OK")) {
    postStatus_ = kPostStatusOK;
    if (auto* delegate = delegateInterface()) delegate->scorePostOk(this);
  } else {
    platform::log("scoreclient: Post Score failed. Reason: %s", printableExcerpt(answer).c_str());
    postStatus_ = kPostStatusPostFailed;
    if (auto* delegate = delegateInterface()) delegate->scorePostFail(this);
  }
}

void CLScoreServerPost::connectionDidFailWithError(platform::URLConnection*, const platform::Error& error) {
  postStatus_ = kPostStatusConnectionFailed;
  connection_ = nullptr;
  if (auto* delegate = delegateInterface()) delegate->scorePostFail(this);
}

}  // namespace scoreclient
