#include "HelloWorld.h"

#include "platform/Object.h"
#include "tessera/CCDirector.h"
#include "tessera/CCRepeatForever.h"
#include "tessera/CCRotateBy.h"
#include "tessera/CCSpriteFrameCache.h"
#include "tessera/Platforms/iOS/EAGLView.h"

namespace {

constexpr int kLabelZ = 999;  // every label above every radar picture (z 0)
constexpr const char* kWhiteFont = "courierNew12pt.fnt";
constexpr const char* kRedFont = "courierRED.fnt";

}  // namespace

// [SECTION] Creation

CCScene* HelloWorld::scene() {
  CCScene* scene = CCScene::node();
  HelloWorld* layer = HelloWorld::node();
  if (scene && layer) scene->addChild(layer);
  return scene;
}

HelloWorld::~HelloWorld() {
  readouts_.ghostwords.clear();
  if (adBannerView_) adBannerView_->setDelegate(nullptr);
}

CCLabelBMFont* HelloWorld::addLabel(const char* text, const char* font, CGPoint position) {
  CCLabelBMFont* label = CCLabelBMFont::labelWithString(text, font);
  if (label == nullptr) return nullptr;
  label->setPosition(position);
  addChild(label, kLabelZ);
  return label;
}

bool HelloWorld::init() {
  if (!CCLayer::init()) return false;

  readouts_.buildGhostWords();
  const CGSize size = CCDirector::sharedDirector()->winSize();

  title = addLabel("Spectrelink", kWhiteFont, CGPointMake(size.width * 0.5f, 300));
  TL1 = addLabel("999999", kWhiteFont, CGPointMake(50, 290));
  TL2 = addLabel("888888", kWhiteFont, CGPointMake(50, 280));
  TL3 = addLabel("777777", kWhiteFont, CGPointMake(50, 270));
  ML1 = addLabel("999999", kWhiteFont, CGPointMake(50, 160));
  ML2 = addLabel("888888", kWhiteFont, CGPointMake(50, 150));
  ML3 = addLabel("777777", kWhiteFont, CGPointMake(50, 140));
  Tword1 = addLabel("", kWhiteFont, CGPointMake(350, 290));
  Tword2 = addLabel("", kWhiteFont, CGPointMake(410, 290));
  MR1 = addLabel("", kWhiteFont, CGPointMake(410, 160));
  LR1 = addLabel("", kWhiteFont, CGPointMake(410, 140));
  ghost = addLabel("", kRedFont, CGPointMake(410, 200));

  readouts_.TL1 = TL1;
  readouts_.TL2 = TL2;
  readouts_.TL3 = TL3;
  readouts_.ML1 = ML1;
  readouts_.ML2 = ML2;
  readouts_.ML3 = ML3;
  readouts_.MR1 = MR1;
  readouts_.LR1 = LR1;
  readouts_.Tword1 = Tword1;
  readouts_.Tword2 = Tword2;
  readouts_.ghost = ghost;

  CCSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("umbrascope.plist");
  spriteSheet = CCSpriteBatchNode::batchNodeWithFile("umbrascope.png");
  if (spriteSheet) addChild(spriteSheet);

  const CGPoint centre = CGPointMake(size.width * 0.5f, size.height * 0.5f);
  if (agsprite* base = agsprite::spriteWithSpriteFrameName("radarbase3.png"); base && spriteSheet) {
    base->setPosition(centre);
    spriteSheet->addChild(base);
  }
  if (agsprite* pad = agsprite::spriteWithSpriteFrameName("finger.png"); pad && spriteSheet) {
    pad->setPosition(CGPointMake(140, 100));
    spriteSheet->addChild(pad);
  }

  addLabel("Place your\nleft index\nfinger over fingerprint", kWhiteFont, CGPointMake(90, 60));

  radararm = agsprite::spriteWithSpriteFrameName("radarbase3c.png");
  if (radararm && spriteSheet) {
    radararm->setPosition(centre);
    spriteSheet->addChild(radararm);
    radararm->runAction(CCRepeatForever::actionWithAction(CCRotateBy::actionWithDuration(1.0f, 360.0f)));
  } else {
    radararm = nullptr;
  }

  schedule(schedule_selector(HelloWorld::tick));
  schedule(schedule_selector(HelloWorld::logic), RadarReadouts::kLogicInterval);
  return true;
}

// [SECTION] Readouts

void HelloWorld::tick(float dt) { readouts_.tick(dt); }

void HelloWorld::logic(float dt) { readouts_.logic(dt); }

// [SECTION] Ad banner

void HelloWorld::onEnter() {
  CCLayer::onEnter();
  createBanner();
}

void HelloWorld::onExit() {
  removeBanner();
  CCLayer::onExit();
}

void HelloWorld::createBanner() {
  const platform::ClassInfo* bannerClass = platform::ClassInfo::named("ADBannerView");
  if (bannerClass == nullptr || adBannerView_) return;
  platform::Object* instance = bannerClass->newInstance();
  auto* banner = dynamic_cast<platform::ADBannerView*>(instance);
  if (banner == nullptr || !banner->initWithFrame(CGRectZero)) {
    if (instance) instance->release();
    return;
  }
  adBannerView_ = platform::Ref<platform::ADBannerView>::adopt(banner);
  banner->setDelegate(this);
  banner->setRequiredContentSizeIdentifiers({platform::ADBannerContentSizeIdentifier480x32});
  if (EAGLView* glView = CCDirector::sharedDirector()->openGLView()) glView->addSubview(banner);
  banner->setCurrentContentSizeIdentifier(platform::ADBannerContentSizeIdentifier480x32);
  banner->setCenter(CGPointMake(240, 304));
  banner->setHidden(true);
}

void HelloWorld::removeBanner() {
  if (!adBannerView_) return;
  adBannerView_->setDelegate(nullptr);
  adBannerView_->removeFromSuperview();
  adBannerView_ = nullptr;
}

void HelloWorld::bannerViewDidLoadAd(platform::ADBannerView* banner) { banner->setHidden(false); }

void HelloWorld::bannerViewDidFailToReceiveAdWithError(platform::ADBannerView* banner, const platform::ADError&) {
  banner->setHidden(true);
}

bool HelloWorld::bannerViewActionShouldBegin(platform::ADBannerView*, bool willLeaveApplication) {
  const bool allowed = allowActionToRun();
  if (!willLeaveApplication && allowed) stopActionsForAd();
  return allowed;
}

void HelloWorld::bannerViewActionDidFinish(platform::ADBannerView*) { startActionsForAd(); }

void HelloWorld::startActionsForAd() {
  CCDirector* director = CCDirector::sharedDirector();
  director->stopAnimation();
  director->resume();
  director->startAnimation();
}

void HelloWorld::stopActionsForAd() {
  CCDirector* director = CCDirector::sharedDirector();
  director->stopAnimation();
  director->pause();
}
