#include "platform/xml/XMLParser.h"

#include "platform/Files.h"
#include "platform/Log.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace platform {

// [SECTION] Attributes and delegate defaults

std::string_view XMLAttributes::get(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (entry.first == name) return entry.second;
  }
  return {};
}

bool XMLAttributes::has(std::string_view name) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) { return entry.first == name; });
}

void XMLParserDelegate::parserDidStartElement(XMLParser&, std::string_view, const XMLAttributes&) {}
void XMLParserDelegate::parserDidEndElement(XMLParser&, std::string_view) {}
void XMLParserDelegate::parserFoundCharacters(XMLParser&, std::string_view) {}
void XMLParserDelegate::parserParseErrorOccurred(XMLParser&, const XMLError&) {}

// [SECTION] Parsing

namespace {
constexpr std::size_t kPieceSize = 64 * 1024;
using ExpatHandle = std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)>;
}  // namespace

/// One running parse: the expat instance and why it was stopped, if it was.
struct XMLParser::Session {
  XMLParser* owner = nullptr;
  XML_Parser expat = nullptr;
  XMLAttributes attributes;
  int stopCode = 0;  // 0: not stopped by us
  std::string stopMessage;

  void stop(int code, std::string message) {
    if (stopCode != 0) return;
    stopCode = code;
    stopMessage = std::move(message);
    XML_StopParser(expat, XML_FALSE);
  }
  bool stopped() const { return stopCode != 0; }
};

XMLParser::XMLParser(std::string document) : document_(std::move(document)) {}

bool XMLParser::initWithContentsOfFile(const std::string& path) {
  std::optional<std::vector<uint8_t>> bytes = readFile(path);
  if (!bytes) {
    document_.clear();
    log("platform: XMLParser: cannot read %s", path.c_str());
    return false;
  }
  document_.assign(bytes->begin(), bytes->end());
  return true;
}

unsigned long XMLParser::lineNumber() const {
  return session_ ? static_cast<unsigned long>(XML_GetCurrentLineNumber(session_->expat)) : 0;
}

unsigned long XMLParser::columnNumber() const {
  return session_ ? static_cast<unsigned long>(XML_GetCurrentColumnNumber(session_->expat)) : 0;
}

void XMLParser::abortParsing() {
  if (session_ != nullptr) session_->stop(kErrorAborted, "parsing aborted by the delegate");
}

bool XMLParser::parse() {
  error_ = XMLError{};
  if (session_ != nullptr) {
    // Re-entering the same parser would share one expat instance between two
    // documents; a nested parse needs its own parser.
    error_ = XMLError{kErrorAlreadyParsing, lineNumber(), columnNumber(), "the parser is already parsing"};
    return false;
  }
  if (document_.size() > static_cast<std::size_t>(INT_MAX)) {
    error_ = XMLError{kErrorTooLarge, 0, 0, "the document is larger than 2 GiB"};
    if (delegate_ != nullptr) delegate_->parserParseErrorOccurred(*this, error_);
    return false;
  }

  // No namespace processing: names are reported as written.
  ExpatHandle expat(XML_ParserCreate(nullptr), &XML_ParserFree);
  if (!expat) {
    error_ = XMLError{XML_ERROR_NO_MEMORY, 0, 0, "cannot create an XML parser"};
    if (delegate_ != nullptr) delegate_->parserParseErrorOccurred(*this, error_);
    return false;
  }
  Session session;
  session.owner = this;
  session.expat = expat.get();

  // Never read anything outside the document: no parameter entities, no
  // external DTD subset, no external entity handler. Entity declarations of
  // any kind refuse the document, so nothing can expand (amplification).
  XML_SetParamEntityParsing(expat.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetUserData(expat.get(), &session);
  XML_SetEntityDeclHandler(expat.get(), [](void* data, const XML_Char* name, int, const XML_Char*, int,
                                           const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    auto* running = static_cast<Session*>(data);
    running->stop(kErrorEntityDeclaration, std::string("entity declarations are not allowed (\"") + name + "\")");
  });
  XML_SetElementHandler(
      expat.get(),
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* running = static_cast<Session*>(data);
        if (running->stopped()) return;
        XMLParser& parser = *running->owner;
        running->attributes.entries_.clear();
        for (const XML_Char** attribute = attributes; attribute[0] != nullptr; attribute += 2) {
          running->attributes.entries_.emplace_back(attribute[0], attribute[1]);
        }
        if (parser.delegate_ != nullptr) parser.delegate_->parserDidStartElement(parser, name, running->attributes);
      },
      [](void* data, const XML_Char* name) {
        auto* running = static_cast<Session*>(data);
        if (running->stopped()) return;
        XMLParser& parser = *running->owner;
        if (parser.delegate_ != nullptr) parser.delegate_->parserDidEndElement(parser, name);
      });
  XML_SetCharacterDataHandler(expat.get(), [](void* data, const XML_Char* text, int length) {
    auto* running = static_cast<Session*>(data);
    if (running->stopped() || length <= 0) return;
    XMLParser& parser = *running->owner;
    if (parser.delegate_ != nullptr) {
      parser.delegate_->parserFoundCharacters(parser, std::string_view(text, static_cast<std::size_t>(length)));
    }
  });

  session_ = &session;
  XML_Status status = XML_STATUS_OK;
  std::size_t offset = 0;
  do {
    const std::size_t piece = std::min(kPieceSize, document_.size() - offset);
    const bool last = offset + piece == document_.size();
    status = XML_Parse(expat.get(), document_.data() + offset, static_cast<int>(piece), last ? XML_TRUE : XML_FALSE);
    offset += piece;
  } while (status == XML_STATUS_OK && offset < document_.size());
  session_ = nullptr;

  if (status == XML_STATUS_OK && !session.stopped()) return true;
  error_.line = static_cast<unsigned long>(XML_GetCurrentLineNumber(expat.get()));
  error_.column = static_cast<unsigned long>(XML_GetCurrentColumnNumber(expat.get()));
  if (session.stopped()) {
    error_.code = session.stopCode;
    error_.message = session.stopMessage;
  } else {
    const XML_Error code = XML_GetErrorCode(expat.get());
    error_.code = static_cast<int>(code);
    const XML_LChar* text = XML_ErrorString(code);
    error_.message = text != nullptr ? text : "unknown XML error";
  }
  if (delegate_ != nullptr) delegate_->parserParseErrorOccurred(*this, error_);
  return false;
}

}  // namespace platform
