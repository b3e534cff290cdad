#pragma once
// MD5 digests, for the signatures network services expect (not for
// security). Backed by OpenSSL's EVP interface.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

/// MD5 digests, for the signatures network services expect (not for security).
/// Backed by OpenSSL's EVP interface.
///
/// Feed bytes with update(), then finish() once; a finished digest starts
/// over on the next update().
class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  /// Starts a new digest, dropping what was fed.
  void reset();
  void update(std::span<const uint8_t> bytes);
  void update(std::string_view text);
  /// The 16-byte digest of everything fed since the start.
  std::array<uint8_t, 16> finish();
  /// finish() as 32 lower-case hexadecimal digits.
  std::string hexDigest();

  /// The digest of `text` in hexadecimal.
  static std::string hexDigestOf(std::string_view text);

 private:
  void restartIfFinished();

  struct EvpContext;
  EvpContext* context_ = nullptr;
  bool finished_ = false;
};

}  // namespace platform
