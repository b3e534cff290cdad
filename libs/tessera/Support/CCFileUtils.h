#pragma once
// CCFileUtils: resource names to file paths, with the high-resolution "-hd"
// variants preferred at content scale factor 2; ccLoadFileIntoMemory reads a
// whole file.
//
// Every loader of the engine (textures, packed texture files, sprite-frame
// lists, bitmap fonts, particle lists) resolves its file names here.

#include <string>

/// Class operations only.
class CCFileUtils {
 public:
  CCFileUtils() = delete;

  /// The full path of a resource. An absolute path ("/...") is kept; a
  /// relative one ("images/ball.png") is looked up in the application's
  /// resource folder and, when no such file is there, kept as given. The
  /// result then goes through getDoubleResolutionImage().
  ///
  /// Expects `relPath` not null ("CCFileUtils: Invalid path"); when the
  /// assertion handler returns, the result is "".
  static std::string fullPathFromRelativePath(const char* relPath);
  static std::string fullPathFromRelativePath(const std::string& relPath);

  /// At content scale factor exactly 2: the path of the "-hd" variant
  /// ("ball.png" -> "ball-hd.png", "sheet.pvr.ccz" -> "sheet-hd.pvr.ccz")
  /// when that file exists. Otherwise, and for names that already carry
  /// "-hd" before their extension, `path` unchanged.
  static std::string getDoubleResolutionImage(const std::string& path);

  /// The texture cache's key for `path`: at content scale factor exactly 2,
  /// every "-hd" in the last path component is removed
  /// ("images/ball-hd.png" -> "images/ball.png"); otherwise `path` unchanged.
  static std::string removeHDSuffixFromFile(const std::string& path);
};

/// Reads the whole file at `filename` into a new heap buffer stored in
/// `*out`, which the caller frees with free(). Returns the number of bytes
/// (0 for an empty file, still with a buffer to free), or -1 with `*out` null
/// when the file cannot be opened, is not a regular file (a directory, a
/// pipe), is larger than an int can count, or cannot be read completely.
/// Expects `out` not null (a hard assertion naming "out").
int ccLoadFileIntoMemory(const char* filename, unsigned char** out);
