#include "tests/test/event_capture.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace tavrin_test {
namespace {

// Points the helper at an event file that the test writes in the proxy's
// format, and back at the run's own proxy afterwards.
class EventCaptureTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    wchar_t buffer[MAX_PATH * 2];
    DWORD length = ::GetEnvironmentVariableW(L"TAVRIN_EVENT_CAPTURE", buffer,
                                             MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2)
      saved_ = std::wstring(buffer, length);
    events_ = temp_.GetPath() / L"events.jsonl";
    ::SetEnvironmentVariableW(L"TAVRIN_EVENT_CAPTURE", events_.c_str());
  }

  void TearDown() override {
    ::SetEnvironmentVariableW(L"TAVRIN_EVENT_CAPTURE",
                              saved_.empty() ? nullptr : saved_.c_str());
  }

  base::ScopedTempDir temp_;
  base::FilePath events_;
  std::wstring saved_;
};

TEST_F(EventCaptureTest, ReadsOnlyTheWholeLinesOfOneClientInOrder) {
  EXPECT_FALSE(IsEventCaptureAvailable());
  EXPECT_TRUE(ReadCapturedEvents("abc").empty());
  ASSERT_TRUE(
      base::WriteFile(events_,
                      "{\"host\": \"h:443\", \"path\": \"/collect\", \"body\": "
                      "\"v=1&tid=T&cid=abc&t=event&ec=Session&ea=start\"}\n"
                      "{\"host\": \"h:443\", \"path\": \"/collect\", \"body\": "
                      "\"v=1&tid=T&cid=abcd&t=event&ec=Other\"}\n"
                      "not json\n"
                      "{\"host\": \"h:443\", \"path\": \"/collect\", \"body\": "
                      "\"v=1&tid=T&cid=abc&t=event&ec=Tray&ea=click\"}\n"
                      // Being written by the proxy right now.
                      "{\"host\": \"h:443\", \"path\": \"/collect\", \"body\": "
                      "\"v=1&tid=T&cid=abc&t=event&ec=Tr"));
  EXPECT_TRUE(IsEventCaptureAvailable());
  std::vector<CapturedEvent> events = ReadCapturedEvents("abc");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].host, "h:443");
  EXPECT_EQ(events[0].path, "/collect");
  EXPECT_EQ(events[0].body, "v=1&tid=T&cid=abc&t=event&ec=Session&ea=start");
  EXPECT_EQ(events[1].body, "v=1&tid=T&cid=abc&t=event&ec=Tray&ea=click");
  EXPECT_EQ(ReadCapturedEvents("abcd").size(), 1u);
  EXPECT_TRUE(ReadCapturedEvents("ab").empty());
}

TEST_F(EventCaptureTest, WaitGivesUpAtTheTimeout) {
  ASSERT_TRUE(base::WriteFile(events_, ""));
  EXPECT_TRUE(
      WaitForCapturedEvents("x", 1, base::TimeDelta::FromMilliseconds(200))
          .empty());
}

TEST(FormFieldTest, SplitsAtAmpersands) {
  const std::string body = "v=1&tid=UA-1-2&cid=c&t=event&ec=Hint&ea=a b&el=";
  EXPECT_EQ(FormField(body, "v"), "1");
  EXPECT_EQ(FormField(body, "tid"), "UA-1-2");
  EXPECT_EQ(FormField(body, "ea"), "a b");
  EXPECT_EQ(FormField(body, "el"), "");
  EXPECT_EQ(FormField(body, "t"), "event");
  EXPECT_EQ(FormField(body, "ev"), "");
  EXPECT_EQ(FormField("cidx=1&cid=2", "cid"), "2");
}

TEST(MakeUniqueClientIdTest, DiffersEachTime) {
  EXPECT_NE(MakeUniqueClientId(), MakeUniqueClientId());
  EXPECT_EQ(MakeUniqueClientId().size(), 36u);
}

}  // namespace
}  // namespace tavrin_test
