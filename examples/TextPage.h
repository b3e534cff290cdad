#pragma once
// A page of text in a TrueType font, drawn with the custom-font layout into
// a bitmap, shared by the text example and the demo browser: one line in
// several sizes, the three alignments, clip / character wrap / tail
// truncation, and an attributed paragraph whose runs change font, colour,
// background and underline.

#include "platform/Canvas.h"
#include "platform/Ref.h"
#include "platform/StringDrawing.h"
#include "zfont/FontManager.h"
#include "zfont/ZAttributedString.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace text_page {

using platform::Canvas;
using platform::Value;

// The font file: TESSERA_TEXT_FONT, else the first installed candidate.
inline std::string findFontFile() {
  if (const char* chosen = std::getenv("TESSERA_TEXT_FONT")) return chosen;
  const char* candidates[] = {
      "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
      "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
  };
  for (const char* path : candidates) {
    if (std::filesystem::exists(path)) return path;
  }
  return {};
}

// The page, drawn once: a square power-of-two bitmap whose top-left part of
// the window's size holds the picture (y grows downward, as text drawing
// expects).
inline constexpr int kPageSide = 512;

class Page {
 public:
  Page(const std::string& fontFile, CGSize size) : size_(size), pixels_(std::size_t(kPageSide) * kPageSide * 4) {
    canvas_ = Canvas::canvasWithBuffer(pixels_.data(), kPageSide, kPageSide, kPageSide * 4,
                                       platform::CanvasLayout::RGBAPremultiplied);
    canvas_->translate(0, kPageSide);
    canvas_->scale(1, -1);
    FontManager* fonts = FontManager::sharedManager();
    for (float points : {10.0f, 14.0f, 18.0f, 24.0f}) sized_.emplace_back(fonts->zFontWithURL(fontFile, points));
  }
  bool ok() const { return canvas_ && sized_.back(); }

  void draw() {
    canvas_->setFillColor(0.08f, 0.09f, 0.16f, 1);
    canvas_->fillRect(CGRectMake(0, 0, kPageSide, kPageSide));
    const float width = size_.width - 20;
    float y = 8;

    // One line in four sizes.
    float x = 10;
    canvas_->setFillColor(1, 0.85f, 0.4f, 1);
    for (const auto& font : sized_) {
      CGSize used = drawAtPoint(canvas_.get(), "Boo!", CGPointMake(x, y), font.get());
      x += used.width + 12;
    }
    y += sized_.back()->leading() + 6;

    // Alignments, each in a shaded box of the full width.
    ZFont* body = sized_[1].get();
    const char* names[] = {"left", "centre", "right"};
    for (int alignment = 0; alignment < 3; ++alignment) {
      canvas_->setFillColor(0.18f, 0.2f, 0.32f, 1);
      canvas_->fillRect(CGRectMake(10, y, width, body->leading()));
      canvas_->setFillColor(0.85f, 0.9f, 1, 1);
      drawInRect(canvas_.get(), std::string("aligned ") + names[alignment], CGRectMake(10, y, width, body->leading()),
                 body, platform::kLineBreakWordWrap, alignment);
      y += body->leading() + 4;
    }
    y += 6;

    // A line too long for its box, in three modes.
    const std::string longLine = "The readings flicker faster than anyone can write them down";
    struct Mode {
      int code;
      const char* name;
    } modes[] = {{platform::kLineBreakClip, "clip"},
                 {platform::kLineBreakCharacterWrap, "character wrap"},
                 {platform::kLineBreakTailTruncation, "tail"}};
    ZFont* small = sized_[0].get();
    for (const Mode& mode : modes) {
      canvas_->setFillColor(0.6f, 0.65f, 0.75f, 1);
      drawAtPoint(canvas_.get(), mode.name, CGPointMake(10, y), small);
      canvas_->setFillColor(0.5f, 1, 0.6f, 1);
      drawInRect(canvas_.get(), longLine, CGRectMake(110, y, width - 100, small->leading()), small, mode.code,
                 platform::kTextAlignmentLeft, 1);
      y += small->leading() + 3;
    }
    y += 8;

    // An attributed paragraph, wrapped in what is left of the page.
    platform::Ref<ZAttributedString> paragraph = makeParagraph();
    drawInRect(canvas_.get(), paragraph.get(), CGRectMake(10, y, width, size_.height - y - 40),
               platform::kLineBreakWordWrap, platform::kTextAlignmentLeft, 0);
  }

  const std::vector<uint8_t>& pixels() const { return pixels_; }

 private:
  platform::Ref<ZAttributedString> makeParagraph() {
    auto text = ZMutableAttributedString::attributedStringWithString(
        u"The radar sweeps once a second. When a spirit is near, the readout "
        u"turns red, the answer reads YES and a word comes through: BOO.");
    const uint32_t length = text->length();
    auto find = [&](const std::u16string& word) {
      return NSMakeRange(static_cast<uint32_t>(text->string().find(word)), static_cast<uint32_t>(word.size()));
    };
    text->addAttribute(kZFontAttributeName, Value(sized_[1].get()), NSMakeRange(0, length));
    text->addAttribute(kZForegroundColorAttributeName, zfont::colorValue(0.9f, 0.9f, 0.95f), NSMakeRange(0, length));
    text->addAttribute(kZForegroundColorAttributeName, zfont::colorValue(1, 0.3f, 0.3f), find(u"turns red"));
    text->addAttribute(kZFontAttributeName, Value(sized_[2].get()), find(u"YES"));
    text->addAttribute(kZUnderlineStyleAttributeName, Value(1), find(u"YES"));
    text->addAttribute(kZFontAttributeName, Value(sized_[3].get()), find(u"BOO"));
    text->addAttribute(kZBackgroundColorAttributeName, zfont::colorValue(0.45f, 0.1f, 0.5f), find(u"BOO"));
    return text;
  }

  CGSize size_;
  std::vector<uint8_t> pixels_;
  platform::Ref<Canvas> canvas_;
  std::vector<platform::Ref<ZFont>> sized_;
};

}  // namespace text_page
