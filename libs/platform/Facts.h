#pragma once
// Platform facts: what the host reports about itself. Defaults give the
// documented behaviour of the radar application on a desktop; TESSERA_*
// environment variables override them when facts() is first called; tests
// assign fields directly before the code under test reads them.

#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

/// The seed every random source starts from on a fake clock when no seed is set.
inline constexpr std::uint64_t kFakeClockSeed = 20100401;

/// Platform facts: what the host reports about itself. Defaults give the
/// documented behaviour of the radar application on a desktop; TESSERA_*
/// environment variables override them when facts() is first called; tests
/// assign fields directly before the code under test reads them.
///
///   TESSERA_SCREEN=WxH[@scale]     main screen bounds in points (portrait) and scale
///   TESSERA_SYSTEM_VERSION=3.2     the dotted system version
///   TESSERA_ORIENTATION=1..4       the orientation offered to the view controller at launch
///   TESSERA_HEADLESS=1             never open a window (also when no display exists)
///   TESSERA_ADS=off                no ad service (on by default for the application)
///   TESSERA_RESOURCE_DIR=path      the application's resource folder
///   TESSERA_DOCUMENTS_DIR=path     the user's documents folder
///   TESSERA_DEVICE_ID=text         the device identifier network services see (default: a random
///                                  UUID kept in the documents folder)
///   TESSERA_SCORE_SERVER=url       base address of the score service, e.g. http://127.0.0.1:8765
///                                  (default: none, so score requests do not start)
///   TESSERA_FAKE_CLOCK=1           every display refresh advances time by exactly 1/60 s
///   TESSERA_CAPTURE=file.png       write the frame presented at TESSERA_CAPTURE_AT seconds, then quit;
///                                  a relative path is taken from the working directory the
///                                  program started in
///   TESSERA_CAPTURE_AT=seconds
///   TESSERA_AUDIO=device           the audio output: "null" (OpenAL Soft's silent device, for
///                                  headless runs), "loopback" (mixed into memory on request,
///                                  for tests), or a device name to open (default: the
///                                  system's default device)
///   TESSERA_SEED=n                 seed of every random source (0 … 2^64-1). Unset: a fixed seed
///                                  (kFakeClockSeed) with TESSERA_FAKE_CLOCK, so captures repeat
///                                  exactly; otherwise a seed from the system's entropy and the time
struct Facts {
  /// Main screen bounds in points, portrait. Default 320 × 480.
  CGSize screenSize{320, 480};
  /// Main screen scale (1, or 2 for a high-resolution screen). Default 1.
  float screenScale = 1;
  /// Whether the screen reports a scale at all. Default true.
  bool screenHasScale = true;
  /// Whether views can take a content scale factor. Default true.
  bool viewsSupportContentScale = true;
  /// The system version string. Default "3.2".
  std::string systemVersion = "3.2";
  /// Orientation offered to the root view controller at launch. Default 3.
  int initialOrientation = 3;
  /// Never open a window. Default: false, but a machine without a display
  /// runs headless anyway.
  bool headless = false;
  /// The ad service is on. Default true.
  bool adServiceAvailable = true;
  /// Every display refresh advances the clocks by exactly 1/60 s. Default false.
  bool fakeClock = false;
  /// Frame capture: file and time in seconds since launch (empty: none).
  /// Read from the environment as an absolute path.
  std::string captureFile;
  double captureAt = 0;
  /// Resource and documents folders (empty: the defaults next to the program).
  std::string resourceDir;
  std::string documentsDir;
  /// The device identifier (empty: the one kept in the documents folder).
  std::string deviceId;
  /// Base address of the score service, scheme and host (and port), without
  /// a trailing slash. Default empty: no service.
  std::string scoreServer;
  /// The audio output device: empty for the system default, "null" for a
  /// device that plays nothing (selected before the first device opens),
  /// "loopback" for one mixed into memory on request, or the name of a device
  /// to open. Default empty.
  std::string audioDevice;
  /// Seed of the random sources (Random.h). Default: none, see randomSeed().
  std::optional<std::uint64_t> seed;
};

/// The process-wide facts, read from the environment on first call.
Facts& facts();
/// Re-reads the defaults and the environment (tests).
void resetFacts();
/// The seed the random sources start from: facts().seed when set; else
/// kFakeClockSeed when facts().fakeClock; else a seed drawn once per process
/// from the system's entropy and the time.
std::uint64_t randomSeed();

}  // namespace platform
