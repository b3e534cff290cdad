// Sound: a looping tune that fades out through an action after a while, and
// a blip on every tap. The two sounds are written as WAV files when the
// program starts.

#include "GuideApp.h"
#include "audio/CDAudioManager.h"
#include "audio/CDFloatInterpolator.h"
#include "audio/CDLongAudioSourceFader.h"
#include "audio/CDXPropertyModifierAction.h"
#include "audio/SimpleAudioEngine.h"
#include "tessera/CCDelayTime.h"
#include "tessera/CCLayer.h"
#include "tessera/CCScene.h"
#include "tessera/CCSequence.h"

#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Writes `seconds` of a sine tone at `hertz` with a falling envelope as
// 16-bit mono WAV; false on failure.
bool writeTone(const std::string& path, double seconds, double hertz) {
  constexpr int kRate = 22050;
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = kRate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  std::vector<short> samples(static_cast<std::size_t>(seconds * kRate));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    samples[i] = static_cast<short>(std::lround(12000 * std::sin(6.283185307179586 * hertz * t) * std::exp(-t * 3)));
  }
  const bool written = sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size())) ==
                       static_cast<sf_count_t>(samples.size());
  return sf_close(file) == 0 && written;
}

using audio::SimpleAudioEngine;

class SoundLayer : public CCLayer {
  PLATFORM_CLASS(SoundLayer, CCLayer)

 public:
  CC_NODE_FACTORY(SoundLayer)

  // [guide:sound]
  bool init() override {
    if (!CCLayer::init()) return false;
    SimpleAudioEngine* sound = SimpleAudioEngine::sharedEngine();
    sound->preloadEffect("blip.wav");            // decoded now, so the first tap does not wait
    sound->playBackgroundMusic("theme.wav", true);  // streamed, looping
    sound->setBackgroundMusicVolume(0.8f);

    // After two seconds, fade the music from 0.8 to silence over three: the
    // fader is run as an action, by this layer's action manager.
    audio::CDLongAudioSourceFader* fader = audio::CDLongAudioSourceFader::modifierWithTarget(
        sound->audioManager()->backgroundMusic(), audio::CDFloatInterpolator::kLinear, 0.8f, 0.0f);
    if (fader != nullptr) {
      fader->setStopTargetWhenComplete(true);
      runAction(CCSequence::actions({
          CCDelayTime::actionWithDuration(2),
          audio::CDXPropertyModifierAction::actionWithDuration(3, fader),
      }));
    }
    setIsTouchEnabled(true);
    return true;
  }

  unsigned touchesSelectorMask() const override { return kCCTouchSelectorBeganBit; }
  void ccTouchesBegan(platform::TouchSet*, platform::Event*) override {
    SimpleAudioEngine::sharedEngine()->playEffect("blip.wav", 1.5f, 0, 1);  // pitch, pan, gain
  }
  // [guide:end]
};

class SoundScene : public CCScene {
  PLATFORM_CLASS(SoundScene, CCScene)

 public:
  CC_NODE_FACTORY(SoundScene)

  bool init() override {
    if (!CCScene::init()) return false;
    addChild(SoundLayer::node());
    return true;
  }
};

// [guide:delegate]
class SoundDelegate : public GameDelegate {
  PLATFORM_CLASS(SoundDelegate, GameDelegate)

 public:
  void applicationWillTerminate(platform::Application* application) override {
    GameDelegate::applicationWillTerminate(application);
    SimpleAudioEngine::end();  // releases the engine, its buffers and the audio manager
  }

 protected:
  CCScene* firstScene() override { return SoundScene::node(); }
};
// [guide:end]

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = GUIDE_RESOURCES;
  if (!writeTone(folder + "/blip.wav", 0.2, 880) || !writeTone(folder + "/theme.wav", 1.5, 330)) {
    std::fprintf(stderr, "sound: could not write the sounds into %s\n", folder.c_str());
    return 1;
  }
  const int status = runGame(argc, argv, "SoundDelegate");
  SimpleAudioEngine::end();
  return status;
}
