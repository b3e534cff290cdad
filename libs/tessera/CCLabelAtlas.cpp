#include "tessera/CCLabelAtlas.h"

#include "platform/StringUtils.h"
#include "tessera/CCTexture2D.h"
#include "tessera/CCTextureAtlas.h"

#include <algorithm>
#include <cstdint>

// [SECTION] Creation

CCLabelAtlas* CCLabelAtlas::labelWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                                            int itemHeight, char startCharMap) {
  return platform::createAutoreleased<CCLabelAtlas>([&](CCLabelAtlas& label) {
    return label.initWithString(text, charMapFile, itemWidth, itemHeight, startCharMap);
  });
}

CCLabelAtlas* CCLabelAtlas::labelAtlasWithString(const std::string& text, const std::string& charMapFile,
                                                 int itemWidth, int itemHeight, char startCharMap) {
  return labelWithString(text, charMapFile, itemWidth, itemHeight, startCharMap);
}

bool CCLabelAtlas::initWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                                  int itemHeight, char startCharMap) {
  const std::u16string units = platform::utf8ToUtf16(text);
  if (!initWithTileFile(charMapFile, itemWidth, itemHeight, static_cast<int>(units.size()))) return false;
  mapStartChar_ = startCharMap;
  setString(text);
  return true;
}

CCLabelAtlas::~CCLabelAtlas() = default;

// [SECTION] Text

void CCLabelAtlas::setString(const std::string& text) {
  std::u16string units = platform::utf8ToUtf16(text);
  if (textureAtlas_ && units.size() > textureAtlas_->totalQuads()) {
    textureAtlas_->resizeCapacity(static_cast<unsigned int>(units.size()));
  }
  string_ = std::move(units);
  updateAtlasValues();
  setContentSizeInPixels(CGSizeMake(static_cast<float>(string_.size()) * static_cast<float>(itemWidth_),
                                    static_cast<float>(itemHeight_)));
}

std::string CCLabelAtlas::string() const { return platform::utf16ToUtf8(string_); }

// [SECTION] Quads and drawing

void CCLabelAtlas::updateAtlasValues() {
  CCTexture2D* texture = this->texture();
  if (!textureAtlas_ || texture == nullptr) return;
  // Only as many quads as the atlas has room for (a failed resize leaves it
  // smaller than the text).
  const std::size_t count = std::min<std::size_t>(string_.size(), textureAtlas_->capacity());
  const float textureWide = static_cast<float>(texture->pixelsWide());
  const float textureHigh = static_cast<float>(texture->pixelsHigh());
  // A cell wider than the image leaves no whole cell per row; every cell is
  // then counted on one row instead of dividing by zero.
  const unsigned int perRow = itemsPerRow_ > 0 ? static_cast<unsigned int>(itemsPerRow_) : 1u;
  const auto start = static_cast<std::uint8_t>(mapStartChar_);

  for (std::size_t i = 0; i < count; ++i) {
    const auto cell = static_cast<std::uint8_t>(static_cast<std::uint8_t>(string_[i]) - start);
    const unsigned int column = cell % perRow;
    const unsigned int row = cell / perRow;

    const float left = static_cast<float>(static_cast<long long>(column) * itemWidth_) / textureWide;
    const float right = left + static_cast<float>(itemWidth_) / textureWide;
    const float top = static_cast<float>(static_cast<long long>(row) * itemHeight_) / textureHigh;
    const float bottom = top + static_cast<float>(itemHeight_) / textureHigh;

    // Vertex colours are left as they are (the draw ignores them); entries
    // beyond the used range hold no quad yet.
    ccV3F_C4B_T2F_Quad quad{};
    if (i < textureAtlas_->totalQuads()) quad = textureAtlas_->quads()[i];
    quad.tl.texCoords = {left, top};
    quad.tr.texCoords = {right, top};
    quad.bl.texCoords = {left, bottom};
    quad.br.texCoords = {right, bottom};

    const auto x0 = static_cast<float>(static_cast<long long>(i) * itemWidth_);
    const auto x1 = static_cast<float>(static_cast<long long>(i + 1) * itemWidth_);
    const auto y1 = static_cast<float>(itemHeight_);
    quad.bl.vertices = {x0, 0.0f, 0.0f};
    quad.br.vertices = {x1, 0.0f, 0.0f};
    quad.tl.vertices = {x0, y1, 0.0f};
    quad.tr.vertices = {x1, y1, 0.0f};

    textureAtlas_->updateQuad(&quad, static_cast<unsigned int>(i));
  }
}

void CCLabelAtlas::draw() { drawAtlasQuads(static_cast<unsigned int>(string_.size())); }
