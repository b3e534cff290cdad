#pragma once
// Decoded bitmap images: PNG and JPEG files or data, and raw pixels wrapped
// by the caller; with the facts the texture code asks for and PNG/JPEG
// encoders.

#include "platform/Object.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

/// How an image's (or a caller's) pixels are laid out in memory. Rows are top
/// row first.
enum class PixelLayout {
  RGBAPremultiplied,  ///< bytes R, G, B, A; colours already multiplied by alpha
  RGBA,               ///< bytes R, G, B, A; straight (not premultiplied) alpha
  RGBX,               ///< bytes R, G, B and an unused fourth byte: opaque
  Grey8,              ///< one grey byte: opaque
  Alpha8,             ///< one alpha byte: a mask, no colour
};

/// Bytes per pixel of a layout: 4, or 1 for Grey8 and Alpha8.
std::size_t bytesPerPixel(PixelLayout layout);

/// A decoded bitmap image: from a PNG or JPEG file or data, or raw pixels
/// wrapped by the caller; with the facts the texture code asks for and PNG/JPEG encoders.
///
/// Implemented features:
///  [x] PNG: every colour type and bit depth, interlaced, palette with and
///      without tRNS; decoded to 8-bit RGBA (straight alpha) or RGBX.
///  [x] JPEG: baseline and progressive; grey and CMYK/YCCK become RGB.
///  [x] Raw pixels in five layouts (premultiplied RGBA, straight RGBA, RGBX,
///      grey, alpha-only mask).
///  [x] PNG encode (un-premultiplies), JPEG encode at a 0..1 quality.
/// Missing features:
///  [ ] No colour management, gamma or EXIF orientation: pixel values are the
///      ones stored in the file.
///  [ ] 16-bit samples are scaled to 8 bits on decode.
///
/// Facts (the contract the texture code relies on):
///
///   source                 alphaInfo               bitsPerComponent  hasColorSpace
///   PNG with alpha or tRNS 3 (last)                file bit depth    yes
///   PNG otherwise          0 (none)                file bit depth    yes
///   JPEG                   5 (none, skip last)     8                 yes
///   pixels RGBAPremultiplied 1 / RGBA 3 / RGBX 5 / Grey8 0 / Alpha8 7 (no colour space)
///
/// "File bit depth" is the depth in the PNG header: 1, 2, 4 or 8 for palette
/// and grey files, 8 or 16 otherwise.
///
/// Safety: the decoders never trust the data. A corrupt, truncated or
/// unsupported file, or one larger than 16384 pixels a side or than
/// maxDecodedBytes() of 8-bit RGBA, gives nullptr and one log line; the
/// check happens before the pixels are allocated. So does a header claiming
/// more pixels than the file's length could encode: a PNG's samples may be at
/// most 1032 times its length (deflate's best ratio), a JPEG may have at most
/// 8 blocks of 8 × 8 per byte of file (every block costs a bit). A JPEG whose
/// data is cut off or undecodable (libjpeg's corrupt-data warnings) fails
/// rather than coming back with grey rows; warnings that real files trigger
/// with all their pixels intact (stray bytes between markers, unknown JFIF or
/// Adobe versions) do not.
///
/// Cost: decoding allocates width × height × 4 bytes (1 for Grey8/Alpha8
/// wrappers); images are immutable afterwards and may be shared across threads.
class Image : public Object {
  PLATFORM_CLASS(Image, Object)
 public:
  // Alpha info codes.
  static constexpr int kAlphaNone = 0;
  static constexpr int kAlphaPremultipliedLast = 1;
  static constexpr int kAlphaPremultipliedFirst = 2;
  static constexpr int kAlphaLast = 3;
  static constexpr int kAlphaFirst = 4;
  static constexpr int kAlphaNoneSkipLast = 5;
  static constexpr int kAlphaOnly = 7;

  /// Largest width or height accepted anywhere.
  static constexpr int kMaxSide = 16384;

  /// Decodes the file at `path` (PNG or JPEG, recognised by content).
  /// Returns nullptr and logs the path if it can't be read or decoded.
  static Image* imageWithContentsOfFile(const std::string& path);
  /// Decodes PNG or JPEG data, recognised by its signature. Returns nullptr
  /// and logs for anything else, or for corrupt or truncated data.
  static Image* imageWithData(std::span<const uint8_t> bytes);
  /// Copies `height` rows of `rowBytes` bytes each (the last row needs only
  /// width × bytesPerPixel bytes) into a new image. Returns nullptr and logs
  /// when a size is zero or too large, `rowBytes` is shorter than a row or
  /// `bytes` is shorter than the rows.
  static Image* imageWithPixels(int width, int height, PixelLayout layout, std::size_t rowBytes,
                                std::span<const uint8_t> bytes);

  bool initWithContentsOfFile(const std::string& path);
  bool initWithData(std::span<const uint8_t> bytes);
  bool initWithPixels(int width, int height, PixelLayout layout, std::size_t rowBytes,
                      std::span<const uint8_t> bytes);

  /// Size in pixels.
  int width() const { return width_; }
  int height() const { return height_; }
  /// Alpha info code (table above).
  int alphaInfo() const { return alphaInfo_; }
  int bitsPerComponent() const { return bitsPerComponent_; }
  /// False only for alpha-only masks.
  bool hasColorSpace() const { return hasColorSpace_; }

  /// How pixels() is stored. Decoded files are RGBA (straight alpha) when
  /// they have alpha and RGBX with the fourth byte 255 otherwise; wrapped
  /// pixels keep the layout they were given.
  PixelLayout layout() const { return layout_; }
  /// Bytes per row of pixels(): width × bytesPerPixel(layout()), no padding.
  std::size_t rowBytes() const;
  /// The pixels, top row first, in layout().
  const std::vector<uint8_t>& pixels() const { return pixels_; }
  /// One pixel as premultiplied R, G, B, A: what drawing composites. Grey
  /// replicates into R, G, B; a mask is black with its alpha. Expects
  /// 0 <= x < width() and 0 <= y < height() (y = 0 is the top row).
  std::array<uint8_t, 4> premultipliedPixel(int x, int y) const;

  /// PNG data: RGBA when the image has alpha (premultiplied colour is
  /// divided back: c × 255 / a rounded, a = 0 gives 0), RGB when it is
  /// opaque, grey for Grey8, grey with alpha (black) for masks. Returns
  /// nothing and logs if the encoder fails.
  std::optional<std::vector<uint8_t>> encodePNG() const;
  /// JPEG data at `quality` 0..1 (1 is the encoder's best, 100). Alpha is
  /// dropped by compositing over black, which for premultiplied pixels is the
  /// stored colour. 4:4:4 sampling from quality 0.9 up, 4:2:0 below. Returns
  /// nothing and logs if the encoder fails.
  std::optional<std::vector<uint8_t>> encodeJPEG(float quality) const;

  /// Decoding refuses images whose 8-bit RGBA pixels would need more than
  /// this many bytes. Default 256 MiB. Fuzzers lower it to stay fast.
  static std::size_t maxDecodedBytes();
  static void setMaxDecodedBytes(std::size_t bytes);

 private:
  // Decodes PNG or JPEG; logs with `origin` in front of the reason.
  bool initWithEncodedData(std::span<const uint8_t> bytes, const std::string& origin);

  int width_ = 0;
  int height_ = 0;
  int alphaInfo_ = kAlphaNone;
  int bitsPerComponent_ = 0;
  bool hasColorSpace_ = false;
  PixelLayout layout_ = PixelLayout::RGBA;
  std::vector<uint8_t> pixels_;
};

}  // namespace platform
