#pragma once
// RadarReadouts: what makes the radar screen's text readouts change.
//
// The screen shows eleven readouts: two columns of three six-digit numbers
// that flicker, a Latin word, a YES/NO answer, an instruction pair (an action
// and a direction) and a "ghost" word taken from a fixed list. The screen's
// layer owns one RadarReadouts, points its label fields at its own labels and
// forwards its two scheduled callbacks here: tick() every frame and logic()
// every ten seconds.
//
// Every random test and choice takes a fresh platform::arc4random() value r
// and works on it as uint32_t (r % n, or r & 3 to index a four-entry table).
// The draws happen in a fixed order whatever the labels are, so a scripted
// random source replays a frame exactly.
//
// Cost: tick() draws four values per frame and allocates only when a label
// changes; logic() draws one value, or four when the words change.

#include "tessera/CCProtocols.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RadarReadouts {
 public:
  using WordTable = std::array<std::string_view, 4>;

  /// Seconds between tick() calls: 0, every frame.
  static constexpr float kTickInterval = 0.0f;
  /// Seconds between logic() calls.
  static constexpr float kLogicInterval = 10.0f;

  /// A number column refreshes when r % 20 is 0 (three times a second at 60 fps).
  static constexpr std::uint32_t kColumnOdds = 20;
  /// The Latin word and the answer each change when r % 500 is 0.
  static constexpr std::uint32_t kWordOdds = 500;
  /// logic() changes its words when r % 3 is 0 (once in 30 s on average).
  static constexpr std::uint32_t kGhostOdds = 3;
  /// The ghost word is picked among the first 52 words only: the last four of
  /// the list are kept in it but never shown.
  static constexpr std::uint32_t kShownGhostWords = 52;
  /// A reading is kReadingBase + r % kReadingSpan: 111111 to 999998.
  static constexpr std::uint32_t kReadingBase = 111111;
  static constexpr std::uint32_t kReadingSpan = 888888;

  /// The ghost word list, in order.
  static constexpr std::array<std::string_view, 56> kGhostWords{
      "Michael",  "David",    "Daniel",    "Joseph",   "Jacob",    "Jack",      "Ben",
      "Sam",      "James",    "quiet",     "step",     "ground",   "innocence", "tonight",
      "death",    "instinct", "follow",    "nothing",  "burning",  "kill",      "Patricia",
      "electric", "Sarah",    "Leah",      "Linda",    "waves",    "Rachel",    "Mary",
      "Barbara",  "Elizabeth", "Jennifer", "Maria",    "adult",    "airforce",  "airplane",
      "airport",  "album",    "apple",     "arm",      "army",     "backpack",  "banana",
      "bathroom", "bathtub",  "bed",       "bible",    "book",     "bottle",    "boy",
      "brain",    "car",      "cave",      "child",    "church",   "clown",     "dress"};
  static_assert(kShownGhostWords <= kGhostWords.size());

  /// Choice tables, indexed by r & 3.
  static constexpr WordTable kLatinWords{"equum", "bellum", "terram", "ignis"};
  static constexpr WordTable kAnswers{"YES", "YES", "NO", "NO"};
  static constexpr WordTable kActions{"LOOK", "LISTEN", "TOUCH", "MOVE"};
  static constexpr WordTable kDirections{"UP", "DOWN", "LEFT", "RIGHT"};

  /// Fills ghostwords; every label field starts null.
  RadarReadouts();

  /// Replaces ghostwords with the 56 words of kGhostWords, in order. Calling
  /// it again (a re-run initialiser) leaves the same 56 words.
  void buildGhostWords();

  /// The per-frame flicker, four independent steps, each drawing r:
  /// r % 20 == 0 sets TL1, TL2, TL3 to fresh readings (one draw each);
  /// r % 20 == 0 does the same for ML1, ML2, ML3;
  /// r % 500 == 0 draws again and sets MR1 from kLatinWords;
  /// r % 500 == 0 draws again and sets LR1 from kAnswers.
  /// `dt` is not used.
  void tick(float dt);
  /// The ten-second update: draws r and stops unless r % 3 == 0; then draws
  /// and sets ghost to ghostwords[r % 52], draws and sets Tword1 from
  /// kActions, draws and sets Tword2 from kDirections. When ghostwords is
  /// shorter than the index, ghost keeps its text (the draw still happens).
  /// `dt` is not used.
  void logic(float dt);

  /// The six-digit text for r: 111111 + r % 888888 in plain decimal.
  static std::string reading(std::uint32_t r);
  /// The ghostwords index picked by r: r % 52.
  static std::size_t ghostIndex(std::uint32_t r) { return r % kShownGhostWords; }
  /// The entry of a choice table picked by r: table[r & 3].
  static std::string_view choice(const WordTable& table, std::uint32_t r) { return table[r & 3u]; }

  // The readouts. Not owned: the layer owns its labels as children. A null
  // field is skipped (its random values are still drawn). Initial texts are
  // the layer's: "999999", "888888", "777777" for each column, "" otherwise.
  CCLabelProtocol* TL1 = nullptr;  ///< top-left column, top to bottom
  CCLabelProtocol* TL2 = nullptr;
  CCLabelProtocol* TL3 = nullptr;
  CCLabelProtocol* ML1 = nullptr;  ///< middle-left column, top to bottom
  CCLabelProtocol* ML2 = nullptr;
  CCLabelProtocol* ML3 = nullptr;
  CCLabelProtocol* MR1 = nullptr;     ///< the Latin word
  CCLabelProtocol* LR1 = nullptr;     ///< the YES/NO answer
  CCLabelProtocol* Tword1 = nullptr;  ///< the action
  CCLabelProtocol* Tword2 = nullptr;  ///< the direction
  CCLabelProtocol* ghost = nullptr;   ///< the ghost word (red font)

  /// The ghost word list. Default: the 56 words of kGhostWords.
  std::vector<std::string> ghostwords;
};
