#pragma once
// A system font at a point size: what string drawing and the text label's
// texture use. Fonts are looked up by exact name; an unknown name gives
// nullptr so callers can fall back to fonts of their own.

#include "platform/FontFace.h"
#include "platform/Object.h"
#include "platform/Ref.h"

#include <string>
#include <string_view>

namespace platform {

/// A system font at a point size: what string drawing and the text label's
/// texture use. Fonts are looked up by exact name; an unknown name gives nullptr
/// so callers can fall back to fonts of their own.
///
/// Implemented features:
///  [x] lookup by family, full or PostScript name and by alias (FontFace.h);
///  [x] the system font (fontconfig's "sans-serif", DejaVu Sans here);
///  [x] ascender, descender and line height in points.
/// Missing features:
///  [ ] no bold/italic system font variants.
class Font : public Object {
  PLATFORM_CLASS(Font, Object)
 public:
  /// The installed font named `name` (see FontFace::fontFaceWithName) at
  /// `pointSize`. Returns nullptr without logging for an unknown name, and
  /// nullptr with a log line for a size that is not positive and finite.
  static Font* fontWithName(std::string_view name, float pointSize);
  /// The platform's default sans-serif font at `pointSize`. Returns nullptr
  /// and logs for a bad size or when no font is installed.
  static Font* systemFontOfSize(float pointSize);
  /// `face` at `pointSize`. Returns nullptr for a null face or a bad size.
  static Font* fontWithFace(FontFace* face, float pointSize);

  bool initWithFace(FontFace* face, float pointSize);

  /// This font's face at another size (a new autoreleased font; nullptr for a
  /// bad size).
  Font* fontWithSize(float pointSize) const;

  /// The face's PostScript name ("DejaVuSans"), also for fonts found through
  /// an alias.
  const std::string& name() const;
  const std::string& familyName() const;
  float pointSize() const { return pointSize_; }
  FontFace* face() const { return face_.get(); }

  /// Points from the baseline up to the top of a line.
  float ascender() const;
  /// Points from the baseline down to the bottom of a line: negative.
  float descender() const;
  /// Ceiling of ascender − descender + line gap: the distance between
  /// baselines, a whole number of points.
  float lineHeight() const;
  /// Points per font unit: pointSize / unitsPerEm.
  float scale() const;

  /// Equal when both use the same face at the same size.
  bool isEqual(const Object* other) const override;
  /// "<Font = ADDRESS | DejaVuSans 12.0>".
  std::string description() const override;

 private:
  Ref<FontFace> face_;
  float pointSize_ = 0;
};

}  // namespace platform
