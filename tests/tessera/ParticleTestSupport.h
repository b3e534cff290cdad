#pragma once
// Fixtures for the particle-system tests: property lists written to a
// temporary resource folder, PNG images made in code, gzip/zlib packing and
// Base64 text for embedded textures, and a random source with chosen draws.

#include "platform/Facts.h"
#include "platform/Image.h"
#include "platform/PropertyList.h"
#include "platform/Random.h"
#include "platform/Ref.h"
#include "platform/Value.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace particle_test {

/// The value random() must return for a draw r = value / 2^30 - 1.
inline long randomForDraw(double r) { return static_cast<long>((r + 1.0) * 1073741824.0); }

/// Makes every draw r = 0 (no variance) while alive.
class ZeroVarianceDraws {
 public:
  ZeroVarianceDraws() { platform::setRandomSource([] { return 1073741824L; }); }
  ~ZeroVarianceDraws() { platform::setRandomSource({}); }
  ZeroVarianceDraws(const ZeroVarianceDraws&) = delete;
  ZeroVarianceDraws& operator=(const ZeroVarianceDraws&) = delete;
};

/// An opaque or translucent square PNG of one colour (straight alpha).
inline std::vector<std::uint8_t> solidPNG(int side, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                          std::uint8_t a = 255) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(side) * side * 4);
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = r;
    pixels[i + 1] = g;
    pixels[i + 2] = b;
    pixels[i + 3] = a;
  }
  platform::Ref<platform::Image> image =
      platform::Image::imageWithPixels(side, side, platform::PixelLayout::RGBA, side * 4, pixels);
  return *image->encodePNG();
}

/// `data` packed as gzip (windowBits 31) or zlib (15).
inline std::vector<std::uint8_t> pack(const std::vector<std::uint8_t>& data, bool gzip) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY);
  std::vector<std::uint8_t> out(deflateBound(&stream, data.size()) + 32);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

/// Standard Base64 with '=' padding, wrapped at 76 columns.
inline std::string base64(const std::vector<std::uint8_t>& data) {
  static const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    const std::uint32_t b0 = data[i];
    const std::uint32_t b1 = i + 1 < data.size() ? data[i + 1] : 0;
    const std::uint32_t b2 = i + 2 < data.size() ? data[i + 2] : 0;
    const std::uint32_t group = (b0 << 16) | (b1 << 8) | b2;
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += i + 1 < data.size() ? kAlphabet[(group >> 6) & 63] : '=';
    out += i + 2 < data.size() ? kAlphabet[group & 63] : '=';
    if (out.size() % 77 == 76) out += '\n';
  }
  return out;
}

/// A gravity-mode dictionary with every key the reader knows.
inline platform::Value gravityDictionary() {
  platform::Value::Dict d;
  d.set("maxParticles", 40);
  d.set("angle", 90.0);
  d.set("angleVariance", 10.0);
  d.set("duration", -1.0);
  d.set("blendFuncSource", 770);
  d.set("blendFuncDestination", 1);
  d.set("startColorRed", 0.75);
  d.set("startColorGreen", 0.5);
  d.set("startColorBlue", 0.25);
  d.set("startColorAlpha", 1.0);
  d.set("startColorVarianceRed", 0.125);
  d.set("startColorVarianceGreen", 0.0);
  d.set("startColorVarianceBlue", 0.0);
  d.set("startColorVarianceAlpha", 0.0);
  d.set("finishColorRed", 0.0);
  d.set("finishColorGreen", 0.0);
  d.set("finishColorBlue", 0.0);
  d.set("finishColorAlpha", "0.5");  // numbers may be written as strings
  d.set("finishColorVarianceRed", 0.0);
  d.set("finishColorVarianceGreen", 0.0);
  d.set("finishColorVarianceBlue", 0.0);
  d.set("finishColorVarianceAlpha", 0.0);
  d.set("startParticleSize", 32.0);
  d.set("startParticleSizeVariance", 4.0);
  d.set("finishParticleSize", 8);
  d.set("finishParticleSizeVariance", 2.0);
  d.set("sourcePositionx", 160.0);
  d.set("sourcePositiony", 240.0);
  d.set("sourcePositionVariancex", 7.0);
  d.set("sourcePositionVariancey", 3.0);
  d.set("emitterType", 0);
  d.set("gravityx", 1.5);
  d.set("gravityy", -9.0);
  d.set("speed", 120.0);
  d.set("speedVariance", 12.0);
  d.set("radialAcceleration", -3.0);
  d.set("radialAccelVariance", 1.0);
  d.set("tangentialAcceleration", 4.0);
  d.set("tangentialAccelVariance", 2.0);
  d.set("particleLifespan", 2.0);
  d.set("particleLifespanVariance", 0.5);
  d.set("textureFileName", "particle.png");
  return platform::Value(std::move(d));
}

/// A temporary resource folder (the facts' resourceDir while alive).
class ResourceFolder {
 public:
  ResourceFolder() {
    saved_ = platform::facts();
    platform::facts().resourceDir = path_.string();
    std::filesystem::create_directories(path_);
  }
  ~ResourceFolder() {
    platform::facts() = saved_;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ResourceFolder(const ResourceFolder&) = delete;
  ResourceFolder& operator=(const ResourceFolder&) = delete;

  std::string at(const std::string& name) const { return (path_ / name).string(); }
  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    FILE* file = std::fopen(at(name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  void writePlist(const std::string& name, const platform::Value& value) const {
    platform::writePropertyListFile(at(name), value);
  }

 private:
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() / ("tessera-particles-" + std::to_string(::getpid()));
  platform::Facts saved_;
};

}  // namespace particle_test
