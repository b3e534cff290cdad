#include "RadarReadouts.h"

#include "platform/Random.h"

namespace {

void show(CCLabelProtocol* label, std::string_view text) {
  if (label) label->setString(std::string(text));
}

// One draw per label, top to bottom; a missing label still uses its draw.
void refreshColumn(CCLabelProtocol* top, CCLabelProtocol* middle, CCLabelProtocol* bottom) {
  for (CCLabelProtocol* label : {top, middle, bottom}) {
    const std::string text = RadarReadouts::reading(platform::arc4random());
    show(label, text);
  }
}

}  // namespace

RadarReadouts::RadarReadouts() { buildGhostWords(); }

void RadarReadouts::buildGhostWords() {
  ghostwords.assign(kGhostWords.begin(), kGhostWords.end());
}

std::string RadarReadouts::reading(std::uint32_t r) {
  return std::to_string(kReadingBase + r % kReadingSpan);
}

void RadarReadouts::tick(float) {
  if (platform::arc4random() % kColumnOdds == 0) refreshColumn(TL1, TL2, TL3);
  if (platform::arc4random() % kColumnOdds == 0) refreshColumn(ML1, ML2, ML3);
  if (platform::arc4random() % kWordOdds == 0) show(MR1, choice(kLatinWords, platform::arc4random()));
  if (platform::arc4random() % kWordOdds == 0) show(LR1, choice(kAnswers, platform::arc4random()));
}

void RadarReadouts::logic(float) {
  if (platform::arc4random() % kGhostOdds != 0) return;
  // A list emptied or cut short by its owner must not be read out of bounds:
  // the ghost word then stays as it is, and the draws keep their order.
  const std::size_t index = ghostIndex(platform::arc4random());
  if (index < ghostwords.size()) show(ghost, ghostwords[index]);
  show(Tword1, choice(kActions, platform::arc4random()));
  show(Tword2, choice(kDirections, platform::arc4random()));
}
