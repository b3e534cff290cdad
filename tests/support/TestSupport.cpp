#include "support/TestSupport.h"

#include "platform/Assert.h"
#include "platform/Log.h"

namespace testing_support {

namespace {
std::vector<std::string> g_messages;
std::vector<std::string> g_files;

void recordAssertion(const char*, const char* file, int, const char* message) {
  g_messages.emplace_back(message);
  g_files.emplace_back(file);
}
}  // namespace

AssertionRecorder::AssertionRecorder() {
  clear();
  platform::setAssertionHandler(&recordAssertion);
}

AssertionRecorder::~AssertionRecorder() { platform::setAssertionHandler(nullptr); }

const std::vector<std::string>& AssertionRecorder::messages() const { return g_messages; }
const std::vector<std::string>& AssertionRecorder::files() const { return g_files; }

void AssertionRecorder::clear() {
  g_messages.clear();
  g_files.clear();
}

LogCapture::LogCapture() {
  platform::setLogSink([this](std::string_view line) { lines_.emplace_back(line); });
}

LogCapture::~LogCapture() { platform::setLogSink({}); }

std::string LogCapture::text() const {
  std::string joined;
  for (const auto& line : lines_) {
    if (!joined.empty()) joined += '\n';
    joined += line;
  }
  return joined;
}

}  // namespace testing_support
