#include "components/prefs/pref_service.h"

#include <memory>
#include <optional>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/message_loop/message_loop.h"
#include "components/prefs/json_pref_store.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service_factory.h"
#include "gtest/gtest.h"

namespace {

class PrefServiceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath() / L"tavrin_prefs.json";
    registry_ = std::make_shared<PrefRegistrySimple>();
    registry_->RegisterStringPref("analytics.user_id", "");
    registry_->RegisterDictionaryPref("notifications");
    registry_->RegisterStringPref("last_shown_notifications", "battery");
    registry_->RegisterIntegerPref("consecutive_dismisses", 4);
    registry_->RegisterDoublePref("notification_scheduler.scheduled_check_time",
                                  2.5);
    registry_->RegisterBooleanPref("flags.enabled", true);
    registry_->RegisterDictionaryPref("process_monitor.launcher_log",
                                      base::Value({{"count", 1}}));
  }

  std::unique_ptr<PrefService> CreateService() {
    PrefServiceFactory factory;
    factory.SetUserPrefsFile(path_, loop_.task_runner());
    return factory.Create(registry_);
  }

  base::Value ReadWritten() {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(path_, &contents));
    std::optional<base::Value> value = base::JSONReader::Read(contents);
    EXPECT_TRUE(value.has_value()) << contents;
    return value ? *value : base::Value();
  }

  base::MessageLoop loop_;
  base::ScopedTempDir temp_dir_;
  base::FilePath path_;
  std::shared_ptr<PrefRegistrySimple> registry_;
};

TEST_F(PrefServiceTest, DefaultsWhenTheFileIsMissing) {
  // Registered defaults nest by path like stored values.
  EXPECT_EQ(
      2.5,
      registry_->defaults()["notification_scheduler"]["scheduled_check_time"]);
  auto prefs = CreateService();
  EXPECT_EQ("battery", prefs->GetString("last_shown_notifications"));
  EXPECT_EQ(4, prefs->GetInteger("consecutive_dismisses"));
  EXPECT_EQ(2.5,
            prefs->GetDouble("notification_scheduler.scheduled_check_time"));
  EXPECT_TRUE(prefs->GetBoolean("flags.enabled"));
  EXPECT_EQ(base::Value({{"count", 1}}),
            prefs->GetDictionary("process_monitor.launcher_log"));

  // Neither stored nor registered.
  EXPECT_EQ("", prefs->GetString("unknown"));
  EXPECT_EQ(0, prefs->GetInteger("unknown"));
  EXPECT_EQ(0.0, prefs->GetDouble("unknown.deeper"));
  EXPECT_FALSE(prefs->GetBoolean("unknown"));
  EXPECT_EQ(base::Value::object(), prefs->GetDictionary("unknown"));
  // Reading wrote nothing.
  loop_.RunUntilIdle();
  EXPECT_FALSE(base::PathExists(path_));
}

TEST_F(PrefServiceTest, UserValuesWinAndMistypedOnesFallBack) {
  ASSERT_TRUE(base::WriteFile(path_, R"({
    "last_shown_notifications": 17,
    "consecutive_dismisses": 2.5,
    "notification_scheduler": {"scheduled_check_time": 1480000000},
    "flags": {"enabled": "false"},
    "analytics": {"user_id": "guid"},
    "notifications": {"ads": {"shown": 2}},
    "process_monitor": {"launcher_log": []},
    "big": 4294967296
  })"));
  auto prefs = CreateService();
  EXPECT_EQ("guid", prefs->GetString("analytics.user_id"));
  // Mistyped user values: the registered default.
  EXPECT_EQ("battery", prefs->GetString("last_shown_notifications"));
  EXPECT_EQ(4, prefs->GetInteger("consecutive_dismisses"));
  EXPECT_TRUE(prefs->GetBoolean("flags.enabled"));
  EXPECT_EQ(base::Value({{"count", 1}}),
            prefs->GetDictionary("process_monitor.launcher_log"));
  // An integer is a valid double.
  EXPECT_EQ(1480000000.0,
            prefs->GetDouble("notification_scheduler.scheduled_check_time"));
  // Out of int range is not an int; no default: 0.
  EXPECT_EQ(0, prefs->GetInteger("big"));

  // The dictionary is a copy.
  base::Value notifications = prefs->GetDictionary("notifications");
  EXPECT_EQ(2, notifications["ads"]["shown"]);
  notifications["ads"]["shown"] = 9;
  EXPECT_EQ(2, prefs->GetDictionary("notifications")["ads"]["shown"]);
}

TEST_F(PrefServiceTest, SettersWriteNestedJsonThroughTheLoop) {
  auto prefs = CreateService();
  prefs->SetDouble("notification_scheduler.scheduled_check_time", 1.7e9);
  prefs->SetInteger("consecutive_dismisses", 0);
  prefs->SetString("analytics.user_id", "id-1");
  prefs->SetBoolean("flags.enabled", false);
  base::Value ads = base::Value::object();
  ads["ads"]["last_shown"] = 12.5;
  prefs->Set("notifications", ads);
  EXPECT_FALSE(base::PathExists(path_));
  loop_.RunUntilIdle();

  base::Value written = ReadWritten();
  EXPECT_EQ(1.7e9, written["notification_scheduler"]["scheduled_check_time"]);
  EXPECT_EQ(0, written["consecutive_dismisses"]);
  EXPECT_EQ("id-1", written["analytics"]["user_id"]);
  EXPECT_EQ(false, written["flags"]["enabled"]);
  EXPECT_EQ(12.5, written["notifications"]["ads"]["last_shown"]);

  // Set values read back with their types, before and after a restart; a
  // stored 0 wins over the default 4.
  EXPECT_EQ(0, prefs->GetInteger("consecutive_dismisses"));
  EXPECT_FALSE(prefs->GetBoolean("flags.enabled"));
  prefs.reset();
  prefs = CreateService();
  EXPECT_EQ(0, prefs->GetInteger("consecutive_dismisses"));
  EXPECT_EQ(1.7e9,
            prefs->GetDouble("notification_scheduler.scheduled_check_time"));
  EXPECT_FALSE(prefs->GetBoolean("flags.enabled"));

  prefs->ClearPref("consecutive_dismisses");
  EXPECT_EQ(4, prefs->GetInteger("consecutive_dismisses"));
  prefs->CommitPendingWrite();
  loop_.RunUntilIdle();
  EXPECT_FALSE(ReadWritten().contains("consecutive_dismisses"));
}

}  // namespace
