#pragma once
// Helpers shared by the score client classes: form escaping, the key order
// of signed posts, the service address and safe logging of answers.

#include "platform/net/URLConnection.h"

#include <string>
#include <string_view>

namespace scoreclient {

/// Percent-escapes UTF-8 text for a form body or a query value. Letters,
/// digits and - . _ ~ ! * ' ( ) ; : @ $ , / ? # [ ] stay as they are; every
/// other byte becomes %XX (upper case), so "&", "=", "+", "%", space,
/// controls and non-ASCII are all escaped.
std::string encodeFormValue(std::string_view text);

/// Key order of signed posts: ascending, ignoring the case of ASCII and
/// Latin-1 letters, compared by UTF-16 code units; keys equal that way are
/// ordered by their exact code units: "A" < "a" < "B" < "b" < "c".
bool scoreKeyLess(std::string_view lhs, std::string_view rhs);

/// facts().scoreServer followed by `path`, or "" (logged) when no service
/// address is configured.
std::string serviceAddress(std::string_view path);

/// A GET or POST request with the client's fixed settings: 10 s time-out.
platform::URLRequest makeRequest(const std::string& url, const char* method);

/// At most `limit` bytes of a server's answer for a log line: control and
/// non-ASCII bytes as `\xNN`, and the full size when cut.
std::string printableExcerpt(std::string_view bytes, std::size_t limit = 200);

}  // namespace scoreclient
