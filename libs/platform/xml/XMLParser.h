#pragma once
// platform::XMLParser: an event-driven (SAX) XML reader over expat.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class XMLParser;

/// Why a parse failed.
struct XMLError {
  /// expat's error code (XML_Error), or one of the XMLParser::kError... codes.
  int code = 0;
  /// 1-based line and 0-based column where the parse stopped.
  unsigned long line = 0;
  unsigned long column = 0;
  /// Readable text: expat's message or this parser's reason.
  std::string message;
};

/// The attributes of one element start, in file order. Values are UTF-8,
/// with entity and character references already replaced. The views are
/// valid only during the callback that receives them.
class XMLAttributes {
 public:
  using Entry = std::pair<std::string_view, std::string_view>;
  using const_iterator = std::vector<Entry>::const_iterator;

  /// The value of `name`, or "" when absent.
  std::string_view get(std::string_view name) const;
  bool has(std::string_view name) const;
  std::size_t size() const { return entries_.size(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  friend class XMLParser;
  std::vector<Entry> entries_;
};

/// Receives a parser's events. Every method has an empty default.
class XMLParserDelegate {
 public:
  virtual ~XMLParserDelegate() = default;
  virtual void parserDidStartElement(XMLParser& parser, std::string_view elementName,
                                     const XMLAttributes& attributes);
  virtual void parserDidEndElement(XMLParser& parser, std::string_view elementName);
  /// A piece of character data; one text may arrive in several pieces.
  virtual void parserFoundCharacters(XMLParser& parser, std::string_view characters);
  /// Called once when a parse fails (malformed input, a refused entity
  /// declaration, abortParsing()), before parse() returns false.
  virtual void parserParseErrorOccurred(XMLParser& parser, const XMLError& error);
};

/// An event-driven (SAX) XML reader over expat.
///
/// A parser reads one document, held in memory or read from a file, and
/// reports to its delegate in document order: element starts with their
/// attributes, element ends and character data. Every parser owns its own
/// expat instance for the length of parse(), so parsers are independent and
/// re-entrant: a delegate may create and run another parser (with the same or
/// another delegate) from inside any callback, and the outer parse continues
/// once the inner one returns.
///
/// Implemented:
///  [X] element start / end, character data (delivered in arbitrary chunks:
///      a delegate that wants a whole text appends), attributes in file order
///  [X] errors with expat's code, line, column and message; a delegate may
///      stop the parse with abortParsing()
///  [X] safety: external entities and external DTDs are never loaded, any
///      entity declaration refuses the document (so no entity can expand,
///      however small), and expat's amplification limits stay on
/// Missing:
///  [ ] namespace processing: "a:b" element and attribute names are reported
///      as written
///  [ ] processing instructions, comments and CDATA boundaries are not
///      reported (CDATA content arrives as character data)
///
/// Cost: the document is fed to expat in 64 KiB pieces; attribute lists are
/// built per element start (a small vector of views into expat's buffers).
class XMLParser {
 public:
  /// The document declares an entity (internal or external): refused.
  static constexpr int kErrorEntityDeclaration = 1000;
  /// The delegate called abortParsing().
  static constexpr int kErrorAborted = 1001;
  /// parse() was called on a parser that is already parsing.
  static constexpr int kErrorAlreadyParsing = 1002;
  /// The document is larger than expat can be given (over 2 GiB).
  static constexpr int kErrorTooLarge = 1003;

  /// A parser over a copy of `document`.
  explicit XMLParser(std::string document);
  /// A parser over the file at `path`. Returns false (and logs
  /// "platform: XMLParser: cannot read <path>") when the file cannot be
  /// read; the parser then holds an empty document.
  bool initWithContentsOfFile(const std::string& path);
  XMLParser() = default;
  XMLParser(const XMLParser&) = delete;
  XMLParser& operator=(const XMLParser&) = delete;

  /// The delegate (not owned). Default none: the document is still checked.
  void setDelegate(XMLParserDelegate* delegate) { delegate_ = delegate; }
  XMLParserDelegate* delegate() const { return delegate_; }

  /// Reads the whole document, calling the delegate. Returns true when the
  /// document is well-formed and nothing stopped the parse; otherwise error()
  /// says why and the delegate has had parserParseErrorOccurred. A parser may
  /// parse its document again.
  bool parse();
  /// Stops the running parse from inside a callback: no more events are
  /// delivered and parse() returns false with kErrorAborted. Does nothing
  /// outside a parse.
  void abortParsing();

  /// The error of the last parse, or a code of 0 after a successful one.
  const XMLError& error() const { return error_; }
  /// Line and column of the event being delivered (1-based line, 0-based
  /// column), for the delegate's own messages.
  unsigned long lineNumber() const;
  unsigned long columnNumber() const;

 private:
  struct Session;

  std::string document_;
  XMLParserDelegate* delegate_ = nullptr;
  XMLError error_;
  Session* session_ = nullptr;  // the running parse, or null
};

}  // namespace platform
