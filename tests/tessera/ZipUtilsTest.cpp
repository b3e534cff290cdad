#include "tessera/Support/ZipUtils.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// zlib (window bits 15), gzip (31) or raw deflate (-15) data.
std::string packed(const std::string& payload, int windowBits = 15, const std::string& dictionary = "") {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  if (!dictionary.empty()) deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.data()), 10);
  std::string out(deflateBound(&stream, payload.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(payload.data()));
  stream.avail_in = static_cast<uInt>(payload.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A ".ccz" file; `length` replaces the payload's size in the header when given.
std::string ccz(const std::string& payload, int type = 0, int version = 2, long long length = -1) {
  const auto size = static_cast<std::uint32_t>(length < 0 ? payload.size() : length);
  std::string header = "CCZ!";
  for (unsigned byte : {type >> 8, type & 0xFF, version >> 8, version & 0xFF, 0, 0, 0, 0}) header += static_cast<char>(byte);
  for (int shift : {24, 16, 8, 0}) header += static_cast<char>((size >> shift) & 0xFF);
  return header + packed(payload);
}

std::string sampleText(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * i / 7 + i / 1000) % 26);
  return text;
}

// Runs a reader; the buffer's contents, or nothing when it returned `failure`
// (checking that the out-pointer is then null).
std::optional<std::string> read(const std::function<int(unsigned char**)>& reader, int failure) {
  unsigned char* out = reinterpret_cast<unsigned char*>(1);  // must be overwritten
  const int length = reader(&out);
  std::optional<std::string> result;
  if (length == failure && out == nullptr) return result;
  EXPECT_NE(nullptr, out);
  if (out != nullptr) result.emplace(reinterpret_cast<char*>(out), static_cast<std::size_t>(std::max(length, 0)));
  std::free(out);
  return result;
}

std::optional<std::string> inflated(const std::string& data) {
  return read([&](unsigned char** out) {
    return ccInflateBytes(reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned>(data.size()), out);
  }, 0);
}

class ZipUtilsTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(directory_); }
  void TearDown() override { fs::remove_all(directory_); }
  std::string write(const std::string& contents) {
    const std::string path = (directory_ / "file").string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  std::optional<std::string> unpackedCCZ(const std::string& file) {
    const std::string path = write(file);
    return read([&](unsigned char** out) { return ccInflateCCZFile(path.c_str(), out); }, -1);
  }
  std::optional<std::string> unpackedGZip(const std::string& file) {
    const std::string path = write(file);
    return read([&](unsigned char** out) { return ccInflateGZipFile(path.c_str(), out); }, -1);
  }
  // Every refusal logs exactly one line since the last call, naming `subject`
  // and holding `detail`.
  void expectOneLogLine(std::size_t& seen, const std::string& subject, const std::string& detail = "") {
    ASSERT_EQ(seen + 1, log_.lines().size()) << log_.text();
    const std::string& line = log_.lines().back();
    EXPECT_NE(std::string::npos, line.find("tessera: ZipUtils: " + subject)) << line;
    EXPECT_NE(std::string::npos, line.find(detail)) << line;
    seen = log_.lines().size();
  }
  fs::path directory_ = fs::temp_directory_path() / ("tessera-zip-" + std::to_string(::getpid()));
  testing_support::LogCapture log_;
};

TEST_F(ZipUtilsTest, InflatesZlibAndGzipDataOfAnySize) {
  const std::string text = sampleText(5000);
  EXPECT_EQ(text, inflated(packed(text)));
  EXPECT_EQ(text, inflated(packed(text, 31)));
  EXPECT_EQ(text, inflated(packed(text) + "trailing bytes"));
  EXPECT_EQ(std::string(3 << 20, 'z'), inflated(packed(std::string(3 << 20, 'z')))) << "the output grows";
  EXPECT_EQ("", inflated(packed(""))) << "an empty stream is no failure";
}

TEST_F(ZipUtilsTest, InflateInvalid) {
  const std::string zlib = packed(sampleText(3000));
  std::string corrupt = zlib;
  corrupt[zlib.size() / 2] ^= 0x55;
  for (const std::string& data : {std::string(), std::string("not compressed"), packed(sampleText(3000), -15),
                                  packed(sampleText(3000), 15, "dictionary"), zlib.substr(0, zlib.size() / 2),
                                  zlib.substr(0, zlib.size() - 1), corrupt}) {
    std::size_t seen = log_.lines().size();
    EXPECT_EQ(std::nullopt, inflated(data)) << data.size();  // cut-short data must not grow the buffer for ever
    expectOneLogLine(seen, "inflate: data of " + std::to_string(data.size()) + " bytes");
  }
}

TEST_F(ZipUtilsTest, CCZUnpacksVersionsZeroToTwo) {
  const std::string text = sampleText(20000);
  for (int version : {0, 1, 2}) EXPECT_EQ(text, unpackedCCZ(ccz(text, 0, version))) << version;
  EXPECT_EQ(std::string(1 << 20, '\0'), unpackedCCZ(ccz(std::string(1 << 20, '\0')))) << "highly packed";
  EXPECT_EQ("", unpackedCCZ(ccz("")));
}

TEST_F(ZipUtilsTest, CCZInvalid) {
  const std::string text = sampleText(4000);
  std::string corrupt = ccz(text);
  corrupt[corrupt.size() / 2] ^= 0x55;
  const std::string path = (directory_ / "file").string();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {ccz(text, 0, 3), "version 3"},
      {ccz(text, 1, 0), "compression type 1"},
      {"CCZ?" + ccz(text).substr(4), "CCZ!"},
      {ccz(text).substr(0, 10), "10 bytes"},
      {ccz(text).substr(0, 200), "cut short or corrupt"},
      {corrupt, "cut short or corrupt"},
      {ccz(text, 0, 2, 3999), "more than the header's length 3999"},  // header length smaller than the data
      {ccz(text, 0, 2, 4001), "4001"},                                // larger: the end would stay unwritten
      {ccz(text, 0, 2, 0xFFFFFFFF), "4294967295"},                    // refused before allocating
      {ccz("", 0, 2, 200 << 20), "209715200"},                        // more than a tiny stream can hold
  };
  std::size_t seen = log_.lines().size();
  for (const auto& [file, detail] : cases) {
    EXPECT_EQ(std::nullopt, unpackedCCZ(file)) << detail;
    expectOneLogLine(seen, path, detail);
  }
  EXPECT_EQ(std::nullopt, read([&](unsigned char** out) { return ccInflateCCZFile(directory_.c_str(), out); }, -1));
  expectOneLogLine(seen, directory_.string(), "cannot read");
}

TEST_F(ZipUtilsTest, GZipReadsChunksMembersAndPlainFiles) {
  // 700 KiB takes a second, larger read; exactly 512 KiB fills the first one.
  for (std::size_t size : {std::size_t{700} << 10, std::size_t{512} << 10, std::size_t{2} << 20}) {
    EXPECT_EQ(sampleText(size), unpackedGZip(packed(sampleText(size), 31))) << size;
  }
  EXPECT_EQ("firstsecond", unpackedGZip(packed("first", 31) + packed("second", 31)));
  EXPECT_EQ("plain bytes", unpackedGZip("plain bytes")) << "a file that is not gzip reads as it is";
  EXPECT_EQ("", unpackedGZip(""));
}

TEST_F(ZipUtilsTest, GZipInvalid) {
  const std::string gzip = packed(sampleText(100000), 31);
  std::string badChecksum = gzip;
  badChecksum[gzip.size() - 6] ^= 0x01;
  const std::string path = (directory_ / "file").string();
  std::size_t seen = log_.lines().size();
  for (const std::string& file : {gzip.substr(0, gzip.size() / 2), gzip.substr(0, gzip.size() - 4), badChecksum}) {
    EXPECT_EQ(std::nullopt, unpackedGZip(file)) << file.size();
    expectOneLogLine(seen, path, "zlib error");
  }
  EXPECT_EQ(std::nullopt, read([&](unsigned char** out) { return ccInflateGZipFile(directory_.c_str(), out); }, -1));
  expectOneLogLine(seen, directory_.string());
  EXPECT_EQ(std::nullopt, read([&](unsigned char** out) { return ccInflateGZipFile("/nonexistent.gz", out); }, -1));
  expectOneLogLine(seen, "/nonexistent.gz", "cannot open");
}

TEST(ZipUtilsDeathTest, NullOutPointerInvalid) {
  EXPECT_DEATH(ccInflateCCZFile("x.ccz", nullptr), "out");
  EXPECT_DEATH(ccInflateGZipFile("x.gz", nullptr), "out");
  EXPECT_DEATH(ccInflateBytes(nullptr, 0, nullptr), "out");
}

}  // namespace
