// Text three ways: a system-font label, a bitmap-font label counting up, and
// a label view in a TrueType file of the game's own.

#include "GuideApp.h"
#include "platform/Color.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelBMFont.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCScene.h"
#include "tessera/Platforms/iOS/EAGLView.h"
#include "zfont/FontManager.h"
#include "zfont/ZFont.h"
#include "zfont/ZLabel.h"

#include <string>

namespace {

// [guide:text]
class TextScene : public CCScene {
  PLATFORM_CLASS(TextScene, CCScene)

 public:
  CC_NODE_FACTORY(TextScene)

  bool init() override {
    if (!CCScene::init()) return false;
    const CGSize size = CCDirector::sharedDirector()->winSize();

    // A system font, drawn into a texture once per setString().
    CCLabelTTF* title = CCLabelTTF::labelWithString("Spirit count", "Helvetica", 28);
    // A bitmap font: one quad per character from the font's picture, cheap
    // to change every frame.
    score_ = CCLabelBMFont::labelWithString("0", "courierNew12pt.fnt");
    if (title == nullptr || score_ == nullptr) return false;
    title->setPosition(CGPointMake(size.width / 2, size.height - 40));
    score_->setPosition(CGPointMake(size.width / 2, size.height / 2));
    addChild(title);
    addChild(score_);
    schedule(schedule_selector(TextScene::count), 0.1f);

    // A font file of the game's own, through the font manager, shown in a
    // label view laid over the GL view.
    ZFont* font = FontManager::sharedManager()->zFontWithURL(kFontFile, 20);
    if (font != nullptr) {
      // A view's frame is in view coordinates: y down from the top.
      caption_ = ZLabel::labelWithFrame(CGRectMake(10, 70, size.width - 20, 30), font);
      caption_->setText("A font of the game's own");
      caption_->setTextAlignment(platform::kTextAlignmentCenter);
      caption_->setTextColor(platform::Color{1, 0.85f, 0.4f, 1});
    }
    return true;
  }

  // The view is a platform view, not a node: add it while the scene runs.
  void onEnter() override {
    CCScene::onEnter();
    EAGLView* view = CCDirector::sharedDirector()->openGLView();
    if (caption_ && view) view->addSubview(caption_.get());
  }
  void onExit() override {
    if (caption_) caption_->removeFromSuperview();
    CCScene::onExit();
  }

  void count(float) { score_->setString(std::to_string(++spirits_)); }

 private:
  static constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  CCLabelBMFont* score_ = nullptr;  // a child of the scene
  platform::Ref<ZLabel> caption_;   // a view: kept by a Ref
  int spirits_ = 0;
};
// [guide:end]

class TextDelegate : public GameDelegate {
  PLATFORM_CLASS(TextDelegate, GameDelegate)

 protected:
  CCScene* firstScene() override { return TextScene::node(); }
};

}  // namespace

int main(int argc, char** argv) { return runGame(argc, argv, "TextDelegate"); }
