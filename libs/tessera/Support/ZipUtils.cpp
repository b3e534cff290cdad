#include "tessera/Support/ZipUtils.h"

#include "platform/Assert.h"
#include "platform/Log.h"
#include "tessera/Support/CCFileUtils.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kCCZHeaderLength = 16;
// Deflate cannot produce more than 1032 bytes per input byte (a 258-byte
// match costs at least two bits); a header claiming more is a lie.
constexpr std::uint64_t kDeflateMaxRatio = 1032;
constexpr std::size_t kGZipFirstChunk = 0x80000;    // 512 KiB
constexpr std::size_t kInflateFirstBuffer = 0x40000;  // 256 KiB

std::uint16_t readBigEndian16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t readBigEndian32(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

}  // namespace

// [SECTION] .ccz files

int ccInflateCCZFile(const char* path, unsigned char** out) {
  CC_HARD_ASSERT(out);
  *out = nullptr;

  unsigned char* file = nullptr;
  const int fileLength = ccLoadFileIntoMemory(path, &file);
  if (fileLength < 0) {
    CCLOG("tessera: ZipUtils: %s: cannot read the file", path);
    return -1;
  }

  const auto fail = [&] {
    std::free(file);
    std::free(*out);
    *out = nullptr;
    return -1;
  };

  if (static_cast<std::size_t>(fileLength) < kCCZHeaderLength) {
    CCLOG("tessera: ZipUtils: %s: %d bytes, shorter than the .ccz header", path, fileLength);
    return fail();
  }
  if (std::memcmp(file, "CCZ!", 4) != 0) {
    CCLOG("tessera: ZipUtils: %s: no \"CCZ!\" tag, not a .ccz file", path);
    return fail();
  }
  if (const std::uint16_t type = readBigEndian16(file + 4); type != 0) {
    CCLOG("tessera: ZipUtils: %s: compression type %u, only 0 (zlib) is known", path, type);
    return fail();
  }
  if (const std::uint16_t version = readBigEndian16(file + 6); version >= 3) {
    CCLOG("tessera: ZipUtils: %s: version %u, only 0 to 2 are known", path, version);
    return fail();
  }

  const std::uint32_t length = readBigEndian32(file + 12);
  const std::size_t packedLength = static_cast<std::size_t>(fileLength) - kCCZHeaderLength;
  if (length > kZipUtilsMaxUnpackedLength || length > packedLength * kDeflateMaxRatio) {
    CCLOG("tessera: ZipUtils: %s: header length %u is more than %zu packed bytes can hold (limit %zu)", path,
          length, packedLength, kZipUtilsMaxUnpackedLength);
    return fail();
  }

  // One spare byte: an empty payload still gets a buffer the caller frees.
  *out = static_cast<unsigned char*>(std::malloc(std::size_t{length} + 1));
  if (*out == nullptr) {
    CCLOG("tessera: ZipUtils: %s: no memory for %u bytes", path, length);
    return fail();
  }

  uLongf unpackedLength = length;
  const int result = uncompress(*out, &unpackedLength, file + kCCZHeaderLength, static_cast<uLong>(packedLength));
  if (result == Z_BUF_ERROR) {
    // The output filled up before the stream ended.
    CCLOG("tessera: ZipUtils: %s: the stream unpacks to more than the header's length %u", path, length);
    return fail();
  }
  if (result != Z_OK) {
    CCLOG("tessera: ZipUtils: %s: the stream is cut short or corrupt after %lu of %u bytes (zlib error %d)", path,
          static_cast<unsigned long>(unpackedLength), length, result);
    return fail();
  }
  // A stream that stops short of the header's length would leave the end of
  // the buffer unwritten.
  if (unpackedLength != length) {
    CCLOG("tessera: ZipUtils: %s: unpacked %lu bytes, header says %u", path, static_cast<unsigned long>(unpackedLength),
          length);
    return fail();
  }
  std::free(file);
  return static_cast<int>(length);
}

// [SECTION] .gz files

int ccInflateGZipFile(const char* path, unsigned char** out) {
  CC_HARD_ASSERT(out);
  *out = nullptr;

  gzFile gz = gzopen(path, "rb");
  if (gz == nullptr) {
    CCLOG("tessera: ZipUtils: %s: cannot open the file", path);
    return -1;
  }

  const auto fail = [&] {
    std::free(*out);
    *out = nullptr;
    gzclose(gz);
    return -1;
  };

  std::size_t chunk = kGZipFirstChunk;
  std::size_t total = chunk;
  std::size_t offset = 0;
  // A failed read: a corrupt stream, a bad checksum or length in a member's
  // trailer, or a file that cannot be read (a directory).
  const auto failRead = [&] {
    int error = Z_OK;
    const char* message = gzerror(gz, &error);
    CCLOG("tessera: ZipUtils: %s: cannot read past %zu unpacked bytes: %s (zlib error %d)", path, offset,
          message != nullptr ? message : "", error);
    return fail();
  };
  const auto failMemory = [&] {
    CCLOG("tessera: ZipUtils: %s: no memory for %zu bytes", path, total);
    return fail();
  };
  *out = static_cast<unsigned char*>(std::malloc(total));
  if (*out == nullptr) return failMemory();

  for (;;) {
    const int read = gzread(gz, *out + offset, static_cast<unsigned>(total - offset));
    if (read < 0) return failRead();
    if (read == 0) break;
    offset += static_cast<std::size_t>(read);
    if (offset < total) break;  // a short read: the data has ended

    if (total == kZipUtilsMaxUnpackedLength) {
      unsigned char probe = 0;
      const int more = gzread(gz, &probe, 1);
      if (more < 0) return failRead();
      if (more > 0) {
        CCLOG("tessera: ZipUtils: %s: unpacks to more than %zu bytes", path, kZipUtilsMaxUnpackedLength);
        return fail();
      }
      break;
    }
    chunk *= 2;
    total = std::min(total + chunk, kZipUtilsMaxUnpackedLength);
    auto* grown = static_cast<unsigned char*>(std::realloc(*out, total));
    if (grown == nullptr) return failMemory();
    *out = grown;
  }

  // zlib hands out what it could inflate from a cut-short stream and only
  // reports the missing end through gzerror.
  int error = Z_OK;
  gzerror(gz, &error);
  if (error != Z_OK) {
    CCLOG("tessera: ZipUtils: %s: gzip stream is cut short or corrupt (zlib error %d)", path, error);
    return fail();
  }
  gzclose(gz);
  return static_cast<int>(offset);
}

// [SECTION] In-memory zlib and gzip data

int ccInflateBytes(const unsigned char* in, unsigned int inLength, unsigned char** out) {
  CC_HARD_ASSERT(out);
  std::size_t bufferSize = kInflateFirstBuffer;
  *out = static_cast<unsigned char*>(std::malloc(bufferSize));
  if (*out == nullptr) {
    CCLOG("tessera: ZipUtils: inflate: no memory for %zu bytes", bufferSize);
    return 0;
  }

  z_stream stream{};
  stream.next_in = const_cast<Bytef*>(in);
  stream.avail_in = inLength;
  stream.next_out = *out;
  stream.avail_out = static_cast<uInt>(bufferSize);

  const auto fail = [&](bool streamOpen) {
    if (streamOpen) inflateEnd(&stream);
    std::free(*out);
    *out = nullptr;
    return 0;
  };

  // 15 window bits, plus 32: detect a zlib or a gzip header.
  if (const int result = inflateInit2(&stream, 15 + 32); result != Z_OK) {
    CCLOG("tessera: ZipUtils: inflate: cannot start zlib (zlib error %d)", result);
    return fail(false);
  }

  for (;;) {
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_STREAM_END) break;
    if (result == Z_NEED_DICT || result == Z_DATA_ERROR || result == Z_MEM_ERROR || result == Z_STREAM_ERROR) {
      CCLOG("tessera: ZipUtils: inflate: data of %u bytes is not a zlib or gzip stream it can unpack: %s after %lu "
            "bytes (zlib error %d)",
            inLength, stream.msg != nullptr ? stream.msg : "no message", stream.total_out, result);
      return fail(true);
    }
    if (stream.avail_out != 0) {
      // inflate stopped with room left: the input ran out before the end of
      // the stream. More room would never help.
      CCLOG("tessera: ZipUtils: inflate: data of %u bytes ends before its stream does", inLength);
      return fail(true);
    }
    if (bufferSize >= kZipUtilsMaxUnpackedLength) {
      CCLOG("tessera: ZipUtils: inflate: data of %u bytes unpacks to more than %zu bytes", inLength,
            kZipUtilsMaxUnpackedLength);
      return fail(true);
    }
    const std::size_t grownSize = std::min(bufferSize * 2, kZipUtilsMaxUnpackedLength);
    auto* grown = static_cast<unsigned char*>(std::realloc(*out, grownSize));
    if (grown == nullptr) {
      CCLOG("tessera: ZipUtils: inflate: no memory for %zu bytes", grownSize);
      return fail(true);
    }
    *out = grown;
    stream.next_out = *out + bufferSize;
    stream.avail_out = static_cast<uInt>(grownSize - bufferSize);
    bufferSize = grownSize;
  }

  const std::size_t produced = bufferSize - stream.avail_out;
  if (const int result = inflateEnd(&stream); result != Z_OK) {
    CCLOG("tessera: ZipUtils: inflate: zlib failed to finish (zlib error %d)", result);
    return fail(false);
  }
  return static_cast<int>(produced);
}
