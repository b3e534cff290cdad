#include "platform/net/Md5.h"

#include <openssl/evp.h>

namespace platform {

struct Md5::EvpContext {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  ~EvpContext() { EVP_MD_CTX_free(context); }
};

Md5::Md5() : context_(new EvpContext()) { EVP_DigestInit_ex(context_->context, EVP_md5(), nullptr); }

Md5::~Md5() { delete context_; }

void Md5::restartIfFinished() {
  if (!finished_) return;
  EVP_DigestInit_ex(context_->context, EVP_md5(), nullptr);
  finished_ = false;
}

void Md5::reset() {
  EVP_DigestInit_ex(context_->context, EVP_md5(), nullptr);
  finished_ = false;
}

void Md5::update(std::span<const uint8_t> bytes) {
  restartIfFinished();
  EVP_DigestUpdate(context_->context, bytes.data(), bytes.size());
}

std::array<uint8_t, 16> Md5::finish() {
  restartIfFinished();
  std::array<uint8_t, 16> digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->context, digest.data(), &length);
  finished_ = true;
  return digest;
}

}  // namespace platform
