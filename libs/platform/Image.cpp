#include "platform/Image.h"

#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <memory>

// [SECTION] Helpers and limits
// [SECTION] PNG decoding
// [SECTION] JPEG decoding
// [SECTION] Image
// [SECTION] PNG encoding
// [SECTION] JPEG encoding
//
// libpng and libjpeg report fatal errors by longjmp. Each function that calls
// setjmp keeps its C++ objects on the heap behind a pointer set before the
// setjmp, and the callbacks that may jump hold no objects with destructors,
// so a jump never skips a destructor and never reads a clobbered local.

namespace platform {

namespace {

// [SECTION] Helpers and limits

std::atomic<std::size_t> gMaxDecodedBytes{std::size_t{256} << 20};

/// What a decoder produces before it becomes an Image.
struct Decoded {
  int width = 0;
  int height = 0;
  int alphaInfo = Image::kAlphaNone;
  int bitsPerComponent = 8;
  PixelLayout layout = PixelLayout::RGBX;
  std::vector<uint8_t> pixels;
  std::string error;
};

/// Empty when width × height fits the limits, else the reason.
std::string sizeProblem(uint64_t width, uint64_t height) {
  if (width == 0 || height == 0) return "has no pixels";
  if (width > Image::kMaxSide || height > Image::kMaxSide) {
    return formatString("is %llux%llu, more than %d a side", static_cast<unsigned long long>(width),
                        static_cast<unsigned long long>(height), Image::kMaxSide);
  }
  uint64_t bytes = width * height * 4;
  if (bytes > gMaxDecodedBytes.load()) {
    return formatString("is %llux%llu, more than %zu bytes of pixels", static_cast<unsigned long long>(width),
                        static_cast<unsigned long long>(height), gMaxDecodedBytes.load());
  }
  return {};
}

// Deflate cannot produce more than 1032 bytes per input byte: its cheapest
// code is a 258-byte match in two one-bit codes. A PNG whose pixels need more
// bytes than its whole file can inflate to is refused before the pixels are
// allocated, whatever its header claims.
constexpr uint64_t kDeflateMaxRatio = 1032;

// Every 8 × 8 block of every component costs at least one bit of
// entropy-coded data: the shortest Huffman code is one bit, and the DC
// coefficient of each block is coded at least once (in sequential files with
// an end-of-block code too). A JPEG with more blocks than its file has bits is
// refused before the decoder allocates its buffers. Arithmetic coding could
// in principle code a blank block in less; such files are refused too when
// they are that small.
constexpr uint64_t kJpegMinBitsPerBlock = 1;

bool isPng(std::span<const uint8_t> bytes) {
  return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

bool isJpeg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// Exact rounding of x / 255 for 0 <= x <= 255 * 255 + 127.
inline uint8_t divide255(unsigned x) { return static_cast<uint8_t>((x + 128 + ((x + 128) >> 8)) >> 8); }

// [SECTION] PNG decoding

struct PngReader {
  std::span<const uint8_t> bytes;
  std::size_t offset = 0;
  char message[256] = {};
  Decoded* out = nullptr;
  std::vector<png_bytep> rows;
};

void pngError(png_structp png, png_const_charp message) {
  auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
  std::snprintf(reader->message, sizeof reader->message, "%s", message);
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {
  // Warnings (odd ancillary chunks, profiles) do not affect the pixels.
}

void pngRead(png_structp png, png_bytep data, std::size_t length) {
  auto* reader = static_cast<PngReader*>(png_get_io_ptr(png));
  if (length > reader->bytes.size() - reader->offset) png_error(png, "unexpected end of data");
  std::memcpy(data, reader->bytes.data() + reader->offset, length);
  reader->offset += length;
}

bool decodePng(PngReader* reader) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, reader, pngError, pngWarning);
  if (!png) {
    reader->out->error = "cannot start the PNG decoder";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    reader->out->error = "cannot start the PNG decoder";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    if (reader->out->error.empty()) reader->out->error = reader->message;
    return false;
  }
  png_set_read_fn(png, reader, pngRead);
  png_set_user_limits(png, Image::kMaxSide, Image::kMaxSide);
  // Skip every ancillary chunk but tRNS: none affects the stored pixels, and
  // libpng would allocate a text or profile chunk's declared length (up to
  // 2 GiB) before noticing that the data is not there.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  Decoded& out = *reader->out;
  out.error = sizeProblem(width, height);
  if (!out.error.empty()) png_error(png, "size");
  // The stored samples alone, before filter bytes: a lower bound of what the
  // data stream must inflate to, interlaced or not.
  const uint64_t sampleBytes = (uint64_t{width} * height * png_get_channels(png, info) * bitDepth + 7) / 8;
  if (sampleBytes > reader->bytes.size() * kDeflateMaxRatio) {
    out.error = formatString("is %ux%u, %llu bytes of samples that %zu bytes of data cannot hold",
                             static_cast<unsigned>(width), static_cast<unsigned>(height),
                             static_cast<unsigned long long>(sampleBytes), reader->bytes.size());
    png_error(png, "size");
  }

  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{width} * 4) png_error(png, "unexpected row layout");

  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.bitsPerComponent = bitDepth;
  out.alphaInfo = hasAlpha ? Image::kAlphaLast : Image::kAlphaNone;
  out.layout = hasAlpha ? PixelLayout::RGBA : PixelLayout::RGBX;
  out.pixels.resize(std::size_t{width} * height * 4);
  reader->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) reader->rows[y] = out.pixels.data() + std::size_t{y} * width * 4;
  png_read_image(png, reader->rows.data());
  // Reading to IEND catches files cut off after the image data.
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// [SECTION] JPEG decoding

// A real file has about ten scans; thousands only make decoding slow.
constexpr int kMaxJpegScans = 1000;
constexpr long kMaxJpegWarnings = 100;

struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Warnings that mean pixels are missing or wrong: libjpeg would go on and
// fill the rest of the picture with grey, so they fail the decode. The other
// warnings (bytes between markers, an unknown JFIF or Adobe version, odd scan
// parameters in a sequential file, a bad ICC chunk) occur in real files whose
// pixels are all there, and are let through.
bool isCorruptDataWarning(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:           // the data ends before the picture does
    case JWRN_HIT_MARKER:         // a scan's data is cut off by a marker
    case JWRN_HUFF_BAD_CODE:      // undecodable entropy-coded data
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:        // a restart marker is missing: rows lost
    case JWRN_BOGUS_PROGRESSION:  // a refinement of coefficients never sent
      return true;
    default:
      return false;
  }
}

[[noreturn]] void jpegErrorExit(j_common_ptr codec) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(codec->err);
  (*codec->err->format_message)(codec, errors->message);
  std::longjmp(errors->jump, 1);
}

void jpegEmitMessage(j_common_ptr codec, int level) {
  if (level >= 0) return;  // trace messages
  auto* errors = reinterpret_cast<JpegErrorManager*>(codec->err);
  if (isCorruptDataWarning(codec->err->msg_code)) {
    (*codec->err->format_message)(codec, errors->message);
    std::longjmp(errors->jump, 1);
  }
  if (++codec->err->num_warnings > kMaxJpegWarnings) {
    std::snprintf(errors->message, sizeof errors->message, "more than %ld corrupt-data warnings",
                  kMaxJpegWarnings);
    std::longjmp(errors->jump, 1);
  }
}

void jpegOutputMessage(j_common_ptr) {}

void jpegProgress(j_common_ptr codec) {
  auto* decoder = reinterpret_cast<j_decompress_ptr>(codec);
  if (decoder->input_scan_number > kMaxJpegScans) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(codec->err);
    std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaxJpegScans);
    std::longjmp(errors->jump, 1);
  }
}

struct JpegReader {
  jpeg_decompress_struct codec;
  JpegErrorManager errors;
  jpeg_progress_mgr progress;
  std::span<const uint8_t> bytes;
  Decoded* out = nullptr;
};

// CMYK to RGB in place (4 bytes per pixel). Adobe files store the inks
// inverted (255 = no ink).
void cmykToRgb(std::vector<uint8_t>& pixels, bool inverted) {
  for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
    unsigned c = pixels[i], m = pixels[i + 1], y = pixels[i + 2], k = pixels[i + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    pixels[i] = divide255(c * k);
    pixels[i + 1] = divide255(m * k);
    pixels[i + 2] = divide255(y * k);
    pixels[i + 3] = 255;
  }
}

bool decodeJpeg(JpegReader* reader) {
  jpeg_decompress_struct* codec = &reader->codec;
  codec->err = jpeg_std_error(&reader->errors.base);
  reader->errors.base.error_exit = jpegErrorExit;
  reader->errors.base.emit_message = jpegEmitMessage;
  reader->errors.base.output_message = jpegOutputMessage;
  reader->errors.message[0] = '\0';
  Decoded& out = *reader->out;
  if (setjmp(reader->errors.jump)) {
    jpeg_destroy_decompress(codec);
    if (out.error.empty()) out.error = reader->errors.message;
    return false;
  }
  jpeg_create_decompress(codec);
  // Bounds the coefficient buffers of progressive files as well.
  codec->mem->max_memory_to_use = static_cast<long>(std::min<std::size_t>(gMaxDecodedBytes.load() * 2, LONG_MAX));
  reader->progress.progress_monitor = jpegProgress;
  codec->progress = &reader->progress;
  jpeg_mem_src(codec, reader->bytes.data(), static_cast<unsigned long>(reader->bytes.size()));
  jpeg_read_header(codec, TRUE);
  out.error = sizeProblem(codec->image_width, codec->image_height);
  if (out.error.empty()) {
    // Known once the first scan header is read: the blocks of every component.
    uint64_t blocks = 0;
    for (int c = 0; c < codec->num_components; ++c) {
      blocks += uint64_t{codec->comp_info[c].width_in_blocks} * codec->comp_info[c].height_in_blocks;
    }
    if (blocks * kJpegMinBitsPerBlock > reader->bytes.size() * 8) {
      out.error = formatString("is %ux%u, %llu blocks of 8x8 that %zu bytes of data cannot hold",
                               static_cast<unsigned>(codec->image_width), static_cast<unsigned>(codec->image_height),
                               static_cast<unsigned long long>(blocks), reader->bytes.size());
    }
  }
  if (!out.error.empty()) {
    jpeg_destroy_decompress(codec);
    return false;
  }
  bool cmyk = codec->jpeg_color_space == JCS_CMYK || codec->jpeg_color_space == JCS_YCCK;
  codec->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
  jpeg_start_decompress(codec);
  if (codec->output_components != 4) {
    out.error = "unexpected component count";
    jpeg_destroy_decompress(codec);
    return false;
  }
  out.width = static_cast<int>(codec->output_width);
  out.height = static_cast<int>(codec->output_height);
  out.pixels.resize(std::size_t{codec->output_width} * codec->output_height * 4);
  std::size_t stride = std::size_t{codec->output_width} * 4;
  while (codec->output_scanline < codec->output_height) {
    JSAMPROW row = out.pixels.data() + codec->output_scanline * stride;
    jpeg_read_scanlines(codec, &row, 1);
  }
  jpeg_finish_decompress(codec);
  bool inverted = codec->saw_Adobe_marker;
  jpeg_destroy_decompress(codec);
  if (cmyk) cmykToRgb(out.pixels, inverted);
  out.alphaInfo = Image::kAlphaNoneSkipLast;
  out.bitsPerComponent = 8;
  out.layout = PixelLayout::RGBX;
  return true;
}

bool decode(std::span<const uint8_t> bytes, Decoded& out) {
  if (isPng(bytes)) {
    auto reader = std::make_unique<PngReader>();
    reader->bytes = bytes;
    reader->out = &out;
    if (decodePng(reader.get())) return true;
    out.error = "PNG " + out.error;
    return false;
  }
  if (isJpeg(bytes)) {
    auto reader = std::make_unique<JpegReader>();
    reader->bytes = bytes;
    reader->out = &out;
    if (decodeJpeg(reader.get())) return true;
    out.error = "JPEG " + out.error;
    return false;
  }
  out.error = formatString("%zu bytes of data that are neither PNG nor JPEG", bytes.size());
  return false;
}

}  // namespace

// [SECTION] Image

std::size_t bytesPerPixel(PixelLayout layout) {
  return layout == PixelLayout::Grey8 || layout == PixelLayout::Alpha8 ? 1 : 4;
}

std::size_t Image::maxDecodedBytes() { return gMaxDecodedBytes.load(); }
void Image::setMaxDecodedBytes(std::size_t bytes) { gMaxDecodedBytes.store(bytes); }

Image* Image::imageWithContentsOfFile(const std::string& path) {
  return createAutoreleased<Image>([&](Image& image) { return image.initWithContentsOfFile(path); });
}

Image* Image::imageWithData(std::span<const uint8_t> bytes) {
  return createAutoreleased<Image>([&](Image& image) { return image.initWithData(bytes); });
}

Image* Image::imageWithPixels(int width, int height, PixelLayout layout, std::size_t rowBytes,
                              std::span<const uint8_t> bytes) {
  return createAutoreleased<Image>(
      [&](Image& image) { return image.initWithPixels(width, height, layout, rowBytes, bytes); });
}

bool Image::initWithContentsOfFile(const std::string& path) {
  auto bytes = readFile(path);
  if (!bytes) {
    CCLOG("tessera: Image: cannot read \"%s\"", path.c_str());
    return false;
  }
  return initWithEncodedData(*bytes, "\"" + path + "\": ");
}

bool Image::initWithData(std::span<const uint8_t> bytes) { return initWithEncodedData(bytes, ""); }

bool Image::initWithEncodedData(std::span<const uint8_t> bytes, const std::string& origin) {
  Decoded decoded;
  if (!decode(bytes, decoded)) {
    CCLOG("tessera: Image: %s%s", origin.c_str(), decoded.error.c_str());
    return false;
  }
  width_ = decoded.width;
  height_ = decoded.height;
  alphaInfo_ = decoded.alphaInfo;
  bitsPerComponent_ = decoded.bitsPerComponent;
  hasColorSpace_ = true;
  layout_ = decoded.layout;
  pixels_ = std::move(decoded.pixels);
  return true;
}

bool Image::initWithPixels(int width, int height, PixelLayout layout, std::size_t rowBytes,
                           std::span<const uint8_t> bytes) {
  if (width <= 0 || height <= 0) {
    CCLOG("tessera: Image: cannot wrap %dx%d pixels", width, height);
    return false;
  }
  if (std::string problem = sizeProblem(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
      !problem.empty()) {
    CCLOG("tessera: Image: raw pixels %s", problem.c_str());
    return false;
  }
  std::size_t pixelBytes = bytesPerPixel(layout);
  std::size_t packedRow = static_cast<std::size_t>(width) * pixelBytes;
  // The last row needs only packedRow bytes; the division avoids overflow
  // with absurd row lengths.
  std::size_t rows = static_cast<std::size_t>(height);
  bool enough = bytes.size() >= packedRow && (rows == 1 || (bytes.size() - packedRow) / (rows - 1) >= rowBytes);
  if (rowBytes < packedRow || !enough) {
    CCLOG("tessera: Image: %dx%d pixels need rows of at least %zu bytes; got rows of %zu in %zu bytes", width, height,
          packedRow, rowBytes, bytes.size());
    return false;
  }
  width_ = width;
  height_ = height;
  layout_ = layout;
  bitsPerComponent_ = 8;
  hasColorSpace_ = layout != PixelLayout::Alpha8;
  switch (layout) {
    case PixelLayout::RGBAPremultiplied: alphaInfo_ = kAlphaPremultipliedLast; break;
    case PixelLayout::RGBA: alphaInfo_ = kAlphaLast; break;
    case PixelLayout::RGBX: alphaInfo_ = kAlphaNoneSkipLast; break;
    case PixelLayout::Grey8: alphaInfo_ = kAlphaNone; break;
    case PixelLayout::Alpha8: alphaInfo_ = kAlphaOnly; break;
  }
  pixels_.resize(packedRow * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::memcpy(pixels_.data() + packedRow * y, bytes.data() + rowBytes * y, packedRow);
  }
  return true;
}

std::size_t Image::rowBytes() const { return static_cast<std::size_t>(width_) * bytesPerPixel(layout_); }

std::array<uint8_t, 4> Image::premultipliedPixel(int x, int y) const {
  const uint8_t* p = pixels_.data() + rowBytes() * y + bytesPerPixel(layout_) * x;
  switch (layout_) {
    case PixelLayout::RGBAPremultiplied: return {p[0], p[1], p[2], p[3]};
    case PixelLayout::RGBA: {
      unsigned a = p[3];
      auto times = [a](unsigned c) { return static_cast<uint8_t>((c * a + 127) / 255); };
      return {times(p[0]), times(p[1]), times(p[2]), p[3]};
    }
    case PixelLayout::RGBX: return {p[0], p[1], p[2], 255};
    case PixelLayout::Grey8: return {p[0], p[0], p[0], 255};
    case PixelLayout::Alpha8: return {0, 0, 0, p[0]};
  }
  return {0, 0, 0, 0};
}

// [SECTION] PNG encoding

namespace {

struct PngWriter {
  std::vector<uint8_t> out;
  std::vector<uint8_t> row;
  char message[256] = {};
};

void pngWriterError(png_structp png, png_const_charp message) {
  auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
  std::snprintf(writer->message, sizeof writer->message, "%s", message);
  png_longjmp(png, 1);
}

void pngWrite(png_structp png, png_bytep data, std::size_t length) {
  auto* writer = static_cast<PngWriter*>(png_get_io_ptr(png));
  writer->out.insert(writer->out.end(), data, data + length);
}

void pngFlush(png_structp) {}

// Fills writer->row with row `y` of `image` in the PNG colour type chosen by
// encodePNG.
void pngRow(const Image& image, int y, PngWriter* writer) {
  const uint8_t* src = image.pixels().data() + image.rowBytes() * y;
  uint8_t* dst = writer->row.data();
  int width = image.width();
  switch (image.layout()) {
    case PixelLayout::RGBAPremultiplied:
      for (int x = 0; x < width; ++x, src += 4, dst += 4) {
        unsigned a = src[3];
        for (int c = 0; c < 3; ++c) {
          dst[c] = a == 0 ? 0 : static_cast<uint8_t>(std::min(255u, (src[c] * 255u + a / 2) / a));
        }
        dst[3] = static_cast<uint8_t>(a);
      }
      break;
    case PixelLayout::RGBA: std::memcpy(dst, src, std::size_t(width) * 4); break;
    case PixelLayout::RGBX:
      for (int x = 0; x < width; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
      break;
    case PixelLayout::Grey8: std::memcpy(dst, src, std::size_t(width)); break;
    case PixelLayout::Alpha8:
      for (int x = 0; x < width; ++x, ++src, dst += 2) {
        dst[0] = 0;
        dst[1] = src[0];
      }
      break;
  }
}

bool encodePngInto(const Image& image, PngWriter* writer) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, writer, pngWriterError, pngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  int colorType = PNG_COLOR_TYPE_RGB;
  std::size_t channels = 3;
  switch (image.layout()) {
    case PixelLayout::RGBAPremultiplied:
    case PixelLayout::RGBA: colorType = PNG_COLOR_TYPE_RGB_ALPHA; channels = 4; break;
    case PixelLayout::RGBX: break;
    case PixelLayout::Grey8: colorType = PNG_COLOR_TYPE_GRAY; channels = 1; break;
    case PixelLayout::Alpha8: colorType = PNG_COLOR_TYPE_GRAY_ALPHA; channels = 2; break;
  }
  writer->row.resize(std::size_t(image.width()) * channels);
  png_set_write_fn(png, writer, pngWrite, pngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
               colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height(); ++y) {
    pngRow(image, y, writer);
    png_write_row(png, writer->row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> Image::encodePNG() const {
  auto writer = std::make_unique<PngWriter>();
  if (!encodePngInto(*this, writer.get())) {
    CCLOG("tessera: Image: cannot encode %dx%d pixels as PNG: %s", width_, height_, writer->message);
    return std::nullopt;
  }
  return std::move(writer->out);
}

// [SECTION] JPEG encoding

namespace {

struct JpegWriter;

// libjpeg's destination with a way back to the writer that owns it.
struct JpegDestination {
  jpeg_destination_mgr base;
  JpegWriter* writer;
};

struct JpegWriter {
  jpeg_compress_struct codec;
  JpegErrorManager errors;
  JpegDestination destination;
  uint8_t buffer[16384];
  std::vector<uint8_t> out;
  std::vector<uint8_t> row;
};

JpegWriter* writerOf(j_compress_ptr codec) { return reinterpret_cast<JpegDestination*>(codec->dest)->writer; }

void jpegInitDestination(j_compress_ptr codec) {
  JpegWriter* writer = writerOf(codec);
  writer->destination.base.next_output_byte = writer->buffer;
  writer->destination.base.free_in_buffer = sizeof writer->buffer;
}

boolean jpegEmptyBuffer(j_compress_ptr codec) {
  JpegWriter* writer = writerOf(codec);
  writer->out.insert(writer->out.end(), writer->buffer, writer->buffer + sizeof writer->buffer);
  writer->destination.base.next_output_byte = writer->buffer;
  writer->destination.base.free_in_buffer = sizeof writer->buffer;
  return TRUE;
}

void jpegTermDestination(j_compress_ptr codec) {
  JpegWriter* writer = writerOf(codec);
  std::size_t used = sizeof writer->buffer - writer->destination.base.free_in_buffer;
  writer->out.insert(writer->out.end(), writer->buffer, writer->buffer + used);
}

// Row `y` composited over black: R, G, B (or grey for Grey8).
void jpegRow(const Image& image, int y, JpegWriter* writer) {
  uint8_t* dst = writer->row.data();
  if (image.layout() == PixelLayout::Grey8) {
    std::memcpy(dst, image.pixels().data() + image.rowBytes() * y, std::size_t(image.width()));
    return;
  }
  for (int x = 0; x < image.width(); ++x, dst += 3) {
    auto pixel = image.premultipliedPixel(x, y);
    std::memcpy(dst, pixel.data(), 3);
  }
}

bool encodeJpegInto(const Image& image, int quality, JpegWriter* writer) {
  jpeg_compress_struct* codec = &writer->codec;
  codec->err = jpeg_std_error(&writer->errors.base);
  writer->errors.base.error_exit = jpegErrorExit;
  writer->errors.base.output_message = jpegOutputMessage;
  writer->errors.message[0] = '\0';
  if (setjmp(writer->errors.jump)) {
    jpeg_destroy_compress(codec);
    return false;
  }
  jpeg_create_compress(codec);
  writer->destination.base.init_destination = jpegInitDestination;
  writer->destination.base.empty_output_buffer = jpegEmptyBuffer;
  writer->destination.base.term_destination = jpegTermDestination;
  writer->destination.writer = writer;
  codec->dest = &writer->destination.base;
  bool grey = image.layout() == PixelLayout::Grey8;
  codec->image_width = static_cast<JDIMENSION>(image.width());
  codec->image_height = static_cast<JDIMENSION>(image.height());
  codec->input_components = grey ? 1 : 3;
  codec->in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(codec);
  jpeg_set_quality(codec, quality, TRUE);
  if (!grey && quality >= 90) {
    for (int c = 0; c < 3; ++c) {
      codec->comp_info[c].h_samp_factor = 1;
      codec->comp_info[c].v_samp_factor = 1;
    }
  }
  writer->row.resize(std::size_t(image.width()) * (grey ? 1 : 3));
  jpeg_start_compress(codec, TRUE);
  while (codec->next_scanline < codec->image_height) {
    jpegRow(image, static_cast<int>(codec->next_scanline), writer);
    JSAMPROW row = writer->row.data();
    jpeg_write_scanlines(codec, &row, 1);
  }
  jpeg_finish_compress(codec);
  jpeg_destroy_compress(codec);
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> Image::encodeJPEG(float quality) const {
  if (!(quality >= 0)) quality = 0;  // also NaN
  int libjpegQuality = std::clamp(static_cast<int>(std::lround(std::min(quality, 1.0f) * 100)), 1, 100);
  auto writer = std::make_unique<JpegWriter>();
  if (!encodeJpegInto(*this, libjpegQuality, writer.get())) {
    CCLOG("tessera: Image: cannot encode %dx%d pixels as JPEG: %s", width_, height_, writer->errors.message);
    return std::nullopt;
  }
  return std::move(writer->out);
}

}  // namespace platform
