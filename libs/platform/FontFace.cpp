#include "platform/FontFace.h"

#include "platform/Log.h"
#include "platform/Ref.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H
#ifdef __EMSCRIPTEN__
#include FT_SFNT_NAMES_H
#include <filesystem>
// The web has no fontconfig: the fonts are the files the page bundles under
// /usr/share/fonts. fontconfig's weight, slant and width scales are kept for
// scoring.
#define FC_WEIGHT_REGULAR 80
#define FC_WEIGHT_BOLD 200
#define FC_SLANT_ROMAN 0
#define FC_SLANT_ITALIC 100
#define FC_WIDTH_NORMAL 100
#else
#include <fontconfig/fontconfig.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

// [SECTION] FreeType library and lock
// [SECTION] Installed fonts (fontconfig catalogue, exact names, aliases)
// [SECTION] Creation
// [SECTION] Tables, advances, glyphs
// [SECTION] Rendering

namespace platform {

namespace {

// [SECTION] FreeType library and lock

// FreeType objects are not thread-safe; every call goes through this lock.
std::mutex& freetypeLock() {
  static std::mutex lock;
  return lock;
}

// The library lives for the whole process (faces may outlive any owner).
// Expects the lock to be held.
FT_Library library() {
  static FT_Library instance = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) CCLOG("tessera: FontFace: FreeType cannot start");
    return made;
  }();
  return instance;
}

// [SECTION] Installed fonts (fontconfig catalogue, exact names, aliases)

struct InstalledFace {
  std::vector<std::string> families;  // every family name, e.g. "DejaVu Sans", "DejaVu Sans Condensed"
  std::vector<std::string> fullNames;
  std::string postScriptName;
  std::string file;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  int width = FC_WIDTH_NORMAL;
};

#ifdef __EMSCRIPTEN__
constexpr const char* kBundledFontFolder = "/usr/share/fonts";

// Every face of the bundled font files, named from the fonts themselves.
const std::vector<InstalledFace>& installedFaces() {
  static const std::vector<InstalledFace> faces = [] {
    std::vector<InstalledFace> list;
    std::error_code error;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kBundledFontFolder, error)) {
      const std::string extension = entry.path().extension().string();
      if (extension == ".ttf" || extension == ".otf" || extension == ".ttc") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::lock_guard guard(freetypeLock());
    for (const std::string& file : files) {
      FT_Long count = 1;
      for (FT_Long index = 0; index < count && library(); ++index) {
        FT_Face face = nullptr;
        if (FT_New_Face(library(), file.c_str(), index, &face) != 0) break;
        count = face->num_faces;
        InstalledFace installed;
        installed.file = file;
        installed.index = static_cast<int>(index);
        const std::string family = face->family_name ? face->family_name : "";
        const std::string style = face->style_name ? face->style_name : "";
        if (!family.empty()) installed.families.push_back(family);
        installed.fullNames.push_back(style.empty() || style == "Regular" ? family : family + " " + style);
        if (const char* postScript = FT_Get_Postscript_Name(face)) installed.postScriptName = postScript;
        installed.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
        installed.slant = (face->style_flags & FT_STYLE_FLAG_ITALIC) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN;
        FT_Done_Face(face);
        if (!installed.families.empty()) list.push_back(std::move(installed));
      }
    }
    return list;
  }();
  return faces;
}
#else
std::vector<std::string> patternStrings(FcPattern* pattern, const char* object) {
  std::vector<std::string> values;
  FcChar8* value = nullptr;
  for (int n = 0; FcPatternGetString(pattern, object, n, &value) == FcResultMatch; ++n) {
    values.emplace_back(reinterpret_cast<const char*>(value));
  }
  return values;
}

int patternInteger(FcPattern* pattern, const char* object, int fallback) {
  int value = fallback;
  return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// Starts fontconfig once. Its configuration is released at exit, so leak
// checkers see only the program's own memory.
bool fontconfigStarted() {
  static const bool started = [] {
    if (!FcInit()) {
      CCLOG("tessera: FontFace: fontconfig cannot start; no system fonts");
      return false;
    }
    std::atexit(FcFini);
    return true;
  }();
  return started;
}

const std::vector<InstalledFace>& installedFaces() {
  static const std::vector<InstalledFace> faces = [] {
    std::vector<InstalledFace> list;
    if (!fontconfigStarted()) return list;
    FcPattern* any = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FULLNAME, FC_POSTSCRIPT_NAME, FC_FILE, FC_INDEX,
                                            FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_SCALABLE, nullptr);
    FcFontSet* set = FcFontList(nullptr, any, objects);
    for (int i = 0; set && i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      FcBool scalable = FcFalse;
      if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
      InstalledFace face;
      face.families = patternStrings(font, FC_FAMILY);
      face.fullNames = patternStrings(font, FC_FULLNAME);
      auto postScript = patternStrings(font, FC_POSTSCRIPT_NAME);
      if (!postScript.empty()) face.postScriptName = postScript.front();
      auto files = patternStrings(font, FC_FILE);
      if (files.empty()) continue;
      face.file = files.front();
      face.index = patternInteger(font, FC_INDEX, 0);
      face.weight = patternInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR);
      face.slant = patternInteger(font, FC_SLANT, FC_SLANT_ROMAN);
      face.width = patternInteger(font, FC_WIDTH, FC_WIDTH_NORMAL);
      list.push_back(std::move(face));
    }
    // fontconfig lists in no fixed order; sort so lookups are reproducible.
    std::sort(list.begin(), list.end(), [](const InstalledFace& x, const InstalledFace& y) {
      return std::tie(x.file, x.index) < std::tie(y.file, y.index);
    });
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(any);
    return list;
  }();
  return faces;
}
#endif

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool anyEqual(const std::vector<std::string>& names, std::string_view name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return equalIgnoringCase(n, name); });
}

// The installed face named exactly `name`: a PostScript or full name picks
// that face; a family picks its member closest to regular, upright, normal
// width.
const InstalledFace* findInstalled(std::string_view name) {
  const auto& faces = installedFaces();
  for (const auto& face : faces) {
    if (equalIgnoringCase(face.postScriptName, name) || anyEqual(face.fullNames, name)) return &face;
  }
  const InstalledFace* best = nullptr;
  int bestScore = 0;
  for (const auto& face : faces) {
    if (!anyEqual(face.families, name)) continue;
    int score = std::abs(face.weight - FC_WEIGHT_REGULAR) + 2 * std::abs(face.width - FC_WIDTH_NORMAL) +
                (face.slant != FC_SLANT_ROMAN ? 1000 : 0);
    if (!best || score < bestScore) {
      best = &face;
      bestScore = score;
    }
  }
  return best;
}

// Names the handheld platform's programs ask for, and installed faces that
// stand in for them, in order of preference.
struct Alias {
  const char* name;
  std::initializer_list<const char*> targets;
};

const Alias kAliases[] = {
    {"Helvetica", {"Liberation Sans", "DejaVu Sans"}},
    {"Helvetica-Bold", {"Liberation Sans Bold", "DejaVu Sans Bold"}},
    {"Helvetica Neue", {"Liberation Sans", "DejaVu Sans"}},
    {"HelveticaNeue-Bold", {"Liberation Sans Bold", "DejaVu Sans Bold"}},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"ArialMT", {"Liberation Sans", "DejaVu Sans"}},
    {"Arial-BoldMT", {"Liberation Sans Bold", "DejaVu Sans Bold"}},
    {"Courier", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Courier-Bold", {"Liberation Mono Bold", "DejaVu Sans Mono Bold"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"CourierNewPSMT", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"TimesNewRomanPSMT", {"Liberation Serif", "DejaVu Serif"}},
    {"Times", {"Liberation Serif", "DejaVu Serif"}},
    {"Georgia", {"DejaVu Serif", "Liberation Serif"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Trebuchet MS", {"DejaVu Sans", "Liberation Sans"}},
    {"Marker Felt", {"DejaVu Sans", "Liberation Sans"}},
    {"MarkerFelt-Thin", {"DejaVu Sans", "Liberation Sans"}},
    {"MarkerFelt-Wide", {"DejaVu Sans Bold", "Liberation Sans Bold"}},
};

const InstalledFace* findInstalledOrAlias(std::string_view name) {
  if (const InstalledFace* face = findInstalled(name)) return face;
  for (const Alias& alias : kAliases) {
    if (!equalIgnoringCase(alias.name, name)) continue;
    for (const char* target : alias.targets) {
      if (const InstalledFace* face = findInstalled(target)) return face;
    }
  }
  return nullptr;
}

// Faces found by name are made once per file and face number and kept for
// the whole process, so equal names give the same object.
FontFace* sharedFace(const std::string& file, int index) {
  static std::mutex lock;
  static auto* faces = new std::map<std::pair<std::string, int>, Ref<FontFace>>();
  std::lock_guard guard(lock);
  auto key = std::make_pair(file, index);
  if (auto found = faces->find(key); found != faces->end()) return found->second.get();
  auto* face = new FontFace();
  if (!face->initWithContentsOfFile(file, index)) {
    face->release();
    return nullptr;
  }
  (*faces)[key] = Ref<FontFace>::adopt(face);
  return face;
}

}  // namespace

// [SECTION] Creation

FontFace* FontFace::fontFaceWithContentsOfFile(const std::string& path, int index) {
  return createAutoreleased<FontFace>([&](FontFace& face) { return face.initWithContentsOfFile(path, index); });
}

FontFace* FontFace::fontFaceWithData(std::vector<uint8_t> bytes) {
  return createAutoreleased<FontFace>([&](FontFace& face) { return face.initWithData(std::move(bytes)); });
}

FontFace* FontFace::fontFaceWithName(std::string_view name) {
  const InstalledFace* installed = findInstalledOrAlias(name);
  return installed ? sharedFace(installed->file, installed->index) : nullptr;
}

FontFace* FontFace::systemFontFace() {
  static const std::pair<std::string, int> chosen = [] {
    std::pair<std::string, int> result;
#ifdef __EMSCRIPTEN__
    // The bundled sans-serif face, else the first bundled face.
    for (const InstalledFace& face : installedFaces()) {
      if (result.first.empty() || (!face.families.empty() && face.families.front() == "DejaVu Sans" &&
                                   face.weight == FC_WEIGHT_REGULAR && face.slant == FC_SLANT_ROMAN)) {
        result = {face.file, face.index};
      }
    }
    return result;
#else
    if (!fontconfigStarted()) return result;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &status)) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        result = {reinterpret_cast<const char*>(file), patternInteger(match, FC_INDEX, 0)};
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return result;
#endif
  }();
  if (chosen.first.empty()) {
    CCLOG("tessera: FontFace: no system font is installed");
    return nullptr;
  }
  return sharedFace(chosen.first, chosen.second);
}

bool FontFace::initWithContentsOfFile(const std::string& path, int index) {
  std::lock_guard guard(freetypeLock());
  if (!library()) return false;
  FT_Face face = nullptr;
  if (index < 0 || FT_New_Face(library(), path.c_str(), index, &face) != 0) {
    CCLOG("tessera: FontFace: \"%s\" (face %d) is not a readable font", path.c_str(), index);
    return false;
  }
  path_ = path;
  return adoptFace(face, path.c_str());
}

bool FontFace::initWithData(std::vector<uint8_t> bytes) {
  std::lock_guard guard(freetypeLock());
  if (!library()) return false;
  data_ = std::move(bytes);
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library(), data_.data(), static_cast<FT_Long>(data_.size()), 0, &face) != 0) {
    CCLOG("tessera: FontFace: %zu bytes of data are not a font", data_.size());
    data_.clear();
    return false;
  }
  return adoptFace(face, "font data");
}

// Expects the lock to be held.
bool FontFace::adoptFace(FT_Face face, const char* origin) {
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    CCLOG("tessera: FontFace: %s is not a scalable font", origin);
    FT_Done_Face(face);
    return false;
  }
  face_ = face;
  if (const char* name = FT_Get_Postscript_Name(face)) postScriptName_ = name;
  if (face->family_name) familyName_ = face->family_name;
  unitsPerEm_ = face->units_per_EM;
  glyphCount_ = static_cast<int>(face->num_glyphs);
  ascent_ = face->ascender;
  descent_ = face->descender;
  lineGap_ = face->height - face->ascender + face->descender;
  if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA))) {
    ascent_ = hhea->Ascender;
    descent_ = hhea->Descender;
    lineGap_ = hhea->Line_Gap;
  }
  // The top of a glyph's outline, in font units; 0 when the font lacks it.
  auto glyphTop = [face](FT_ULong character) -> int {
    FT_UInt glyph = FT_Get_Char_Index(face, character);
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) != 0) return 0;
    return static_cast<int>(face->glyph->metrics.horiBearingY);
  };
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version >= 2 && os2->version != 0xFFFF) {
    xHeight_ = os2->sxHeight;
    capHeight_ = os2->sCapHeight;
  } else {
    xHeight_ = glyphTop('x');
    capHeight_ = glyphTop('H');
  }
  return true;
}

FontFace::~FontFace() {
  if (face_) {
    std::lock_guard guard(freetypeLock());
    FT_Done_Face(face_);
  }
}

// [SECTION] Tables, advances, glyphs

std::optional<std::vector<uint8_t>> FontFace::copyTable(uint32_t tag) const {
  std::lock_guard guard(freetypeLock());
  FT_ULong length = 0;
  if (!FT_IS_SFNT(face_) || FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) != 0) return std::nullopt;
  std::vector<uint8_t> table(length);
  if (length > 0 && FT_Load_Sfnt_Table(face_, tag, 0, table.data(), &length) != 0) return std::nullopt;
  return table;
}

bool FontFace::glyphAdvances(std::span<const uint16_t> glyphs, std::span<int> advances) const {
  std::lock_guard guard(freetypeLock());
  bool complete = true;
  std::size_t count = std::min(glyphs.size(), advances.size());
  for (std::size_t i = 0; i < count; ++i) {
    FT_Fixed advance = 0;
    if (glyphs[i] >= glyphCount_ || FT_Get_Advances(face_, glyphs[i], 1, FT_LOAD_NO_SCALE, &advance) != 0) {
      advances[i] = 0;
      complete = false;
      continue;
    }
    advances[i] = static_cast<int>(advance);
  }
  return complete && glyphs.size() == advances.size();
}

uint16_t FontFace::glyphForCodePoint(char32_t codePoint) const {
  std::lock_guard guard(freetypeLock());
  FT_UInt glyph = FT_Get_Char_Index(face_, codePoint);
  return glyph <= 0xFFFF ? static_cast<uint16_t>(glyph) : 0;
}

// [SECTION] Rendering

bool FontFace::renderGlyph(uint16_t glyph, float size, const CGAffineTransform& matrix, CGPoint penFraction,
                           GlyphCoverage& out) const {
  out = GlyphCoverage{};
  float extent = size * std::max(std::fabs(matrix.a) + std::fabs(matrix.c), std::fabs(matrix.b) + std::fabs(matrix.d));
  if (glyph >= glyphCount_ || !(size >= 1.0f / 64) || !(extent <= 4096)) return false;
  std::lock_guard guard(freetypeLock());
  if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(size * 64)), 72, 72) != 0) return false;
  FT_Matrix transform;
  transform.xx = static_cast<FT_Fixed>(std::lround(matrix.a * 65536.0));
  transform.xy = static_cast<FT_Fixed>(std::lround(matrix.c * 65536.0));
  transform.yx = static_cast<FT_Fixed>(std::lround(matrix.b * 65536.0));
  transform.yy = static_cast<FT_Fixed>(std::lround(matrix.d * 65536.0));
  FT_Vector delta{static_cast<FT_Pos>(std::lround(penFraction.x * 64)),
                  static_cast<FT_Pos>(std::lround(penFraction.y * 64))};
  FT_Set_Transform(face_, &transform, &delta);
  FT_Error error = FT_Load_Glyph(face_, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER);
  FT_Set_Transform(face_, nullptr, nullptr);
  if (error != 0) return false;
  const FT_Bitmap& bitmap = face_->glyph->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return bitmap.rows == 0 || bitmap.width == 0;
  out.left = face_->glyph->bitmap_left;
  out.top = face_->glyph->bitmap_top;
  out.width = static_cast<int>(bitmap.width);
  out.rows = static_cast<int>(bitmap.rows);
  out.coverage.resize(std::size_t(out.width) * out.rows);
  int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
  for (int row = 0; row < out.rows; ++row) {
    const unsigned char* source =
        bitmap.pitch >= 0 ? bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch
                          : bitmap.buffer + std::ptrdiff_t(out.rows - 1 - row) * -bitmap.pitch;
    uint8_t* target = out.coverage.data() + std::size_t(row) * out.width;
    for (int x = 0; x < out.width; ++x) {
      target[x] = levels == 255 ? source[x] : static_cast<uint8_t>(source[x] * 255 / levels);
    }
  }
  return true;
}

}  // namespace platform
