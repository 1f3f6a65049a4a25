#include "desktop/windows/tavrin/notification.h"

#include <string>
#include <vector>

#include "base/json/json_reader.h"
#include "base/path_service.h"
#include "base/test/test_log_capture.h"
#include "desktop/windows/tavrin/notifier_path_provider.h"
#include "gtest/gtest.h"

namespace {

class NotificationTest : public testing::Test {
 protected:
  void SetUp() override {
    tavrin::RegisterNotifierPathProvider();
    ASSERT_TRUE(base::PathService::Override(
        tavrin::DIR_NOTIFICATIONS,
        base::FilePath(L"D:\\My App\\notifications")));
  }
  void TearDown() override {
    base::PathService::RemoveOverride(tavrin::DIR_NOTIFICATIONS);
  }

  static scoped_refptr<Notification> Make(const std::string& json) {
    return new Notification("ads", base::JSONReader::Read(json).value(),
                            nullptr);
  }
};

TEST_F(NotificationTest, AnEntryWithoutSrcKeepsEveryDefault) {
  scoped_refptr<Notification> notification = Make(
      R"({"cta": "https://example.org", "height": 300, "version": 4,
          "variants": ["a"]})");
  EXPECT_EQ(notification->name(), "ads");
  EXPECT_EQ(notification->url(), "");
  EXPECT_EQ(notification->cta(), "");
  EXPECT_EQ(notification->height(), 100);
  EXPECT_EQ(notification->version(), 0);
  EXPECT_TRUE(notification->variants().empty());
  EXPECT_EQ(Make(R"({"src": 5, "height": 300})")->height(), 100);
  EXPECT_EQ(Make(R"("ads.html")")->url(), "");
}

TEST_F(NotificationTest, ReadsTheEntry) {
  scoped_refptr<Notification> notification = Make(
      R"({"src": "ads.html", "cta": "https://example.org/a b", "height": 150,
          "version": 2, "variants": ["a", 3, "b", null]})");
  EXPECT_EQ(notification->url(), "file:///D:/My App/notifications/ads.html");
  EXPECT_EQ(notification->cta(), "https://example.org/a b");
  EXPECT_EQ(notification->height(), 150);
  EXPECT_EQ(notification->version(), 2);
  EXPECT_EQ(notification->variants(), std::vector<std::string>({"a", "b"}));
  EXPECT_EQ(notification->variant(), "");
  notification->SetVariant("b");
  EXPECT_EQ(notification->variant(), "b");
}

TEST_F(NotificationTest, MissingOrMistypedKeysGiveEmptyValues) {
  scoped_refptr<Notification> notification =
      Make(R"({"src": "ads.html", "height": "150", "version": 1.5,
               "variants": "a"})");
  EXPECT_EQ(notification->height(), 0);
  EXPECT_EQ(notification->version(), 0);
  EXPECT_TRUE(notification->variants().empty());
  EXPECT_EQ(Make(R"({"src": "ads.html"})")->height(), 0);
}

TEST_F(NotificationTest, EitherSeparatorGivesTheSameUrl) {
  EXPECT_EQ(Make(R"({"src": "battery\\index.html"})")->url(),
            "file:///D:/My App/notifications/battery/index.html");
  EXPECT_EQ(Make(R"({"src": "battery/index.html"})")->url(),
            "file:///D:/My App/notifications/battery/index.html");
}

TEST_F(NotificationTest, ARootedSrcStaysInsideTheContentFolder) {
  EXPECT_EQ(Make(R"({"src": "C:\\Windows\\x.html"})")->url(),
            "file:///D:/My App/notifications/C:/Windows/x.html");
}

TEST_F(NotificationTest, AnswersWithoutAManagerAreOnlyLogged) {
  base::TestLogCapture log;
  scoped_refptr<Notification> notification = Make(R"({"src": "ads.html"})");
  notification->OnAccept({});
  notification->OnDismiss({});
  notification->OnDontShowAgain({});
  EXPECT_TRUE(log.Contains(logging::LOG_INFO, "OnAccept"));
  EXPECT_TRUE(log.Contains(logging::LOG_INFO, "OnDismiss"));
  EXPECT_TRUE(log.Contains(logging::LOG_INFO, "OnDontShowAgain"));
}

}  // namespace
