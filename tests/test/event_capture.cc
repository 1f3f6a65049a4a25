#include "tests/test/event_capture.h"

#include <windows.h>

#include <sstream>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/guid.h"
#include "nlohmann/json.hpp"

namespace tavrin_test {

namespace {

constexpr wchar_t kEventFileVariable[] = L"TAVRIN_EVENT_CAPTURE";

base::FilePath EventFile() {
  wchar_t buffer[MAX_PATH * 2];
  DWORD length = ::GetEnvironmentVariableW(
      kEventFileVariable, buffer, static_cast<DWORD>(std::size(buffer)));
  if (length == 0 || length >= std::size(buffer))
    return base::FilePath();
  return base::FilePath(std::wstring(buffer, length));
}

}  // namespace

bool IsEventCaptureAvailable() {
  const base::FilePath file = EventFile();
  return !file.empty() && base::PathExists(file);
}

std::string MakeUniqueClientId() {
  return base::GenerateGUID();
}

std::string FormField(const std::string& body, const std::string& name) {
  const std::string prefix = name + "=";
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos)
      end = body.size();
    if (body.compare(start, prefix.size(), prefix) == 0 &&
        end - start >= prefix.size()) {
      return body.substr(start + prefix.size(), end - start - prefix.size());
    }
    start = end + 1;
  }
  return std::string();
}

std::vector<CapturedEvent> ReadCapturedEvents(const std::string& client_id) {
  std::vector<CapturedEvent> events;
  std::string contents;
  if (!base::ReadFileToString(EventFile(), &contents))
    return events;
  std::istringstream lines(contents);
  std::string line;
  while (std::getline(lines, line)) {
    // The proxy may be writing the last line right now: only whole lines
    // count, and a line cut short does not parse.
    if (lines.eof())
      break;
    nlohmann::json event = nlohmann::json::parse(line, nullptr, false);
    if (!event.is_object())
      continue;
    CapturedEvent captured{event.value("host", ""), event.value("path", ""),
                           event.value("body", "")};
    if (FormField(captured.body, "cid") == client_id)
      events.push_back(std::move(captured));
  }
  return events;
}

std::vector<CapturedEvent> WaitForCapturedEvents(const std::string& client_id,
                                                 size_t count,
                                                 base::TimeDelta timeout) {
  const ULONGLONG deadline = ::GetTickCount64() + timeout.InMilliseconds();
  std::vector<CapturedEvent> events = ReadCapturedEvents(client_id);
  while (events.size() < count && ::GetTickCount64() < deadline) {
    ::Sleep(50);
    events = ReadCapturedEvents(client_id);
  }
  return events;
}

}  // namespace tavrin_test
