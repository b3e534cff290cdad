#include "ResultCodec.h"

#include <cstring>

namespace storm {

namespace {

constexpr char kTag[4] = {'S', 'T', 'R', 'M'};

// x86-64 is little-endian; both ends of the pipe are the same program.
class Writer {
 public:
  template <typename T>
  void value(T v) {
    bytes_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void text(const std::string& s) {
    value(static_cast<std::uint64_t>(s.size()));
    bytes_ += s;
  }
  template <typename T>
  void array(const std::vector<T>& items) {
    value(static_cast<std::uint64_t>(items.size()));
    bytes_.append(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T));
  }
  std::string take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  template <typename T>
  bool value(T& v) {
    if (bytes_.size() - at_ < sizeof v) return false;
    std::memcpy(&v, bytes_.data() + at_, sizeof v);
    at_ += sizeof v;
    return true;
  }
  bool text(std::string& s) {
    std::uint64_t size = 0;
    if (!value(size) || size > bytes_.size() - at_) return false;
    s.assign(bytes_, at_, size);
    at_ += size;
    return true;
  }
  template <typename T>
  bool array(std::vector<T>& items) {
    std::uint64_t count = 0;
    if (!value(count) || count > (bytes_.size() - at_) / sizeof(T)) return false;
    items.resize(count);
    if (count > 0) std::memcpy(items.data(), bytes_.data() + at_, count * sizeof(T));
    at_ += count * sizeof(T);
    return true;
  }
  bool atEnd() const { return at_ == bytes_.size(); }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::string encodeResult(const RendererResult& result) {
  Writer out;
  for (char c : kTag) out.value(c);
  out.text(result.glRenderer);
  out.text(result.method);
  out.text(result.error);
  out.value(static_cast<std::int32_t>(result.times.warmUpFrames));
  out.value(result.times.cpuMillisecondsPerFrame);
  out.value(result.times.pageFaultsPerFrame);
  out.array(result.times.milliseconds);
  out.value(static_cast<std::int32_t>(result.checkImage.width));
  out.value(static_cast<std::int32_t>(result.checkImage.height));
  out.array(result.checkImage.rgba);
  return out.take();
}

std::optional<RendererResult> decodeResult(const std::string& bytes) {
  Reader in(bytes);
  RendererResult result;
  for (char expected : kTag) {
    char c = 0;
    if (!in.value(c) || c != expected) return std::nullopt;
  }
  std::int32_t warmUp = 0, width = 0, height = 0;
  const bool complete = in.text(result.glRenderer) && in.text(result.method) && in.text(result.error) &&
                        in.value(warmUp) && in.value(result.times.cpuMillisecondsPerFrame) &&
                        in.value(result.times.pageFaultsPerFrame) && in.array(result.times.milliseconds) &&
                        in.value(width) && in.value(height) && in.array(result.checkImage.rgba) && in.atEnd();
  if (!complete) return std::nullopt;
  result.times.warmUpFrames = warmUp;
  result.checkImage.width = width;
  result.checkImage.height = height;
  return result;
}

}  // namespace storm
