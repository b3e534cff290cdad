#include "json/CDataScanner.h"

#include "platform/Exception.h"
#include "platform/StringUtils.h"

#include <algorithm>
#include <cstring>

namespace json {

CharacterSet CharacterSet::withCharacters(std::string_view members) {
  CharacterSet set;
  for (char c : members) set.add(static_cast<uint8_t>(c));
  return set;
}

CDataScanner::CDataScanner() : doubleCharacters_(CharacterSet::withCharacters("0123456789eE-.")) {}

CDataScanner* CDataScanner::scannerWithData(std::span<const uint8_t> bytes) {
  return platform::createAutoreleased<CDataScanner>([&](CDataScanner& scanner) {
    scanner.setData(bytes);
    return true;
  });
}

CDataScanner* CDataScanner::scannerWithData(std::string_view bytes) {
  return scannerWithData(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

void CDataScanner::setData(std::span<const uint8_t> bytes) {
  if (bytes.data() == data_.data() && bytes.size() == data_.size() && !data_.empty()) return;
  assignData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void CDataScanner::assignData(std::vector<uint8_t> bytes) {
  data_ = std::move(bytes);
  current_ = 0;
}

void CDataScanner::setScanLocation(std::size_t location) { current_ = std::min(location, data_.size()); }

uint8_t CDataScanner::scanCharacter() {
  if (isAtEnd()) return 0;
  return data_[current_++];
}

bool CDataScanner::scanCharacter(uint8_t character) {
  if (isAtEnd() || data_[current_] != character) return false;
  ++current_;
  return true;
}

void CDataScanner::backtrack(std::size_t count) {
  if (count > current_) throw platform::Exception(platform::kGenericException, "Backtracked too far.");
  current_ -= count;
}

bool CDataScanner::scanUTF8String(std::string_view text, std::string* into) {
  if (data_.size() - current_ < text.size()) return false;
  if (!text.empty() && std::memcmp(data_.data() + current_, text.data(), text.size()) != 0) return false;
  current_ += text.size();
  if (into) *into = std::string(text);
  return true;
}

bool CDataScanner::scanString(std::string_view text, std::string* into) { return scanUTF8String(text, into); }

bool CDataScanner::scanCharactersFromSet(const CharacterSet& set, std::string* into) {
  const std::size_t start = current_;
  while (current_ < data_.size() && set.contains(data_[current_])) ++current_;
  if (current_ == start) return false;
  if (into) into->assign(reinterpret_cast<const char*>(data_.data() + start), current_ - start);
  return true;
}

bool CDataScanner::scanUpToCharactersFromSet(const CharacterSet& set, std::string* into) {
  const std::size_t start = current_;
  while (current_ < data_.size() && !set.contains(data_[current_])) ++current_;
  if (current_ == start) return false;
  if (into) into->assign(reinterpret_cast<const char*>(data_.data() + start), current_ - start);
  return true;
}

bool CDataScanner::scanUpToString(std::string_view text, std::string* into) {
  const std::string_view rest(reinterpret_cast<const char*>(data_.data() + current_), data_.size() - current_);
  const std::size_t found = rest.find(text);
  if (found == std::string_view::npos) return false;
  if (into) into->assign(rest.substr(0, found));
  current_ += found;
  return true;
}

void CDataScanner::skipWhitespace() {
  while (current_ < data_.size()) {
    const uint8_t c = data_[current_];
    if (c != ' ' && (c < '\t' || c > '\r')) break;
    ++current_;
  }
}

bool CDataScanner::scanNumber(platform::Value* into) {
  const std::size_t start = current_;
  while (current_ < data_.size()) {
    const uint8_t c = data_[current_];
    // A sign right after the exponent letter belongs to the number, so
    // "1e+5" is one run like "1e-5" is.
    const bool exponentSign = c == '+' && current_ > start && (data_[current_ - 1] | 0x20) == 'e';
    if (!doubleCharacters_.contains(c) && !exponentSign) break;
    ++current_;
  }
  if (current_ == start) return false;
  double value = 0;
  platform::parseDecimalPrefix(
      std::string_view(reinterpret_cast<const char*>(data_.data() + start), current_ - start), value);
  if (into) *into = platform::Value(value);
  return true;
}

std::string CDataScanner::remainingString() const {
  return std::string(reinterpret_cast<const char*>(data_.data() + current_), data_.size() - current_);
}

bool CDataScanner::isLineBreak(char32_t character) {
  return character == 0x0A || character == 0x0C || character == 0x0D || character == 0x85 ||
         character == 0x2028 || character == 0x2029;
}

std::size_t CDataScanner::lineBreakLengthAt(std::size_t offset) const {
  const std::size_t left = data_.size() - offset;
  if (left == 0) return 0;
  const uint8_t c = data_[offset];
  if (c == 0x0A || c == 0x0C || c == 0x0D) return 1;
  if (c == 0xC2 && left >= 2 && data_[offset + 1] == 0x85) return 2;
  if (c == 0xE2 && left >= 3 && data_[offset + 1] == 0x80 && (data_[offset + 2] == 0xA8 || data_[offset + 2] == 0xA9))
    return 3;
  return 0;
}

bool CDataScanner::scanCPlusPlusStyleComment(std::string* into) {
  if (!scanUTF8String("//")) return false;
  const std::size_t textStart = current_;
  while (current_ < data_.size() && lineBreakLengthAt(current_) == 0) ++current_;
  if (into) into->assign(reinterpret_cast<const char*>(data_.data() + textStart), current_ - textStart);
  while (std::size_t length = lineBreakLengthAt(current_)) current_ += length;
  return true;
}

bool CDataScanner::scanCStyleComment(std::string* into) {
  if (!scanUTF8String("/*")) return false;
  std::string text;
  if (!scanUpToString("*/", &text)) {
    throw platform::Exception(platform::kGenericException,
                              "Started to scan a C style comment but it wasn't terminated.");
  }
  if (text.find("/*") != std::string::npos) {
    throw platform::Exception(platform::kGenericException, "C style comments should not be nested.");
  }
  if (!scanUTF8String("*/")) {
    throw platform::Exception(platform::kGenericException, "C style comment did not end correctly.");
  }
  if (into) *into = std::move(text);
  return true;
}

}  // namespace json
