#include "platform/Font.h"

#include "platform/FontFace.h"
#include "platform/Log.h"
#include "platform/StringUtils.h"

#include <cmath>

namespace platform {

namespace {

bool isUsableSize(float pointSize) { return std::isfinite(pointSize) && pointSize > 0; }

}  // namespace

Font* Font::fontWithName(std::string_view name, float pointSize) {
  if (!isUsableSize(pointSize)) {
    CCLOG("tessera: Font: \"%.*s\" asked for at size %g", static_cast<int>(name.size()), name.data(), pointSize);
    return nullptr;
  }
  FontFace* face = FontFace::fontFaceWithName(name);
  return face ? fontWithFace(face, pointSize) : nullptr;
}

Font* Font::systemFontOfSize(float pointSize) {
  if (!isUsableSize(pointSize)) {
    CCLOG("tessera: Font: system font asked for at size %g", pointSize);
    return nullptr;
  }
  FontFace* face = FontFace::systemFontFace();
  return face ? fontWithFace(face, pointSize) : nullptr;
}

Font* Font::fontWithFace(FontFace* face, float pointSize) {
  return createAutoreleased<Font>([&](Font& font) { return font.initWithFace(face, pointSize); });
}

bool Font::initWithFace(FontFace* face, float pointSize) {
  if (!face || !isUsableSize(pointSize)) return false;
  face_ = face;
  pointSize_ = pointSize;
  return true;
}

Font* Font::fontWithSize(float pointSize) const { return fontWithFace(face_.get(), pointSize); }

const std::string& Font::name() const { return face_->postScriptName(); }
const std::string& Font::familyName() const { return face_->familyName(); }

float Font::scale() const { return pointSize_ / static_cast<float>(face_->unitsPerEm()); }
float Font::ascender() const { return static_cast<float>(face_->ascent()) * scale(); }
float Font::descender() const { return static_cast<float>(face_->descent()) * scale(); }
float Font::lineHeight() const {
  return std::ceil(static_cast<float>(face_->ascent() - face_->descent() + face_->lineGap()) * scale());
}

bool Font::isEqual(const Object* other) const {
  auto* font = dynamic_cast<const Font*>(other);
  return font && font->face_.get() == face_.get() && font->pointSize_ == pointSize_;
}

std::string Font::description() const {
  return formatString("<%s = %s | %s %.1f>", className(), addressString(this).c_str(), name().c_str(), pointSize_);
}

}  // namespace platform
