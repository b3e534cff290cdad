// Requests and responses: their header fields, named without regard to case.
// Shared by the desktop's HTTP client and the web build.

#include "platform/net/URLConnection.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

bool sameFieldName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string headerValue(const std::vector<std::pair<std::string, std::string>>& headers, std::string_view field) {
  for (const auto& [name, value] : headers) {
    if (sameFieldName(name, field)) return value;
  }
  return std::string();
}

}  // namespace

void URLRequest::setValueForHTTPHeaderField(std::string value, std::string_view field) {
  for (auto& header : headers) {
    if (sameFieldName(header.first, field)) {
      header.second = std::move(value);
      return;
    }
  }
  headers.emplace_back(std::string(field), std::move(value));
}

std::string URLRequest::valueForHTTPHeaderField(std::string_view field) const { return headerValue(headers, field); }

std::string URLResponse::valueForHTTPHeaderField(std::string_view field) const {
  return headerValue(headers, field);
}

}  // namespace platform
