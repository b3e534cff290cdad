// tessera [text] example: text in a TrueType font read from a file, drawn
// with the custom-font layout into a bitmap that the scene shows as a
// sprite, and a label view with the same font floating over the GL view.
//
// Shows: loading a font file through the font manager; one line in several
// sizes; left, centred and right alignment; clip, character wrap and tail
// truncation of a line too long for its box; an attributed paragraph whose
// runs change font, colour, background and underline; a ZLabel that shrinks
// its text to fit and switches to its highlighted look every second.
//
// Usage: text [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1)
//
// The font is the first of a few Liberation and DejaVu files found under
// /usr/share/fonts (TESSERA_TEXT_FONT names another .ttf).
//
// A still after one second, with
//   TESSERA_HEADLESS=1 TESSERA_FAKE_CLOCK=1 TESSERA_CAPTURE=text.png
//   TESSERA_CAPTURE_AT=1 in the environment.

#include "ExampleApplication.h"
#include "platform/Canvas.h"
#include "platform/Ref.h"
#include "platform/StringDrawing.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCScene.h"
#include "tessera/CCSprite.h"
#include "tessera/CCTexture2D.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "zfont/FontManager.h"
#include "zfont/ZAttributedString.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"
#include "zfont/ZLabel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using platform::Canvas;
using platform::Value;

// The font file: TESSERA_TEXT_FONT, else the first installed candidate.
std::string findFontFile() {
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
constexpr int kPageSide = 512;

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

class TextScene : public ExampleScene {
  PLATFORM_CLASS(TextScene, ExampleScene)
 public:
  CC_NODE_FACTORY(TextScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const std::string fontFile = findFontFile();
    if (fontFile.empty()) {
      CCLOG("text: no Liberation or DejaVu font file is installed (set TESSERA_TEXT_FONT)");
      return false;
    }
    const CGSize size = CCDirector::sharedDirector()->winSize();
    Page page(fontFile, CGSizeMake(std::min<float>(size.width, kPageSide), std::min<float>(size.height, kPageSide)));
    if (!page.ok()) {
      CCLOG("text: %s is not a usable font", fontFile.c_str());
      return false;
    }
    page.draw();

    // The page as a texture: only its window-sized corner is shown.
    auto* texture = new CCTexture2D();
    const bool uploaded = texture->initWithData(page.pixels().data(), kCCTexture2DPixelFormat_RGBA8888, kPageSide,
                                                kPageSide, CGSizeMake(std::min<float>(size.width, kPageSide),
                                                                      std::min<float>(size.height, kPageSide)));
    platform::Ref<CCTexture2D> keep = platform::Ref<CCTexture2D>::adopt(texture);
    if (!uploaded) return false;
    CCSprite* sprite = CCSprite::spriteWithTexture(texture);
    sprite->setAnchorPoint(CGPointMake(0, 1));
    sprite->setPosition(CGPointMake(0, size.height));
    addChild(sprite);

    // A label view over the GL view, along the bottom edge.
    label_ = ZLabel::labelWithFrame(CGRectMake(10, size.height - 34, size.width - 20, 28),
                                    FontManager::sharedManager()->zFontWithURL(fontFile, 22));
    label_->setText("A label view over the GL view, shrinking its text to fit");
    label_->setTextColor(platform::Color{1, 0.85f, 0.4f, 1});
    label_->setHighlightedTextColor(platform::Color{0.5f, 1, 0.6f, 1});
    label_->setTextAlignment(platform::kTextAlignmentCenter);
    label_->setAdjustsFontSizeToFitWidth(true);
    label_->setMinimumFontSize(9);
    schedule(schedule_selector(TextScene::blink), 1.0f);
    return true;
  }

  void onEnter() override {
    ExampleScene::onEnter();
    if (EAGLView* view = CCDirector::sharedDirector()->openGLView()) view->addSubview(label_.get());
  }
  void onExit() override {
    label_->removeFromSuperview();
    ExampleScene::onExit();
  }

  void blink(float) { label_->setHighlighted(!label_->isHighlighted()); }

 private:
  platform::Ref<ZLabel> label_;
};

class TextDelegate : public ExampleDelegate {
  PLATFORM_CLASS(TextDelegate, ExampleDelegate)

 protected:
  CCScene* firstScene() override { return TextScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runExample(argc, argv, "TextDelegate"); }
