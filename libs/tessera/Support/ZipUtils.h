#pragma once
// Packed data: ".ccz" files (a 16-byte header and one zlib stream), gzip
// files, and zlib or gzip data held in memory (tile-map layers, particle
// images).
//
// Every function returns a byte count and, on success, stores a new heap
// buffer in `*out` that the caller frees with free(). On failure `*out` is
// null. Each expects `out` not null (a hard assertion naming "out").
//
// Bad data never reads out of bounds, loops or allocates without limit:
// unpacked data is refused above kZipUtilsMaxUnpackedLength, and streams that
// end early or disagree with their header fail. Every failure logs one
// "tessera: ZipUtils: ..." line naming the file (or the data's length) and
// the numbers involved: sizes, the header's fields, zlib's error code.

#include <cstddef>

/// The largest unpacked size any function here produces: 256 MiB.
inline constexpr std::size_t kZipUtilsMaxUnpackedLength = std::size_t{256} << 20;

/// Unpacks a ".ccz" file: the bytes "CCZ!", a big-endian 16-bit compression
/// type (0, zlib), a 16-bit version (0 to 2), 4 reserved bytes, the 32-bit
/// unpacked length, then the zlib stream.
///
/// Returns the unpacked length, or -1 when the file cannot be read, the
/// header is wrong, or the stream does not inflate to exactly the length the
/// header gives.
int ccInflateCCZFile(const char* path, unsigned char** out);

/// Reads a gzip file through zlib's gzip reader (a file that is not gzip is
/// read as it is; concatenated gzip members are all read).
///
/// Reads in chunks of 512 KiB, 1 MiB, 2 MiB... into one buffer that grows by
/// each chunk. Returns the bytes read (0 for an empty file), or -1 when the
/// file cannot be opened or read, is corrupt or cut short.
int ccInflateGZipFile(const char* path, unsigned char** out);

/// Inflates zlib or gzip data (told apart by its header) held in memory.
///
/// The output starts at 256 KiB and doubles while inflation needs room.
/// Returns the bytes produced, or 0 with `*out` null when the data is not a
/// complete zlib or gzip stream (raw deflate data, a stream that needs a
/// preset dictionary, corrupt or cut-short data, empty input). Bytes after
/// the end of the stream are ignored. A complete stream of no data returns 0
/// with a buffer the caller still frees.
int ccInflateBytes(const unsigned char* in, unsigned int inLength, unsigned char** out);
