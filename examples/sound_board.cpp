// tessera [audio] example: a sound board. Click the items (or press the keys
// 1 to 8) to play effects from three source groups while music loops in the
// background.
//
// Shows: the simple audio interface (preloading effects, looping music,
// pause and resume, mute); the sound engine's source groups under it: drums
// share three sources and steal the oldest, chimes have two sources that are
// never cut off (a third chime while both ring is refused), and the voice has
// one source of its own whose pitch rises with every play (a sound-source
// handle) and which fades out through an action. Every sound is made by the
// program into a temporary folder when it starts and deleted when it ends.
//
// Usage: sound_board [--frames N]
//   --frames N   quit after N frames (CI runs it headless with --frames 2:
//                SDL_VIDEODRIVER=offscreen or TESSERA_HEADLESS=1, and
//                ALSOFT_DRIVERS=null for silent audio)

#include "ExampleApplication.h"
#include "audio/CDAudioManager.h"
#include "audio/CDSoundEngine.h"
#include "audio/CDFloatInterpolator.h"
#include "audio/CDPropertyModifier.h"
#include "audio/CDSoundSource.h"
#include "audio/CDXPropertyModifierAction.h"
#include "audio/SimpleAudioEngine.h"
#include "platform/Keyboard.h"
#include "platform/Ref.h"
#include "tessera/CCDirector.h"
#include "tessera/CCLabelTTF.h"
#include "tessera/CCLayerColor.h"
#include "tessera/CCMenu.h"
#include "tessera/CCMenuItemFont.h"
#include "tessera/CCScene.h"
#include "tessera/ccMacros.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using audio::CDAudioManager;
using audio::CDSoundEngine;
using audio::SimpleAudioEngine;

constexpr int kRate = 44100;

// [SECTION] Sounds made at start-up

/// The folder the sounds are written to; removed when the program ends.
std::filesystem::path g_soundFolder;

/// Writes mono samples (−1…1) made by `sample(t)` for `seconds` into `name`
/// in the sound folder, as 16-bit WAV or FLAC by its extension.
std::string writeSound(const std::string& name, double seconds, const std::function<double(double)>& sample) {
  const std::string path = (g_soundFolder / name).string();
  SF_INFO info{};
  info.channels = 1;
  info.samplerate = kRate;
  info.format = (name.ends_with(".flac") ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return {};
  const int frames = static_cast<int>(seconds * kRate);
  std::vector<short> samples(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double value = std::clamp(sample(static_cast<double>(i) / kRate), -1.0, 1.0);
    samples[static_cast<std::size_t>(i)] = static_cast<short>(std::lround(value * 32000));
  }
  sf_writef_short(file, samples.data(), frames);
  sf_close(file);
  return path;
}

double noise() { return static_cast<double>(std::rand()) / RAND_MAX * 2 - 1; }

struct Sounds {
  std::string kick, snare, hat, chimeLow, chimeHigh, voice, music;
};

Sounds makeSounds() {
  constexpr double kTwoPi = 6.283185307179586;
  Sounds s;
  s.kick = writeSound("kick.wav", 0.3, [](double t) { return std::sin(kTwoPi * (50 + 90 * std::exp(-t * 30)) * t) * std::exp(-t * 9); });
  s.snare = writeSound("snare.wav", 0.2, [](double t) { return noise() * 0.6 * std::exp(-t * 18); });
  s.hat = writeSound("hat.wav", 0.06, [](double t) { return noise() * 0.4 * std::exp(-t * 60); });
  s.chimeLow = writeSound("chime-low.wav", 0.9, [](double t) { return std::sin(kTwoPi * 660 * t) * 0.5 * std::exp(-t * 4); });
  s.chimeHigh = writeSound("chime-high.wav", 0.9, [](double t) { return std::sin(kTwoPi * 990 * t) * 0.5 * std::exp(-t * 4); });
  s.voice = writeSound("voice.wav", 0.5, [](double t) {
    return std::sin(kTwoPi * (220 + 20 * std::sin(kTwoPi * 6 * t)) * t) * 0.5 * std::sin(kTwoPi * t);
  });
  // Four bars of a soft arpeggio, two seconds, that loops seamlessly.
#ifdef __EMSCRIPTEN__
  // The web build's libsndfile has no FLAC (no external codec libraries).
  s.music = writeSound("music.wav", 2.0, [](double t) {
#else
  s.music = writeSound("music.flac", 2.0, [](double t) {
#endif
    static const double kNotes[] = {220.0, 277.18, 329.63, 440.0, 329.63, 277.18, 246.94, 293.66};
    const int step = static_cast<int>(t * 4) % 8;
    const double local = t * 4 - std::floor(t * 4);
    return std::sin(kTwoPi * kNotes[step] * t) * 0.25 * std::exp(-local * 3);
  });
  return s;
}

// [SECTION] The board

enum Group { kDrums = 0, kChimes = 1, kVoice = 2 };

class SoundBoardScene : public ExampleScene {
  PLATFORM_CLASS(SoundBoardScene, ExampleScene)
 public:
  CC_NODE_FACTORY(SoundBoardScene)

  bool init() override {
    if (!CCScene::init()) return false;
    sounds_ = makeSounds();
    for (const std::string* path : {&sounds_.kick, &sounds_.snare, &sounds_.hat, &sounds_.chimeLow,
                                    &sounds_.chimeHigh, &sounds_.voice, &sounds_.music}) {
      if (path->empty()) return false;
    }

    // Effects and music through the simple interface; groups on its engine.
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    CDSoundEngine* engine = audio->audioManager()->soundEngine();
    const int groups[] = {3, 2, 1};
    engine->defineSourceGroups(groups, 3);
    engine->setSourceGroupNonInterruptible(kChimes, true);
    for (const std::string* path : {&sounds_.kick, &sounds_.snare, &sounds_.hat, &sounds_.chimeLow, &sounds_.chimeHigh}) {
      audio->preloadEffect(*path);
    }
    audio->audioManager()->setResignBehavior(CDAudioManager::kResignPauseAndResume, true);
    audio->playBackgroundMusic(sounds_.music);

    const CGSize size = CCDirector::sharedDirector()->winSize();
    addChild(CCLayerColor::layerWithColor(ccColor4B{24, 20, 36, 255}));
    CCLabelTTF* title = CCLabelTTF::labelWithString("Sound board", "Helvetica", 26);
    status_ = CCLabelTTF::labelWithString("Click a pad", CGSizeMake(size.width - 20, 24), kCCTextAlignmentCenter,
                                          "Helvetica", 16);
    if (!title || !status_) return false;
    title->setPosition(CGPointMake(size.width / 2, size.height - 22));
    status_->setPosition(CGPointMake(size.width / 2, 18));
    status_->setColor(ccColor3B{255, 220, 120});
    addChild(title);
    addChild(status_);

    CCMenuItemFont::setFontSize(22);
    auto pad = [](const char* label, std::function<void()> action) {
      return CCMenuItemFont::itemFromString(label, [action](CCMenuItem*) { action(); });
    };
    CCMenuItem* items[] = {
        pad("Kick", [this] { play("kick", sounds_.kick, kDrums); }),
        pad("Snare", [this] { play("snare", sounds_.snare, kDrums); }),
        pad("Hat", [this] { play("hat", sounds_.hat, kDrums); }),
        pad("Chime low", [this] { play("low chime", sounds_.chimeLow, kChimes); }),
        pad("Chime high", [this] { play("high chime", sounds_.chimeHigh, kChimes); }),
        pad("Voice", [this] { speak(); }),
        pad("Music", [this] { toggleMusic(); }),
        pad("Mute", [this] { toggleMute(); }),
    };
    for (CCMenuItem* item : items) {
      if (!item) return false;
    }
    CCMenu* menu = CCMenu::menuWithItems({items[0], items[1], items[2], items[3], items[4], items[5], items[6], items[7]});
    menu->alignItemsInColumns({3, 2, 1, 2});
    addChild(menu);
    // Keys 1 to 8 press the pads in the order above.
    std::copy(std::begin(items), std::end(items), pads_.begin());
    platform::setKeyObserver([this](std::string_view key) {
      if (key.size() == 1 && key[0] >= '1' && key[0] <= '8') pads_[static_cast<std::size_t>(key[0] - '1')]->activate();
    });

    // Something to hear (and to log) even when nobody clicks.
    play("kick", sounds_.kick, kDrums);
    play("low chime", sounds_.chimeLow, kChimes);
    speak();
    return true;
  }

  void onExit() override {
    platform::setKeyObserver(nullptr);
    voice_ = nullptr;  // gives the voice's source back before the engine goes
    ExampleScene::onExit();
  }

 private:
  void play(const char* name, const std::string& path, int group) {
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    const int soundId = audio->bufferManager()->bufferForFile(path, true);
    const ALuint source = soundId < 0 ? CDSoundEngine::kMutedCode
                                      : audio->audioManager()->soundEngine()->playSound(soundId, group, 1, 0, 1, false);
    if (source == CDSoundEngine::kNoSourceCode) {
      say(std::string(name) + ": every source of the group is busy");
    } else if (source == CDSoundEngine::kMutedCode) {
      say(std::string(name) + ": muted");
    } else {
      say(std::string(name) + " on source " + std::to_string(source));
    }
  }

  void speak() {
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    if (!voice_) {
      const int soundId = audio->bufferManager()->bufferForFile(sounds_.voice, true);
      if (soundId >= 0) voice_ = audio->audioManager()->soundEngine()->soundSourceForSound(soundId, kVoice);
      if (!voice_) {
        say("voice: no source");
        return;
      }
    }
    voice_->stop();
    voice_->setPitch(voicePitch_);
    // The voice fades out over a second, run by the action manager like any
    // other action, and its source stops at the end.
    stopActionByTag(kVoiceFadeTag);
    audio::CDSoundSourceFader* fader =
        audio::CDSoundSourceFader::modifierWithTarget(voice_.get(), audio::CDFloatInterpolator::kExponential, 1, 0);
    fader->setStopTargetWhenComplete(true);
    fader->modify(0);
    voice_->play();
    CCAction* fade = audio::CDXPropertyModifierAction::actionWithDuration(1.0f, fader);
    fade->setTag(kVoiceFadeTag);
    runAction(fade);
    say("voice at pitch " + std::to_string(voicePitch_).substr(0, 4));
    voicePitch_ = voicePitch_ >= 2.0f ? 0.5f : voicePitch_ + 0.25f;
  }

  void toggleMusic() {
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    if (audio->isBackgroundMusicPlaying()) {
      audio->pauseBackgroundMusic();
      say("music paused");
    } else {
      audio->resumeBackgroundMusic();
      say(audio->isBackgroundMusicPlaying() ? "music playing" : "music stays quiet (muted)");
    }
  }

  void toggleMute() {
    SimpleAudioEngine* audio = SimpleAudioEngine::sharedEngine();
    audio->setMute(!audio->mute());
    say(audio->mute() ? "everything muted" : "sound on");
  }

  void say(const std::string& text) {
    status_->setString(text);
    std::printf("sound_board: %s\n", text.c_str());
  }

  Sounds sounds_;
  CCLabelTTF* status_ = nullptr;  // a child of the scene
  platform::Ref<audio::CDSoundSource> voice_;
  float voicePitch_ = 1.0f;
  std::array<CCMenuItem*, 8> pads_{};  // owned by the menu
  static constexpr int kVoiceFadeTag = 1;
};

class SoundBoardDelegate : public ExampleDelegate {
  PLATFORM_CLASS(SoundBoardDelegate, ExampleDelegate)

 public:
  void applicationWillTerminate(platform::Application* application) override {
    ExampleDelegate::applicationWillTerminate(application);
    SimpleAudioEngine::end();
  }

 protected:
  CCScene* firstScene() override { return SoundBoardScene::node(); }
};

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/sound_board-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    std::perror("sound_board: mkdtemp");
    return 1;
  }
  g_soundFolder = folder;
  const int status = runExample(argc, argv, "SoundBoardDelegate");
  SimpleAudioEngine::end();
  std::error_code ignored;
  std::filesystem::remove_all(g_soundFolder, ignored);
  return status;
}
