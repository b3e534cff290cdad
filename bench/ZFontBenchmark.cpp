// Custom-font text: measuring, laying out and drawing a 2,000-word paragraph
// in DejaVu Sans at 16 points, beside SDL2_ttf on the same font file, size
// and box (600 points wide):
//  - one line: sizeWithZFont against TTF_SizeUTF8;
//  - wrapped in the box: sizeWithZFont within (600, unlimited), which does
//    the whole line-breaking layout (SDL2_ttf only measures in one line);
//  - drawn wrapped: drawInRect into an 8-bit canvas against
//    TTF_RenderUTF8_Blended_Wrapped into a new 32-bit surface.
// Counters: characters per second, lines laid out and heap allocations per
// call (the layout allocates its buffers once per call).

#include "AllocationCounter.h"
#include "platform/AutoreleasePool.h"
#include "platform/Canvas.h"
#include "platform/FontFace.h"
#include "zfont/ZFont.h"
#include "zfont/ZFontStringDrawing.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cfloat>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kPointSize = 16;
constexpr float kBoxWidth = 600;

// 2,000 words drawn from a fixed list with commas and full stops, the same
// text every run.
const std::string& paragraph() {
  static const std::string text = [] {
    static const char* const words[] = {"the",   "spirit", "radar",    "sweeps",  "over", "a",      "quiet",
                                        "house", "and",    "finds",    "nothing", "but",  "dust",   "whispers",
                                        "of",    "old",    "friends",  "who",     "never", "left", "Umbra",
                                        "scope", "reads",  "fourteen", "faint",   "echoes", "in",   "café"};
    std::mt19937 random(11);
    std::string out;
    for (int i = 0; i < 2000; ++i) {
      if (i) out += random() % 9 == 0 ? ". " : random() % 7 == 0 ? ", " : " ";
      out += words[random() % (sizeof words / sizeof words[0])];
    }
    return out + ".";
  }();
  return text;
}

struct ZFontFixture {
  ZFontFixture() {
    face = platform::FontFace::fontFaceWithContentsOfFile(kFontPath);
    if (face) font = ZFont::fontWithCGFont(face.get(), kPointSize);
  }
  platform::Ref<platform::FontFace> face;
  platform::Ref<ZFont> font;
};

ZFontFixture& zfontFixture() {
  static platform::AutoreleasePool pool;
  static ZFontFixture fixture;
  return fixture;
}

TTF_Font* sdlFont() {
  static TTF_Font* font = [] {
    if (TTF_Init() != 0) return static_cast<TTF_Font*>(nullptr);
    return TTF_OpenFont(kFontPath, kPointSize);
  }();
  return font;
}

void setCharacterRate(benchmark::State& state) {
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(paragraph().size()));
}

// [SECTION] One line

void BM_ZFont_MeasureLine(benchmark::State& state) {
  ZFont* font = zfontFixture().font.get();
  if (!font) return state.SkipWithError("DejaVu Sans not installed");
  CGSize size{};
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) benchmark::DoNotOptimize(size = sizeWithZFont(paragraph(), font));
  state.counters["allocs"] = double(bench::allocationCount() - before) / double(state.iterations());
  state.counters["width"] = size.width;
  if (!(size.width > 10000)) state.SkipWithError("paragraph measured too short");
  setCharacterRate(state);
}
BENCHMARK(BM_ZFont_MeasureLine)->Unit(benchmark::kMicrosecond);

void BM_SDLttf_SizeUTF8(benchmark::State& state) {
  TTF_Font* font = sdlFont();
  if (!font) return state.SkipWithError("SDL2_ttf can't open DejaVu Sans");
  int width = 0, height = 0;
  for (auto _ : state) {
    TTF_SizeUTF8(font, paragraph().c_str(), &width, &height);
    benchmark::DoNotOptimize(width);
  }
  state.counters["width"] = width;
  setCharacterRate(state);
}
BENCHMARK(BM_SDLttf_SizeUTF8)->Unit(benchmark::kMicrosecond);

// [SECTION] Wrapped in the box

void BM_ZFont_LayoutInBox(benchmark::State& state) {
  ZFont* font = zfontFixture().font.get();
  if (!font) return state.SkipWithError("DejaVu Sans not installed");
  CGSize size{};
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(size = sizeWithZFont(paragraph(), font, CGSizeMake(kBoxWidth, FLT_MAX)));
  }
  state.counters["allocs"] = double(bench::allocationCount() - before) / double(state.iterations());
  state.counters["lines"] = size.height / font->leading();
  if (!(size.width <= kBoxWidth && size.height > 100 * font->leading())) state.SkipWithError("wrong layout");
  setCharacterRate(state);
}
BENCHMARK(BM_ZFont_LayoutInBox)->Unit(benchmark::kMicrosecond);

// [SECTION] Drawn wrapped in the box

void BM_ZFont_DrawInBox(benchmark::State& state) {
  ZFont* font = zfontFixture().font.get();
  if (!font) return state.SkipWithError("DejaVu Sans not installed");
  const CGSize size = sizeWithZFont(paragraph(), font, CGSizeMake(kBoxWidth, FLT_MAX));
  const int width = int(kBoxWidth), height = int(size.height);
  std::vector<uint8_t> pixels(std::size_t(width) * height);
  platform::AutoreleasePool pool;
  platform::Ref<platform::Canvas> canvas =
      platform::Canvas::canvasWithBuffer(pixels.data(), width, height, width, platform::CanvasLayout::Alpha8);
  canvas->translate(0, float(height));
  canvas->scale(1, -1);
  const std::size_t before = bench::allocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(drawInRect(canvas.get(), paragraph(), CGRectMake(0, 0, kBoxWidth, size.height), font));
  }
  state.counters["allocs"] = double(bench::allocationCount() - before) / double(state.iterations());
  std::size_t ink = 0;
  for (uint8_t p : pixels) ink += p != 0;
  if (ink < pixels.size() / 50) state.SkipWithError("too little ink drawn");
  setCharacterRate(state);
}
BENCHMARK(BM_ZFont_DrawInBox)->Unit(benchmark::kMillisecond);

void BM_SDLttf_RenderBlendedWrapped(benchmark::State& state) {
  TTF_Font* font = sdlFont();
  if (!font) return state.SkipWithError("SDL2_ttf can't open DejaVu Sans");
  int height = 0;
  for (auto _ : state) {
    SDL_Surface* surface =
        TTF_RenderUTF8_Blended_Wrapped(font, paragraph().c_str(), SDL_Color{255, 255, 255, 255}, Uint32(kBoxWidth));
    if (!surface) return state.SkipWithError("rendering failed");
    height = surface->h;
    SDL_FreeSurface(surface);
  }
  state.counters["lines"] = double(height) / TTF_FontLineSkip(font);
  setCharacterRate(state);
}
BENCHMARK(BM_SDLttf_RenderBlendedWrapped)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
