#include "platform/net/Md5.h"

#include <openssl/evp.h>

#include <cstdio>

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

void Md5::update(std::string_view text) {
  update(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::array<uint8_t, 16> Md5::finish() {
  restartIfFinished();
  std::array<uint8_t, 16> digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->context, digest.data(), &length);
  finished_ = true;
  return digest;
}

std::string Md5::hexDigest() {
  std::string out;
  for (uint8_t byte : finish()) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    out.append(pair, 2);
  }
  return out;
}

std::string Md5::hexDigestOf(std::string_view text) {
  Md5 md5;
  md5.update(text);
  return md5.hexDigest();
}

}  // namespace platform
