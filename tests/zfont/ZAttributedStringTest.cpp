#include "zfont/ZAttributedString.h"

#include "platform/Exception.h"
#include "platform/Ref.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using platform::Ref;
using platform::Value;
using Dict = Value::Dict;
using testing_support::AssertionRecorder;
using testing_support::LogCapture;

namespace {

// [SECTION] An independent model: the text and one dictionary per character.

struct Model {
  std::u16string text;
  std::vector<Dict> perChar;

  void replace(NSRange r, const std::u16string& t, const std::vector<Dict>& attrs) {
    text.replace(r.location, r.length, t);
    perChar.erase(perChar.begin() + r.location, perChar.begin() + r.location + r.length);
    perChar.insert(perChar.begin() + r.location, attrs.begin(), attrs.end());
  }
};

Ref<ZMutableAttributedString> makeMutable(const std::u16string& text, const Dict* attrs = nullptr) {
  return ZMutableAttributedString::attributedStringWithString(text, attrs);
}

// Checks the run invariants and that the runs are exactly the model's
// characters grouped by equal dictionaries.
void expectMatchesModel(const ZAttributedString* s, const Model& model) {
  ASSERT_EQ(s->string(), model.text);
  const auto& runs = s->attributes();
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs[0]->index(), 0u);
  if (model.text.empty()) {
    EXPECT_EQ(runs.size(), 1u);
    return;
  }
  std::vector<std::pair<uint32_t, Dict>> expected;
  for (uint32_t i = 0; i < model.perChar.size(); ++i) {
    if (expected.empty() || !(expected.back().second == model.perChar[i])) {
      expected.emplace_back(i, model.perChar[i]);
    }
  }
  ASSERT_EQ(runs.size(), expected.size());
  for (std::size_t k = 0; k < runs.size(); ++k) {
    EXPECT_EQ(runs[k]->index(), expected[k].first) << "run " << k;
    EXPECT_TRUE(runs[k]->attributes() == expected[k].second) << "run " << k;
    if (k > 0) {
      EXPECT_GT(runs[k]->index(), runs[k - 1]->index());
      EXPECT_FALSE(runs[k]->attributes() == runs[k - 1]->attributes());
    }
  }
}

Dict dictA() { return Dict{{"a", Value(1)}}; }
Dict dictB() { return Dict{{"b", Value("x")}}; }

}  // namespace

// [SECTION] Edits against the model

TEST(ZAttributedStringEdit, SetOverlappingRangesSplitsAndMerges) {
  Dict a = dictA();
  auto s = makeMutable(u"hello");
  s->setAttributes(a, NSMakeRange(2, 3));
  ASSERT_EQ(s->attributes().size(), 2u);
  EXPECT_EQ(s->attributes()[0]->index(), 0u);
  EXPECT_TRUE(s->attributes()[0]->attributes().empty());
  EXPECT_EQ(s->attributes()[1]->index(), 2u);
  EXPECT_TRUE(s->attributes()[1]->attributes() == a);

  s->setAttributes(a, NSMakeRange(0, 2));
  ASSERT_EQ(s->attributes().size(), 1u);
  EXPECT_TRUE(s->attributes()[0]->attributes() == a);
}

TEST(ZAttributedStringEdit, DeletingAWholeRunJoinsEqualNeighbours) {
  Dict a = dictA();
  auto s = makeMutable(u"aaBBcc", &a);
  s->setAttributes(dictB(), NSMakeRange(2, 2));
  ASSERT_EQ(s->attributes().size(), 3u);
  s->deleteCharactersInRange(NSMakeRange(2, 2));
  EXPECT_EQ(s->string(), u"aacc");
  ASSERT_EQ(s->attributes().size(), 1u);
  EXPECT_TRUE(s->attributes()[0]->attributes() == a);
}

TEST(ZAttributedStringEdit, InsertingThisStringIntoItselfUsesItsOldContents) {
  auto s = makeMutable(u"ab");
  s->setAttributes(dictA(), NSMakeRange(1, 1));
  s->insertAttributedString(s.get(), 1);
  Model m{u"aabb", {{}, {}, dictA(), dictA()}};
  expectMatchesModel(s.get(), m);
  s->appendAttributedString(s.get());
  Model before = m;
  m.replace(NSMakeRange(4, 0), before.text, before.perChar);
  expectMatchesModel(s.get(), m);
}

TEST(ZAttributedStringEdit, EmptyingAndRefillingKeepsOneRunAtZero) {
  Dict a = dictA();
  auto s = makeMutable(u"abc", &a);
  s->deleteCharactersInRange(NSMakeRange(0, 3));
  ASSERT_EQ(s->attributes().size(), 1u);
  EXPECT_EQ(s->attributes()[0]->index(), 0u);
  EXPECT_EQ(s->length(), 0u);
  EXPECT_THROW(s->attributesAtIndex(0), platform::Exception);

  Ref<ZAttributedString> b = ZAttributedString::attributedStringWithString(u"xy", &a);
  s->appendAttributedString(b);
  expectMatchesModel(s.get(), Model{u"xy", {a, a}});
  s->replaceCharactersInRange(NSMakeRange(0, 2), u"");
  expectMatchesModel(s.get(), Model{u"", {}});
}

TEST(ZAttributedStringEdit, IndicesCountUtf16Units) {
  auto s = makeMutable(u"a\U0001F600b");
  EXPECT_EQ(s->length(), 4u);
  s->addAttribute("a", Value(1), NSMakeRange(1, 2));
  NSRange range;
  s->attributesAtIndex(2, &range);
  EXPECT_EQ(range, NSMakeRange(1, 2));
  EXPECT_EQ(s->attributedSubstringFromRange(NSMakeRange(1, 2))->string(), u"\U0001F600");
}

TEST(ZAttributedStringEdit, RandomEditSequenceMatchesModel) {
  std::mt19937 rng(20261208);
  auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  auto randomDict = [&]() {
    Dict d;
    if (pick(2)) d.set("a", Value(static_cast<int>(pick(3))));
    if (pick(3) == 0) d.set("b", Value(pick(2) ? "x" : "y"));
    return d;
  };
  auto randomRange = [&](uint32_t length) {
    uint32_t location = pick(length + 1);
    return NSMakeRange(location, pick(length - location + 1));
  };
  auto randomText = [&]() {
    std::u16string t(pick(5), u'?');
    for (auto& c : t) c = static_cast<char16_t>(u'a' + pick(26));
    return t;
  };

  Model m{u"seed text", std::vector<Dict>(9)};
  auto s = makeMutable(m.text);
  for (int step = 0; step < 4000; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    NSRange r = randomRange(static_cast<uint32_t>(m.text.size()));
    switch (pick(7)) {
      case 0: {
        Dict d = randomDict();
        s->setAttributes(d, r);
        for (uint32_t i = r.location; i < NSMaxRange(r); ++i) m.perChar[i] = d;
        break;
      }
      case 1: {
        Dict d = randomDict();
        s->addAttributes(d, r);
        for (uint32_t i = r.location; i < NSMaxRange(r); ++i) {
          for (const auto& e : d) m.perChar[i].set(e.key, e.value);
        }
        break;
      }
      case 2:
        s->removeAttribute("a", r);
        for (uint32_t i = r.location; i < NSMaxRange(r); ++i) m.perChar[i].erase("a");
        break;
      case 3:
        s->deleteCharactersInRange(r);
        m.replace(r, u"", {});
        break;
      case 4: {
        std::u16string t = randomText();
        s->replaceCharactersInRange(r, t);
        m.replace(r, t, std::vector<Dict>(t.size()));
        break;
      }
      default: {
        // An attributed insert of up to three runs of its own.
        Model piece;
        auto inserted = makeMutable(u"");
        for (uint32_t k = pick(4); k > 0; --k) {
          std::u16string t = randomText();
          Dict d = randomDict();
          inserted->appendAttributedString(ZAttributedString::attributedStringWithString(t, &d));
          piece.replace(NSMakeRange(static_cast<uint32_t>(piece.text.size()), 0), t,
                        std::vector<Dict>(t.size(), d));
        }
        s->replaceCharactersInRange(r, inserted.get());
        m.replace(r, piece.text, piece.perChar);
        break;
      }
    }
    expectMatchesModel(s.get(), m);
    if (HasFatalFailure() || HasFailure()) return;
    if (m.text.size() > 200) {
      s->deleteCharactersInRange(NSMakeRange(0, 150));
      m.replace(NSMakeRange(0, 150), u"", {});
    }
  }
}

// [SECTION] Queries

TEST(ZAttributedStringQuery, OutOfRangeIndicesRaiseRangeExceptions) {
  auto s = makeMutable(u"abc");
  auto reason = [](auto&& call) {
    try {
      call();
    } catch (const platform::Exception& e) {
      EXPECT_EQ(e.name(), platform::kRangeException);
      return e.reason();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(reason([&] { s->attributesAtIndex(3); }), "index beyond range of attributed string");
  EXPECT_EQ(reason([&] { s->attribute("a", 7); }), "index beyond range of attributed string");
  NSRange r;
  EXPECT_EQ(reason([&] { s->attributesAtIndex(1, &r, NSMakeRange(1, 3)); }),
            "rangeLimit beyond range of attributed string");
  // A limit whose end wraps round 32 bits is still beyond the text.
  EXPECT_EQ(reason([&] { s->attribute("a", 1, &r, NSMakeRange(2, 0xFFFFFFFFu)); }),
            "rangeLimit beyond range of attributed string");
  EXPECT_EQ(reason([&] { s->attributedSubstringFromRange(NSMakeRange(2, 2)); }),
            "range was outisde of the attributed string");
}

TEST(ZAttributedStringQuery, LongestEffectiveRangeSpansRunsWithEqualValue) {
  // Three runs differing in "b" but with an equal "a" (1 and 1.0 are equal).
  auto s = makeMutable(u"0123456789");
  s->setAttributes(Dict{{"a", Value(1)}}, NSMakeRange(0, 3));
  s->setAttributes(Dict{{"a", Value(1.0)}, {"b", Value("x")}}, NSMakeRange(3, 3));
  s->setAttributes(Dict{{"a", Value(1)}, {"b", Value("y")}}, NSMakeRange(6, 2));
  ASSERT_EQ(s->attributes().size(), 4u);

  NSRange r;
  EXPECT_EQ(s->attribute("a", 4, &r, NSMakeRange(0, 10)), Value(1));
  EXPECT_EQ(r, NSMakeRange(0, 8));
  // The limit starts and ends inside the outer runs: the result is clipped.
  s->attribute("a", 4, &r, NSMakeRange(1, 6));
  EXPECT_EQ(r, NSMakeRange(1, 6));
  // Without a name only the run holding the index counts.
  s->attributesAtIndex(4, &r, NSMakeRange(1, 6));
  EXPECT_EQ(r, NSMakeRange(3, 3));
  // An absent attribute: the runs without it.
  EXPECT_TRUE(s->attribute("a", 9, &r, NSMakeRange(0, 10)).isNull());
  EXPECT_EQ(r, NSMakeRange(8, 2));
}

TEST(ZAttributedStringQuery, SubstringKeepsAttributesOfItsPart) {
  auto s = makeMutable(u"abcdef");
  s->setAttributes(dictA(), NSMakeRange(2, 2));
  EXPECT_TRUE(s->attributedSubstringFromRange(NSMakeRange(0, 6))->isEqual(s.get()));
  ZAttributedString* part = s->attributedSubstringFromRange(NSMakeRange(3, 2));
  expectMatchesModel(part, Model{u"de", {dictA(), {}}});
  EXPECT_EQ(s->attributedSubstringFromRange(NSMakeRange(6, 0))->length(), 0u);
}

TEST(ZAttributedStringQuery, EqualityComparesTextAndRuns) {
  auto a = makeMutable(u"abc");
  auto b = makeMutable(u"abc");
  EXPECT_TRUE(a->isEqual(b.get()));
  b->addAttribute("a", Value(1), NSMakeRange(1, 1));
  EXPECT_FALSE(a->isEqual(b.get()));
  a->addAttribute("a", Value(1), NSMakeRange(1, 1));
  EXPECT_TRUE(a->isEqualToAttributedString(b.get()));
  Ref<ZAttributeRun> run = ZAttributeRun::attributeRunWithIndex(0, nullptr);
  EXPECT_FALSE(a->isEqual(run.get()));
  EXPECT_FALSE(a->isEqualToAttributedString(nullptr));
}

// [SECTION] Enumeration

namespace {
using Visit = std::pair<NSRange, int>;  // range and the "a" value
}

TEST(ZAttributedStringEnumerate, VisitsClippedRunsInEitherDirectionAndStops) {
  auto s = makeMutable(u"aabbbcc");
  s->addAttribute("a", Value(1), NSMakeRange(2, 3));
  s->addAttribute("a", Value(2), NSMakeRange(5, 2));
  std::vector<Visit> visits;
  auto record = [&](const Dict& d, NSRange r, bool&) { visits.emplace_back(r, d["a"].intValue()); };

  s->enumerateAttributesInRange(NSMakeRange(0, 0), 0, record);
  EXPECT_EQ(visits, (std::vector<Visit>{{{0, 2}, 0}, {{2, 3}, 1}, {{5, 2}, 2}}));
  visits.clear();
  s->enumerateAttributesInRange(NSMakeRange(1, 5), ZAttributedStringEnumerationReverse, record);
  EXPECT_EQ(visits, (std::vector<Visit>{{{5, 1}, 2}, {{2, 3}, 1}, {{1, 1}, 0}}));
  visits.clear();
  s->enumerateAttributesInRange(NSMakeRange(0, 7), 0, [&](const Dict& d, NSRange r, bool& stop) {
    record(d, r, stop);
    stop = true;
  });
  EXPECT_EQ(visits.size(), 1u);
  EXPECT_THROW(s->enumerateAttributesInRange(NSMakeRange(3, 5), 0, record), platform::Exception);
}

TEST(ZAttributedStringEnumerate, ForwardWalkFollowsLengthChangesMadeByTheBlock) {
  auto s = makeMutable(u"aabbcc");
  s->addAttribute("a", Value(1), NSMakeRange(2, 2));
  s->addAttribute("a", Value(2), NSMakeRange(4, 2));
  std::vector<Visit> visits;
  // Each visit doubles its characters; the walk still sees each run once.
  s->enumerateAttributesInRange(NSMakeRange(0, 0), 0, [&](const Dict& d, NSRange r, bool&) {
    int value = d["a"].intValue();
    visits.emplace_back(r, value);
    auto copy = Ref<ZAttributedString>::adopt(
        static_cast<ZAttributedString*>(s->attributedSubstringFromRange(r)->copy()));
    s->insertAttributedString(copy, r.location);
  });
  EXPECT_EQ(visits, (std::vector<Visit>{{{0, 2}, 0}, {{4, 2}, 1}, {{8, 2}, 2}}));
  EXPECT_EQ(s->string(), u"aaaabbbbcccc");
}

TEST(ZAttributedStringEnumerate, OneAttributeJoinsRunsWithEqualValues) {
  auto s = makeMutable(u"abcdef");
  s->addAttribute("a", Value(1), NSMakeRange(0, 4));
  s->addAttribute("b", Value("x"), NSMakeRange(2, 4));
  std::vector<Visit> visits;
  auto record = [&](const Value& v, NSRange r, bool&) { visits.emplace_back(r, v.intValue()); };
  s->enumerateAttribute("a", NSMakeRange(0, 0), 0, record);
  EXPECT_EQ(visits, (std::vector<Visit>{{{0, 4}, 1}, {{4, 2}, 0}}));
  visits.clear();
  s->enumerateAttribute("a", NSMakeRange(1, 5), ZAttributedStringEnumerationReverse, record);
  EXPECT_EQ(visits, (std::vector<Visit>{{{4, 2}, 0}, {{1, 3}, 1}}));
}

// [SECTION] Copies, archives, descriptions

TEST(ZAttributedStringCopy, ImmutableSharesMutableSnapshots) {
  Ref<ZAttributedString> fixed = ZAttributedString::attributedStringWithString(u"abc");
  auto same = Ref<platform::Object>::adopt(fixed->copy());
  EXPECT_EQ(same.get(), fixed.get());

  auto s = makeMutable(u"abc");
  auto snapshot = Ref<platform::Object>::adopt(s->copy());
  auto* snap = dynamic_cast<ZAttributedString*>(snapshot.get());
  ASSERT_NE(snap, nullptr);
  EXPECT_EQ(dynamic_cast<ZMutableAttributedString*>(snap), nullptr);
  auto editable = Ref<ZMutableAttributedString>::adopt(s->mutableCopy());
  s->addAttribute("a", Value(1), NSMakeRange(0, 1));
  s->replaceCharactersInRange(NSMakeRange(0, 1), u"Z");
  EXPECT_EQ(snap->string(), u"abc");
  EXPECT_EQ(snap->attributes().size(), 1u);
  EXPECT_EQ(editable->string(), u"abc");
  // The copies share no run objects with the original.
  editable->addAttribute("b", Value(2), NSMakeRange(0, 3));
  EXPECT_TRUE(snap->attributes()[0]->attributes().empty());
}

TEST(ZAttributedStringArchive, RoundTripsAndRefusesMalformedArchives) {
  auto s = makeMutable(u"h\u00E9llo \U0001F600");
  s->setAttributes(Dict{{"a", Value(1)}, {"b", Value("x")}}, NSMakeRange(1, 3));
  Value archive = s->toValue();
  EXPECT_TRUE(archive["buffer"].isString());
  EXPECT_EQ(archive["attributes"][1]["index"].intValue(), 1);
  EXPECT_EQ(archive["attributes"][1]["attributes"]["b"].asString(), "x");
  ZAttributedString* back = ZAttributedString::attributedStringWithValue(archive);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqual(s.get()));

  LogCapture log;
  auto withRuns = [&](Value::Array runs) {
    Dict d{{"buffer", Value("abc")}, {"attributes", Value(std::move(runs))}};
    return ZAttributedString::attributedStringWithValue(Value(std::move(d)));
  };
  auto run = [](Value index) { return Value(Dict{{"index", std::move(index)}}); };
  EXPECT_EQ(withRuns({run(Value(1))}), nullptr);                   // not starting at 0
  EXPECT_EQ(withRuns({run(Value(0)), run(Value(3))}), nullptr);    // beyond the text
  EXPECT_EQ(withRuns({run(Value(0)), run(Value(2)), run(Value(2))}), nullptr);  // order
  EXPECT_EQ(withRuns({run(Value(0)), run(Value(-1))}), nullptr);
  EXPECT_EQ(withRuns({run(Value("zero"))}), nullptr);
  EXPECT_EQ(withRuns({}), nullptr);
  EXPECT_EQ(ZAttributedString::attributedStringWithValue(Value(3)), nullptr);
  EXPECT_FALSE(log.lines().empty());
  // Equal neighbours in an archive are joined.
  ZAttributedString* joined = withRuns({run(Value(0)), run(Value(2.0))});
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(joined->attributes().size(), 1u);
}

TEST(ZAttributedStringDescription, RunDescriptionNamesIndexAndEntries) {
  Dict d{{"a", Value(1)}, {"b", Value("x")}};
  Ref<ZAttributeRun> run = ZAttributeRun::attributeRunWithIndex(7, &d);
  EXPECT_THAT(run->description(),
              testing::MatchesRegex("<ZAttributeRun: 0x[0-9a-f]+ index=7 attributes=\\{a=1, b=x\\}>"));
  auto copy = Ref<platform::Object>::adopt(run->copy());
  EXPECT_TRUE(copy->isEqual(run.get()));
  EXPECT_NE(copy.get(), run.get());
}

// [SECTION] Misuse

TEST(ZAttributedStringMisuse, EditsBeyondTheTextAssertAndChangeNothing) {
  AssertionRecorder asserts;
  auto s = makeMutable(u"abc");
  s->setAttributes(dictA(), NSMakeRange(2, 2));
  s->deleteCharactersInRange(NSMakeRange(4, 0));
  // The end wraps round 32 bits to 1: still beyond the text.
  s->replaceCharactersInRange(NSMakeRange(0xFFFFFFFFu, 2), u"x");
  EXPECT_EQ(asserts.messages(),
            std::vector<std::string>(3, "NSMaxRange(range) <= [_buffer length]"));
  EXPECT_EQ(asserts.files()[0], "libs/zfont/ZAttributedString.cpp");
  expectMatchesModel(s.get(), Model{u"abc", std::vector<Dict>(3)});
}

TEST(ZAttributedStringMisuse, NilArgumentsAssert) {
  AssertionRecorder asserts;
  auto s = makeMutable(u"abc");
  auto fresh = Ref<ZAttributedString>::adopt(new ZAttributedString());
  EXPECT_FALSE(fresh->initWithAttributedString(nullptr));
  EXPECT_TRUE(s->attribute(std::string_view(), 0).isNull());
  s->appendAttributedString(nullptr);
  EXPECT_EQ(asserts.messages(),
            (std::vector<std::string>{"attr != nil", "attributeName != nil", "attrString != nil"}));
  EXPECT_EQ(s->string(), u"abc");
}
