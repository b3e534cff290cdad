#pragma once
// The process-wide registry of custom font files: fonts the platform does not
// know, loaded from the application's resources (or any file) on first
// request and kept for the life of the process.

#include "platform/FontFace.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

class ZFont;

/// The process-wide registry of custom font files: fonts the platform does not
/// know, loaded from the application's resources (or any file) on first request
/// and kept for the life of the process.
///
/// A "URL" here is a file path (a "file://" prefix is accepted and dropped).
/// Fonts are found by the name they were asked for: "<resources>/<name>.ttf",
/// else the resource named exactly `name`.
///
/// Thread safety: the manager is created under a lock and its tables are
/// guarded by one, so fonts may be asked for from any thread.
class FontManager : public platform::Object {
  PLATFORM_CLASS(FontManager, platform::Object)
 public:
  /// The manager, made on first use. Expects no other instance ("Attempted
  /// to allocate a second instance of a singleton.").
  static FontManager* sharedManager();
  /// Drops the manager and every font it loaded; the next sharedManager()
  /// starts empty.
  static void purgeSharedManager();

  FontManager();

  /// Loads the font resource `name` ("<name>.ttf", else the file named
  /// exactly `name`) and remembers name → URL. False, with nothing
  /// remembered, when no such resource exists or it is not a font.
  /// \param name a font resource: "<name>.ttf", else the file named exactly
  ///   that.
  bool loadFont(const std::string& name);
  /// Loads the font file at `url` and remembers URL → font. False for a
  /// missing file or one that is not a font.
  /// \param url the font file's path.
  bool loadFontURL(const std::string& url);
  /// The face loaded for `name`, loading it first when unknown; nullptr when
  /// it can't be loaded.
  /// \param name a font resource: "<name>.ttf", else the file named exactly
  ///   that.
  platform::FontFace* fontWithName(const std::string& name);
  /// fontWithName(name) at `pointSize`, autoreleased; nullptr when unknown.
  /// \param name a font resource: "<name>.ttf", else the file named exactly
  ///   that.
  /// \param pointSize the size, points.
  ZFont* zFontWithName(const std::string& name, float pointSize);
  /// The face of `url` (loaded when unknown) at `pointSize`; nullptr when it
  /// can't be loaded.
  /// \param url the font file's path.
  /// \param pointSize the size, points.
  ZFont* zFontWithURL(const std::string& url, float pointSize);
  /// Every loaded face, ordered by URL.
  std::vector<platform::Ref<platform::FontFace>> copyAllFonts() const;

  /// Font name → URL of every font loaded by name.
  std::map<std::string, std::string> urls() const;

 protected:
  /// dealloc: releases every loaded face.
  ~FontManager() override;

 private:
  platform::FontFace* fontForURL(const std::string& url);

  mutable std::recursive_mutex mutex_;
  std::map<std::string, platform::Ref<platform::FontFace>> fonts_;  // URL → face
  std::map<std::string, std::string> urls_;                          // name → URL
};
