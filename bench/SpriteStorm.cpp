// Sprite storm: frame times of one scene drawn by the engine, by SFML 2.5 and
// by SDL2's 2-D renderer, from one program, each into a 480 x 320 window on the
// same X server, all through Mesa's GL. Each renderer runs at each count in
// a child process of its own, so none inherits another's GL, window-system
// or heap state (Mesa's allocations make glibc's heap history matter: see
// bench/README.md).
//
// The scene: N sprites (default 1,000 / 10,000 / 50,000) cut from one
// 256 x 256 sheet, alpha-blended, each moving on a Lissajous path and turning
// every frame; pose = f(sprite index, frame number), so every renderer draws
// the same frames. A frame is timed from before the update to after
// glFinish() on the renderer's own context, following present. Warm-up
// frames are not timed. Reports median and 90th-percentile frame times as a
// Markdown table, the median of each round, CPU time and page faults per
// frame, each context's GL renderer, and a check that the renderers' check
// frames agree (mean colour and coverage); exits 1 when a renderer failed,
// drew nothing or disagreed.
//
// Usage (needs an X display; scripts/bench runs it under xvfb-run):
//   xvfb-run -s "-screen 0 1024x768x24" SpriteStorm [--size 32] [--frames 150]
//       [--warmup 20] [--counts 1000,10000,50000] [--engines tessera,sfml,sdl]
//       [--budget 30] [--rounds 3] [--dump DIR] [--settle on]
//   --size     sprite edge in pixels (also the sheet's cell size)
//   --frames   timed frames per renderer and count, split over the rounds;
//              fewer when the warm-up predicts more than --budget seconds
//              (the table says how many)
//   --rounds   runs of every renderer at every count, in a renderer order
//              turned by one place each round; their frames are pooled
//   --dump     writes each renderer's check frame as DIR/storm-s<size>-n<N>-<renderer>.png
//   --settle   first runs each renderer untimed in a throwaway process (on by
//              default: a fresh X server slows the first process that presents)
//
// [SECTION] Options
// [SECTION] Running a renderer
// [SECTION] Report
// [SECTION] Main

#include "storm/Renderers.h"
#include "storm/ResultCodec.h"
#include "storm/StormScene.h"

#include "platform/Application.h"
#include "platform/GLContext.h"

#include <SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using storm::RendererResult;

// [SECTION] Options

struct Renderer {
  std::string key;   // as given to --engines
  std::string name;  // as printed
  RendererResult (*run)(const storm::StormRun&);
};

const std::vector<Renderer>& allRenderers() {
  static const std::vector<Renderer> renderers = {
      {"tessera", "Tessera", &storm::runTessera},
      {"sfml", "SFML", &storm::runSfml},
      {"sdl", "SDL", &storm::runSdl},
  };
  return renderers;
}

struct Options {
  int spriteSize = 32;
  storm::FramePlan plan;
  std::vector<std::uint32_t> counts = {1000, 10000, 50000};
  std::vector<Renderer> renderers = allRenderers();
  std::string dumpDir;
  bool settle = true;
  int rounds = 3;
};

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::size_t end = comma == std::string::npos ? text.size() : comma;
    if (end > start) items.push_back(text.substr(start, end - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

// A whole number in [low, high], or false.
bool parseNumber(const std::string& text, long low, long high, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end && *end == '\0' && errno == 0 && value >= low && value <= high;
}

int usage(const char* program, const std::string& problem) {
  std::fprintf(stderr,
               "%s: %s\nusage: %s [--size PIXELS] [--frames N] [--warmup N] [--counts N,N,...] "
               "[--engines tessera,sfml,sdl] [--budget SECONDS] [--rounds N] [--dump DIR] [--settle on|off]\n",
               program, problem.c_str(), program);
  return 2;
}

// Returns 0 when the options are good, else the exit status.
int parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) return usage(argv[0], "missing value after " + flag);
    const std::string value = argv[++i];
    long number = 0;
    if (flag == "--size") {
      if (!parseNumber(value, 1, storm::kSheetSize, number)) return usage(argv[0], "--size takes 1 to 256");
      options.spriteSize = static_cast<int>(number);
    } else if (flag == "--frames") {
      if (!parseNumber(value, 1, 100000, number)) return usage(argv[0], "--frames takes 1 to 100000");
      options.plan.timedFrames = static_cast<int>(number);
      options.plan.minimumTimedFrames = std::min(options.plan.minimumTimedFrames, options.plan.timedFrames);
    } else if (flag == "--warmup") {
      if (!parseNumber(value, 0, 100000, number)) return usage(argv[0], "--warmup takes 0 to 100000");
      options.plan.warmUpFrames = static_cast<int>(number);
    } else if (flag == "--budget") {
      if (!parseNumber(value, 1, 86400, number)) return usage(argv[0], "--budget takes 1 to 86400 seconds");
      options.plan.budgetSeconds = static_cast<double>(number);
    } else if (flag == "--counts") {
      options.counts.clear();
      for (const std::string& item : splitList(value)) {
        // A million sprites already needs hundreds of megabytes of vertices.
        if (!parseNumber(item, 1, 1000000, number)) return usage(argv[0], "--counts takes numbers from 1 to 1000000");
        const auto count = static_cast<std::uint32_t>(number);
        // A repeated count would file two runs under one row of the report.
        if (std::find(options.counts.begin(), options.counts.end(), count) == options.counts.end()) {
          options.counts.push_back(count);
        }
      }
      if (options.counts.empty()) return usage(argv[0], "--counts is empty");
    } else if (flag == "--engines") {
      options.renderers.clear();
      for (const std::string& item : splitList(value)) {
        const Renderer* found = nullptr;
        for (const Renderer& renderer : allRenderers()) {
          if (renderer.key == item) found = &renderer;
        }
        if (!found) return usage(argv[0], "unknown engine \"" + item + "\"");
        options.renderers.push_back(*found);
      }
      if (options.renderers.empty()) return usage(argv[0], "--engines is empty");
    } else if (flag == "--dump") {
      options.dumpDir = value;
    } else if (flag == "--rounds") {
      if (!parseNumber(value, 1, 20, number)) return usage(argv[0], "--rounds takes 1 to 20");
      options.rounds = static_cast<int>(number);
    } else if (flag == "--settle") {
      if (value != "on" && value != "off") return usage(argv[0], "--settle takes on or off");
      options.settle = value == "on";
    } else {
      return usage(argv[0], "unknown option " + flag);
    }
  }
  return 0;
}

// [SECTION] Running a renderer

// Writes all of `bytes` to `fd`; false on failure.
bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

std::string readAll(int fd) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

// Runs `renderer` in a child process and returns what it reports. The parent
// never touches GL, X or SDL itself.
RendererResult runInChild(const Renderer& renderer, const storm::StormRun& run) {
  RendererResult failed;
  int fds[2];
  if (::pipe(fds) != 0) {
    failed.error = std::string("no pipe: ") + std::strerror(errno);
    return failed;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = ::fork();
  if (child < 0) {
    failed.error = std::string("no child process: ") + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return failed;
  }
  if (child == 0) {
    ::close(fds[0]);
    RendererResult result = renderer.run(run);
    // A context left current would mean the teardown was incomplete.
    if (result.error.empty() && glGetString(GL_RENDERER) != nullptr) result.error = "left a GL context current";
    SDL_Quit();
    const bool sent = writeAll(fds[1], storm::encodeResult(result));
    ::close(fds[1]);
    // A normal exit: the libraries' exit handlers run (and, in sanitizer
    // builds, the leak check). Nothing is buffered on stdout: the parent
    // flushed before the fork and the child prints only to stderr.
    std::exit(sent ? 0 : 3);
  }
  ::close(fds[1]);
  const std::string bytes = readAll(fds[0]);
  ::close(fds[0]);
  // The result is in; a child whose exit handlers hang (a driver's, say)
  // must not stall the whole run.
  int status = 0;
  bool ended = false;
  for (int tries = 0; tries < 200 && !ended; ++tries) {
    const pid_t waited = ::waitpid(child, &status, WNOHANG);
    ended = waited == child || (waited < 0 && errno != EINTR);
    if (!ended) ::usleep(50000);
  }
  if (!ended) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    std::fprintf(stderr, "storm: %s's process did not exit within 10 s of reporting; killed it\n",
                 renderer.name.c_str());
    if (std::optional<RendererResult> result = storm::decodeResult(bytes)) return std::move(*result);
  }
  if (WIFSIGNALED(status)) {
    failed.error = "the renderer's process died of signal " + std::to_string(WTERMSIG(status));
    return failed;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    failed.error = "the renderer's process exited with status " + std::to_string(WEXITSTATUS(status));
    return failed;
  }
  std::optional<RendererResult> result = storm::decodeResult(bytes);
  if (!result) {
    failed.error = "the renderer's process sent an incomplete result";
    return failed;
  }
  return std::move(*result);
}

// The plan of one of `rounds` runs that together draw `whole`'s timed frames
// within its budget.
storm::FramePlan planOfOneRound(const storm::FramePlan& whole, int rounds) {
  storm::FramePlan plan = whole;
  plan.timedFrames = (whole.timedFrames + rounds - 1) / rounds;
  plan.minimumTimedFrames = std::min(plan.timedFrames, std::max(1, (whole.minimumTimedFrames + rounds - 1) / rounds));
  plan.budgetSeconds = whole.budgetSeconds / rounds;
  return plan;
}

// [SECTION] Report

// The 1-minute load average, or "?": a busy machine makes the figures noisy.
std::string loadAverage() {
  std::FILE* file = std::fopen("/proc/loadavg", "r");
  if (file == nullptr) return "?";
  char text[64] = "";
  const bool read = std::fscanf(file, "%63s", text) == 1;
  std::fclose(file);
  return read ? text : "?";
}

std::string withThousands(std::uint32_t number) {
  const std::string digits = std::to_string(number);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

std::string milliseconds(double value) {
  if (std::isnan(value)) return "—";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// One renderer at one count, pooled over the rounds.
struct Cell {
  RendererResult result;  // every round's timed frames; the last round's check frame
  std::vector<double> roundMedians;
  storm::FrameSummary summary;
  double cpuMilliseconds = 0;  // totals over the timed frames
  double pageFaults = 0;

  void add(RendererResult&& round) {
    const auto frames = static_cast<double>(round.times.milliseconds.size());
    cpuMilliseconds += round.times.cpuMillisecondsPerFrame * frames;
    pageFaults += round.times.pageFaultsPerFrame * frames;
    if (!round.times.milliseconds.empty()) roundMedians.push_back(storm::percentile(round.times.milliseconds, 0.5));
    std::vector<double>& pooled = result.times.milliseconds;
    pooled.insert(pooled.end(), round.times.milliseconds.begin(), round.times.milliseconds.end());
    if (result.error.empty()) result.error = round.error;
    if (result.glRenderer.empty()) result.glRenderer = round.glRenderer;
    if (result.method.empty()) result.method = round.method;
    if (!round.checkImage.empty()) result.checkImage = std::move(round.checkImage);
    const auto total = static_cast<double>(pooled.size());
    result.times.cpuMillisecondsPerFrame = total > 0 ? cpuMilliseconds / total : 0;
    result.times.pageFaultsPerFrame = total > 0 ? pageFaults / total : 0;
    summary = storm::summarizeFrame(result.checkImage);
  }
};

bool writeDump(const std::string& dir, int size, std::uint32_t count, const std::string& key,
               const storm::FrameImage& image) {
  platform::CapturedFrame frame;
  frame.width = image.width;
  frame.height = image.height;
  frame.rgba = image.rgba;
  for (std::size_t i = 3; i < frame.rgba.size(); i += 4) frame.rgba[i] = 255;  // as the window shows it
  const std::string path = dir + "/storm-s" + std::to_string(size) + "-n" + std::to_string(count) + "-" + key + ".png";
  return platform::writeFrameAsPNG(frame, path);
}

}  // namespace

// [SECTION] Main

int main(int argc, char** argv) {
  Options options;
  if (int status = parseOptions(argc, argv, options)) return status;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    std::fprintf(stderr,
                 "%s: needs an X display (SFML opens GLX windows); run it as\n"
                 "  xvfb-run -s \"-screen 0 1024x768x24\" %s\n",
                 argv[0], argv[0]);
    return 2;
  }
  // Every renderer presents to a real window on the same X server: the
  // engine's platform layer picks its EGL display from SDL's video driver.
  setenv("SDL_VIDEODRIVER", "x11", 1);
  if (!options.dumpDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.dumpDir, error);
    if (error) {
      std::fprintf(stderr, "%s: cannot make %s: %s\n", argv[0], options.dumpDir.c_str(), error.message().c_str());
      return 2;
    }
  }

  const std::string loadBefore = loadAverage();
  const storm::SpriteSheet sheet = storm::makeSpriteSheet(options.spriteSize);
  std::map<std::uint32_t, std::vector<Cell>> cells;  // by count, in renderer order
  std::map<std::string, std::string> glRenderers;
  bool failed = false;

  // Settling: on a fresh X server the first process that presents is slower
  // for its whole run (the engine's present measured 2.2 ms a frame there,
  // 0.74 ms in every later process), so each renderer first draws one sprite
  // for a while in a process whose figures are thrown away.
  if (options.settle) {
    std::fprintf(stderr, "storm: settling the X server and the driver...\n");
    for (const Renderer& renderer : options.renderers) {
      storm::StormRun run;
      run.spriteCount = 1;
      run.sheet = &sheet;
      run.plan.warmUpFrames = 0;
      run.plan.timedFrames = 200;
      runInChild(renderer, run);
    }
  }

  // The frames are split over rounds; each round runs every count and, in an
  // order turned by one place per round, every renderer. A slow spell of the
  // machine then lands on all renderers alike instead of on one.
  const storm::FramePlan roundPlan = planOfOneRound(options.plan, options.rounds);
  for (std::uint32_t count : options.counts) cells[count].resize(options.renderers.size());
  for (int round = 0; round < options.rounds; ++round) {
    for (std::uint32_t count : options.counts) {
      for (std::size_t turn = 0; turn < options.renderers.size(); ++turn) {
        const std::size_t index = (turn + static_cast<std::size_t>(round)) % options.renderers.size();
        const Renderer& renderer = options.renderers[index];
        std::fprintf(stderr, "storm: round %d of %d, %s, %s sprites of %d px...\n", round + 1, options.rounds,
                     renderer.name.c_str(), withThousands(count).c_str(), options.spriteSize);
        storm::StormRun run;
        run.spriteCount = count;
        run.sheet = &sheet;
        run.plan = roundPlan;
        cells[count][index].add(runInChild(renderer, run));
      }
    }
  }
  for (std::uint32_t count : options.counts) {
    for (std::size_t i = 0; i < options.renderers.size(); ++i) {
      const Cell& cell = cells[count][i];
      const Renderer& renderer = options.renderers[i];
      if (!cell.result.glRenderer.empty()) glRenderers[renderer.name] = cell.result.glRenderer;
      if (!options.dumpDir.empty() && !cell.result.checkImage.empty() &&
          !writeDump(options.dumpDir, options.spriteSize, count, renderer.key, cell.result.checkImage)) {
        std::fprintf(stderr, "storm: could not write a frame into %s\n", options.dumpDir.c_str());
      }
    }
  }

  // The frame-time table.
  std::printf("## Sprite storm: %d px sprites, %d x %d frame\n\n", options.spriteSize, storm::kFrameWidth,
              storm::kFrameHeight);
  std::printf(
      "Frame time in ms (update + draw + present + glFinish), median and p90 of the timed frames of %d rounds; "
      "each round a fresh process per renderer and count, up to %d warm-up frames (at most %.0f s), then up to "
      "%d timed frames.\n\n",
      options.rounds, roundPlan.warmUpFrames, roundPlan.warmUpBudgetSeconds, roundPlan.timedFrames);
  std::printf("| Sprites |");
  for (const Renderer& renderer : options.renderers) {
    std::printf(" %s median | %s p90 |", renderer.name.c_str(), renderer.name.c_str());
  }
  std::printf(" Timed frames |\n|---:|");
  for (std::size_t i = 0; i < options.renderers.size(); ++i) std::printf("---:|---:|");
  std::printf("---|\n");
  for (std::uint32_t count : options.counts) {
    std::printf("| %s |", withThousands(count).c_str());
    std::string frames;
    for (const Cell& cell : cells[count]) {
      const std::vector<double>& times = cell.result.times.milliseconds;
      if (!cell.result.error.empty()) {
        std::printf(" failed | failed |");
      } else {
        std::printf(" %s | %s |", milliseconds(storm::percentile(times, 0.5)).c_str(),
                    milliseconds(storm::percentile(times, 0.9)).c_str());
      }
      frames += (frames.empty() ? "" : " / ") + std::to_string(times.size());
    }
    std::printf(" %s |\n", frames.c_str());
  }

  std::printf("\nMedian of each round, ms (the spread shows how steady the machine was):\n\n| Sprites |");
  for (const Renderer& renderer : options.renderers) std::printf(" %s |", renderer.name.c_str());
  std::printf("\n|---:|");
  for (std::size_t i = 0; i < options.renderers.size(); ++i) std::printf("---|");
  std::printf("\n");
  for (std::uint32_t count : options.counts) {
    std::printf("| %s |", withThousands(count).c_str());
    for (const Cell& cell : cells[count]) {
      std::string medians;
      for (double median : cell.roundMedians) medians += (medians.empty() ? "" : ", ") + milliseconds(median);
      std::printf(" %s |", medians.empty() ? "—" : medians.c_str());
    }
    std::printf("\n");
  }

  std::printf("\nGL renderer of each context:\n\n");
  for (const Renderer& renderer : options.renderers) {
    const auto found = glRenderers.find(renderer.name);
    std::printf("- %s: %s\n", renderer.name.c_str(), found == glRenderers.end() ? "(none)" : found->second.c_str());
  }
  const char* threads = std::getenv("LP_NUM_THREADS");
  std::printf("- LP_NUM_THREADS: %s\n", threads ? threads : "unset (Mesa's default: one rasteriser thread per core)");
  std::printf("- Load average (1 min) before and after: %s, %s\n", loadBefore.c_str(), loadAverage().c_str());

  std::printf(
      "\nPer timed frame, whole process (Mesa's rasteriser threads included): CPU time and minor page "
      "faults:\n\n| Sprites |");
  for (const Renderer& renderer : options.renderers) {
    std::printf(" %s CPU ms | %s faults |", renderer.name.c_str(), renderer.name.c_str());
  }
  std::printf("\n|---:|");
  for (std::size_t i = 0; i < options.renderers.size(); ++i) std::printf("---:|---:|");
  std::printf("\n");
  for (std::uint32_t count : options.counts) {
    std::printf("| %s |", withThousands(count).c_str());
    for (const Cell& cell : cells[count]) {
      std::printf(" %.2f | %.0f |", cell.result.times.cpuMillisecondsPerFrame, cell.result.times.pageFaultsPerFrame);
    }
    std::printf("\n");
  }

  std::printf("\nHow each drew:\n\n");
  for (std::uint32_t count : options.counts) {
    for (std::size_t i = 0; i < options.renderers.size(); ++i) {
      const Cell& cell = cells[count][i];
      std::printf("- %s, %s sprites: %s\n", options.renderers[i].name.c_str(), withThousands(count).c_str(),
                  cell.result.error.empty() ? cell.result.method.c_str() : ("FAILED: " + cell.result.error).c_str());
      if (!cell.result.error.empty()) failed = true;
    }
  }

  // The frame check: every renderer against the first.
  const storm::FrameTolerance tolerance;
  std::printf(
      "\nCheck frame %u of each renderer (coverage: pixels not the clear colour; compared with %s: mean colour "
      "within %.1f, coverage within %.1f%%):\n\n",
      roundPlan.checkFrame(), options.renderers.front().name.c_str(), tolerance.meanColor, tolerance.coverage * 100);
  std::printf("| Sprites | Renderer | Coverage | Mean R, G, B | Pixels off by > 32 | Check |\n");
  std::printf("|---:|---|---:|---|---:|---|\n");
  for (std::uint32_t count : options.counts) {
    const Cell& reference = cells[count].front();
    for (std::size_t i = 0; i < options.renderers.size(); ++i) {
      const Cell& cell = cells[count][i];
      std::string check = "ok";
      if (cell.result.checkImage.empty()) {
        check = "FAILED: no frame read back";
      } else if (!storm::showsSprites(cell.summary)) {
        check = "FAILED: drew nothing";
      } else if (i > 0 && !storm::summariesAgree(reference.summary, cell.summary, tolerance)) {
        check = "FAILED: differs from " + options.renderers.front().name;
      }
      if (check != "ok") failed = true;
      char differing[32] = "—";
      if (i > 0) {
        std::snprintf(differing, sizeof differing, "%.2f%%",
                      100 * storm::fractionOfPixelsDiffering(reference.result.checkImage, cell.result.checkImage, 32));
      }
      std::printf("| %s | %s | %.1f%% | %.1f, %.1f, %.1f | %s | %s |\n", withThousands(count).c_str(),
                  options.renderers[i].name.c_str(), 100 * cell.summary.coverage, cell.summary.meanColor[0],
                  cell.summary.meanColor[1], cell.summary.meanColor[2], differing, check.c_str());
    }
  }
  std::fflush(stdout);
  return failed ? 1 : 0;
}
