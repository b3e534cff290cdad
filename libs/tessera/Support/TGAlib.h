#pragma once
// TGA images: uncompressed (types 2 and 3) and run-length encoded (type 10)
// files of any whole number of bytes per pixel, read into one buffer of
// rows, bottom row first. Colour-mapped images and the other types are
// refused with their own status codes.
//
// Layout kept from the format as this reader has always read it: the pixel
// data is read right after the 18 header bytes, so an image ID (a non-zero
// first header byte) is read as pixels; pixels of 24 bits or more have their
// first and third bytes swapped (BGR to RGB, alpha left in place); files
// whose descriptor has bit 0x20 (top row first) have their rows reversed.
//
// Bad files never read out of bounds or allocate without limit: negative
// sizes, images over kTGAMaxImageBytes, uncompressed data shorter than the
// image and run-length data that ends before the last pixel are all refused
// before the image is allocated.

#include <cstddef>
#include <cstdint>

/// Status codes of sImageTGA.
enum : std::int32_t {
  kTGAStatusOK = 0,
  kTGAStatusCannotOpen = 1,  ///< the file can't be opened (or isn't a regular file)
  kTGAStatusReadError = 2,   ///< header or pixel data missing, cut short or inconsistent
  kTGAStatusIndexedColor = 3,  ///< a colour-mapped image (type 1): not supported
  kTGAStatusOutOfMemory = 4,   ///< the image can't be (or is too large to be) allocated
  kTGAStatusUnsupportedType = 5,  ///< any image type other than 1, 2, 3 and 10
};

/// The largest image buffer the reader allocates: 256 MiB.
inline constexpr std::size_t kTGAMaxImageBytes = std::size_t{256} << 20;

/// Length of the fixed header; pixel data follows it directly.
inline constexpr std::size_t kTGAHeaderLength = 18;

/// A loaded (or refused) image.
struct sImageTGA {
  std::int32_t status = kTGAStatusOK;
  /// The TGA image type (2, 3 uncompressed; 10 run-length; 1 colour-mapped).
  std::uint8_t type = 0;
  /// Bits per pixel; each pixel takes pixelDepth / 8 bytes.
  std::uint8_t pixelDepth = 0;
  std::int16_t width = 0;
  std::int16_t height = 0;
  /// Owned (malloc'd): height rows of width × pixelDepth / 8 bytes, bottom
  /// row first once loaded. Null unless the status is kTGAStatusOK.
  unsigned char* imageData = nullptr;
  /// Non-zero while the rows are stored top row first.
  std::int32_t flipped = 0;
};

/// Bytes per pixel of `info`: pixelDepth / 8.
inline std::size_t tgaBytesPerPixel(const sImageTGA* info) { return info->pixelDepth / 8u; }

/// Loads the TGA file at `path`. Returns a new record the caller frees with
/// tgaDestroy() (nullptr only when the record itself can't be allocated);
/// its status says whether the image was loaded. Refusals are logged with
/// the file name and the numbers.
sImageTGA* tgaLoad(const char* path);
/// tgaLoad() of a file already in memory. `name` only labels log lines.
sImageTGA* tgaLoadBuffer(const unsigned char* data, std::size_t length, const char* name = "(memory)");
/// Frees the image data and the record. Null is ignored.
void tgaDestroy(sImageTGA* info);

/// Fills type, pixelDepth, width, height and flipped from the first 18 bytes
/// of `data`. False when `data` is shorter than that.
bool tgaLoadHeader(const unsigned char* data, std::size_t length, sImageTGA* info);
/// Copies the uncompressed pixels that follow the header into
/// info->imageData (which holds at least width × height × pixelDepth / 8
/// bytes) and swaps BGR to RGB. False when the data is shorter than the image.
bool tgaLoadImageData(const unsigned char* data, std::size_t length, sImageTGA* info);
/// Decodes the run-length pixels that follow the header into
/// info->imageData. A packet header h ≥ 128 repeats the one pixel after it
/// h − 127 times; h < 128 is followed by h + 1 pixels. Packets may cross
/// rows. False when the data ends before the last pixel.
bool tgaLoadRLEImageData(const unsigned char* data, std::size_t length, sImageTGA* info);
/// Reverses the order of the rows and clears `flipped`. False (the image
/// unchanged) when the row buffer can't be allocated.
bool tgaFlipImage(sImageTGA* info);

/// Deletes with tgaDestroy(), for std::unique_ptr<sImageTGA, TGADeleter>.
struct TGADeleter {
  void operator()(sImageTGA* info) const { tgaDestroy(info); }
};
