// Custom fonts: the text example's page (a TrueType font read from a file
// and laid out by the custom-font code: sizes, alignments, truncation and an
// attributed paragraph) shown as a sprite.

#include "../TextPage.h"
#include "Demos.h"
#include "platform/Log.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCSprite.h"
#include "tessera/ccMacros.h"

#include <algorithm>

CCNode* makeFontsDemo() {
  const CGSize size = CCDirector::sharedDirector()->winSize();
  const std::string fontFile = text_page::findFontFile();
  if (fontFile.empty()) {
    // Nothing to lay out with: say so on the screen rather than leave a gap
    // in the browser.
    CCNode* root = CCNode::node();
    CCLabelTTF* note = CCLabelTTF::labelWithString("No Liberation or DejaVu font file is installed "
                                                   "(TESSERA_TEXT_FONT names one)",
                                                   CGSizeMake(size.width * 0.8f, 80), kCCTextAlignmentCenter,
                                                   "Helvetica", 20);
    if (!note) return nullptr;
    note->setPosition(CGPointMake(size.width / 2, size.height / 2));
    root->addChild(note);
    return root;
  }
  const float side = static_cast<float>(text_page::kPageSide);
  const CGSize shown = CGSizeMake(std::min(size.width, side), std::min(size.height - 80, side));
  text_page::Page page(fontFile, shown);
  if (!page.ok()) {
    CCLOG("tessera-demos: %s is not a usable font", fontFile.c_str());
    return nullptr;
  }
  page.draw();
  auto* texture = new CCTexture2D();
  platform::Ref<CCTexture2D> keep = platform::Ref<CCTexture2D>::adopt(texture);
  if (!texture->initWithData(page.pixels().data(), kCCTexture2DPixelFormat_RGBA8888, text_page::kPageSide,
                             text_page::kPageSide, shown)) {
    return nullptr;
  }
  CCSprite* sprite = CCSprite::spriteWithTexture(texture);
  sprite->setPosition(CGPointMake(size.width / 2, size.height / 2));
  CCNode* root = CCNode::node();
  root->addChild(sprite);
  return root;
}
