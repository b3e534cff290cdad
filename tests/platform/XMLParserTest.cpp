// The event-driven XML parser: event order, attributes, nested parses from
// inside callbacks, refusal of entity declarations, and error reports.

#include "platform/xml/XMLParser.h"

#include "../support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::XMLAttributes;
using platform::XMLError;
using platform::XMLParser;

// Records every event as one line: "<name a=1 b=2", ">name", "'text", "!code".
// Adjacent character pieces are joined so the transcript does not depend on
// how expat splits text.
class Recorder : public platform::XMLParserDelegate {
 public:
  std::vector<std::string> events;
  std::function<void(XMLParser&, std::string_view)> onStart;

  void parserDidStartElement(XMLParser& parser, std::string_view name, const XMLAttributes& attributes) override {
    std::string line = "<" + std::string(name);
    for (const auto& [key, value] : attributes) line += " " + std::string(key) + "=" + std::string(value);
    events.push_back(line);
    if (onStart) onStart(parser, name);
  }
  void parserDidEndElement(XMLParser&, std::string_view name) override { events.push_back(">" + std::string(name)); }
  void parserFoundCharacters(XMLParser&, std::string_view text) override {
    if (!events.empty() && events.back().front() == '\'') {
      events.back() += text;
    } else {
      events.push_back("'" + std::string(text));
    }
    ++pieces;
  }
  void parserParseErrorOccurred(XMLParser&, const XMLError& error) override {
    events.push_back("!" + std::to_string(error.code));
  }
  int pieces = 0;
};

std::vector<std::string> eventsOf(const std::string& document, bool* parsed = nullptr) {
  XMLParser parser(document);
  Recorder recorder;
  parser.setDelegate(&recorder);
  const bool ok = parser.parse();
  if (parsed != nullptr) *parsed = ok;
  return recorder.events;
}

class XMLParserFileTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tessera-xml-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string write(const std::string& name, const std::string& text) const {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  fs::path folder_;
};

TEST(XMLParserTest, EventsArriveInDocumentOrderWithAttributesInFileOrder) {
  bool parsed = false;
  const auto events = eventsOf(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<map b=\"2\" a=\"&lt;1&amp;&#x41;\"><layer name=\"x\"/><data>AQ&#61;=</data><!-- note --></map>",
      &parsed);
  EXPECT_TRUE(parsed);
  EXPECT_THAT(events, testing::ElementsAre("<map b=2 a=<1&A", "<layer name=x", ">layer", "<data", "'AQ==", ">data",
                                           ">map"));
}

TEST(XMLParserTest, AttributesLookUpByNameAndAbsentOnesAreEmpty) {
  XMLParser parser("<a x=\"1\" empty=\"\"/>");
  struct : platform::XMLParserDelegate {
    void parserDidStartElement(XMLParser&, std::string_view, const XMLAttributes& attributes) override {
      x = attributes.get("x");
      missing = attributes.get("missing");
      hasEmpty = attributes.has("empty");
      hasMissing = attributes.has("missing");
      count = attributes.size();
    }
    std::string x, missing;
    bool hasEmpty = false, hasMissing = true;
    std::size_t count = 0;
  } delegate;
  parser.setDelegate(&delegate);
  ASSERT_TRUE(parser.parse());
  EXPECT_EQ("1", delegate.x);
  EXPECT_EQ("", delegate.missing);
  EXPECT_TRUE(delegate.hasEmpty);
  EXPECT_FALSE(delegate.hasMissing);
  EXPECT_EQ(2u, delegate.count);
}

TEST(XMLParserTest, LongTextArrivesInPiecesThatJoinToTheWhole) {
  // Larger than one 64 KiB feed, so expat reports it in several pieces.
  std::string text(200000, 'A');
  for (std::size_t i = 0; i < text.size(); i += 77) text[i] = '\n';
  XMLParser parser("<data>" + text + "</data>");
  Recorder recorder;
  parser.setDelegate(&recorder);
  ASSERT_TRUE(parser.parse());
  ASSERT_EQ(3u, recorder.events.size());
  EXPECT_EQ("'" + text, recorder.events[1]);
  EXPECT_GT(recorder.pieces, 1);
}

TEST(XMLParserTest, MalformedDocumentsFailWithLineAndColumn) {
  struct Case {
    const char* document;
    unsigned long line;
  };
  for (const Case& c : {Case{"<map>\n<layer>\n</map>", 3}, Case{"<map>\n\n<a b=1/></map>", 3}, Case{"", 1},
                        Case{"<map></map><second/>", 1}, Case{"<map>\n  <unclosed", 2}}) {
    SCOPED_TRACE(c.document);
    XMLParser parser(c.document);
    Recorder recorder;
    parser.setDelegate(&recorder);
    EXPECT_FALSE(parser.parse());
    EXPECT_NE(0, parser.error().code);
    EXPECT_FALSE(parser.error().message.empty());
    EXPECT_EQ(c.line, parser.error().line);
    ASSERT_FALSE(recorder.events.empty());
    EXPECT_EQ("!" + std::to_string(parser.error().code), recorder.events.back()) << "the delegate hears of it once";
  }
}

TEST(XMLParserTest, ParsingAgainAfterAFailureStartsClean) {
  XMLParser parser("<a><b/></a>");
  Recorder recorder;
  parser.setDelegate(&recorder);
  ASSERT_TRUE(parser.parse());
  ASSERT_TRUE(parser.parse());
  EXPECT_EQ(0, parser.error().code);
  EXPECT_EQ(8u, recorder.events.size());
}

// Entities: an internal one could expand without bound (nested
// "billion laughs"), an external one would read a file or a URL. Any entity
// declaration refuses the document before anything is expanded.
TEST(XMLParserTest, EntityDeclarationsAreRefusedAndNothingExpands) {
  const char* documents[] = {
      "<!DOCTYPE map [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><map>&b;</map>",
      "<!DOCTYPE map [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]><map>&secret;</map>",
      "<!DOCTYPE map [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/x.dtd\"> %p;]><map/>",
  };
  for (const char* document : documents) {
    SCOPED_TRACE(document);
    XMLParser parser(document);
    Recorder recorder;
    parser.setDelegate(&recorder);
    EXPECT_FALSE(parser.parse());
    EXPECT_EQ(XMLParser::kErrorEntityDeclaration, parser.error().code);
    EXPECT_THAT(parser.error().message, testing::HasSubstr("entity"));
    for (const std::string& event : recorder.events) EXPECT_EQ(std::string::npos, event.find("aaaa")) << event;
  }
}

TEST_F(XMLParserFileTest, ExternalDocumentTypesAreNeverLoaded) {
  // A document type that names an external DTD (as older map files do) is
  // read without fetching the DTD; references to entities it might define
  // are not expanded.
  const std::string dtd = write("evil.dtd", "<!ENTITY leak \"LEAKED\">");
  bool parsed = false;
  const auto events = eventsOf("<!DOCTYPE map SYSTEM \"" + dtd + "\"><map a=\"1\">x</map>", &parsed);
  EXPECT_TRUE(parsed);
  EXPECT_THAT(events, testing::ElementsAre("<map a=1", "'x", ">map"));
  const auto withReference = eventsOf("<!DOCTYPE map SYSTEM \"" + dtd + "\"><map>&leak;</map>");
  for (const std::string& event : withReference) EXPECT_EQ(std::string::npos, event.find("LEAKED")) << event;
}

TEST_F(XMLParserFileTest, AParseStartedInsideACallbackCompletesAndTheOuterOneGoesOn) {
  const std::string inner = write("inner.xml", "<tileset name=\"t\"><image source=\"a.png\"/></tileset>");
  XMLParser outer("<map><tileset source=\"inner.xml\"/><layer/></map>");
  Recorder recorder;
  bool innerParsed = false;
  recorder.onStart = [&](XMLParser& parser, std::string_view name) {
    if (name != "tileset" || &parser != &outer) return;
    XMLParser nested;
    ASSERT_TRUE(nested.initWithContentsOfFile(inner));
    nested.setDelegate(&recorder);  // the same delegate hears both documents
    innerParsed = nested.parse();
    EXPECT_EQ(1ul, outer.lineNumber()) << "the outer parser keeps its own position";
  };
  outer.setDelegate(&recorder);
  ASSERT_TRUE(outer.parse());
  EXPECT_TRUE(innerParsed);
  EXPECT_THAT(recorder.events,
              testing::ElementsAre("<map", "<tileset source=inner.xml", "<tileset name=t", "<image source=a.png",
                                   ">image", ">tileset", ">tileset", "<layer", ">layer", ">map"));
}

TEST(XMLParserTest, AFailedNestedParseLeavesTheOuterOneIntact) {
  XMLParser outer("<a><b/><c/></a>");
  Recorder recorder;
  recorder.onStart = [&](XMLParser& parser, std::string_view name) {
    if (name != "b" || &parser != &outer) return;
    XMLParser nested("<broken");
    EXPECT_FALSE(nested.parse());
    EXPECT_FALSE(parser.parse()) << "the running parser cannot be re-entered";
    EXPECT_EQ(XMLParser::kErrorAlreadyParsing, parser.error().code);
  };
  outer.setDelegate(&recorder);
  EXPECT_TRUE(outer.parse());
  EXPECT_THAT(recorder.events, testing::ElementsAre("<a", "<b", ">b", "<c", ">c", ">a"));
}

TEST(XMLParserTest, AbortParsingStopsEventsAndFailsTheParse) {
  XMLParser parser("<a><b/><c/></a>");
  Recorder recorder;
  recorder.onStart = [](XMLParser& running, std::string_view name) {
    if (name == "b") running.abortParsing();
  };
  parser.setDelegate(&recorder);
  EXPECT_FALSE(parser.parse());
  EXPECT_EQ(XMLParser::kErrorAborted, parser.error().code);
  EXPECT_THAT(recorder.events,
              testing::ElementsAre("<a", "<b", "!" + std::to_string(XMLParser::kErrorAborted)));
  parser.abortParsing();  // outside a parse: nothing happens
}

TEST_F(XMLParserFileTest, UnreadableFilesAreReportedAndLeaveAnEmptyDocument) {
  testing_support::LogCapture log;
  XMLParser parser;
  const std::string missing = (folder_ / "missing.xml").string();
  EXPECT_FALSE(parser.initWithContentsOfFile(missing));
  EXPECT_THAT(log.text(), testing::HasSubstr(missing));
  EXPECT_FALSE(parser.initWithContentsOfFile(folder_.string())) << "a folder is not a file";
  EXPECT_FALSE(parser.parse());
}

}  // namespace
