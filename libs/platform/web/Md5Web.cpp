// MD5 for the web build, where OpenSSL is not available: the same interface
// as the desktop's, over the portable algorithm in Md5Algorithm.h.

#include "platform/net/Md5.h"

#include "platform/web/Md5Algorithm.h"

namespace platform {

struct Md5::EvpContext : web::Md5State {};

Md5::Md5() : context_(new EvpContext()) {}

Md5::~Md5() { delete context_; }

void Md5::restartIfFinished() {
  if (!finished_) return;
  context_->start();
  finished_ = false;
}

void Md5::reset() {
  context_->start();
  finished_ = false;
}

void Md5::update(std::span<const uint8_t> bytes) {
  restartIfFinished();
  context_->feed(bytes.data(), bytes.size());
}

std::array<uint8_t, 16> Md5::finish() {
  restartIfFinished();
  const std::array<uint8_t, 16> digest = context_->digest();
  finished_ = true;
  return digest;
}

}  // namespace platform
