#include "desktop/windows/tavrin/process_monitor.h"

#include <wrl/client.h>

#include <iterator>
#include <string>
#include <vector>

#include "base/test/test_log_capture.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/tavrin/test/fake_unsecured_apartment.h"
#include "desktop/windows/tavrin/test/fake_wbem_class_object.h"
#include "desktop/windows/tavrin/test/fake_wbem_services.h"
#include "desktop/windows/tavrin/test/process_monitor_test.h"
#include "gtest/gtest.h"

namespace {

using tavrin_test::FakeUnsecuredApartment;
using tavrin_test::FakeWbemClassObject;
using tavrin_test::FakeWbemServices;

constexpr wchar_t kBrowser[] = L"C:\\Ulvena\\ulvena.exe";
constexpr char kOpenBrowserEvent[] =
    "v=1&tid=UA-1-2&cid=client&t=event&ec=independent&ea=open_browser"
    "&el=open_browser";

double Seconds(base::Time time) {
  return time.ToDoubleT();
}

TEST_F(ProcessMonitorTest, ChildProcessesAreNotRecordedSentOrSaved) {
  MarkStored();
  Started(Record(7, L"ulvena.exe --type=renderer --from-tavrin=hint", kBrowser),
          true);
  EXPECT_TRUE(log().empty());
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(StoredIsMarked());
}

TEST_F(ProcessMonitorTest, FurtherMainProcessOfARunningInstallationIsIgnored) {
  Started(Record(10, L"ulvena.exe", kBrowser), true);
  MarkStored();
  Started(Record(11, L"ulvena.exe --new-window", kBrowser), true);
  EXPECT_EQ(log().size(), 1u);
  EXPECT_EQ(events_.size(), 1u);
  EXPECT_TRUE(StoredIsMarked());

  // Another installation, and the same one once its process has ended.
  Started(Record(12, L"ulvena.exe", L"D:\\Other\\ulvena.exe"), true);
  Ended(Record(10, L"", L"", base::Time(), now_));
  Started(Record(13, L"ulvena.exe", kBrowser), true);
  EXPECT_EQ(log().size(), 3u);
  EXPECT_EQ(log().count(13), 1u);
  EXPECT_EQ(events_.size(), 3u);
}

// WMI may not tell the path (Wine never does, Windows not for processes of
// other users): such processes are not taken for one another.
TEST_F(ProcessMonitorTest, ProcessesWithoutAPathAreAllRecorded) {
  Started(Record(20, L"", L""), false);
  Started(Record(21, L"", L""), false);
  EXPECT_EQ(log().size(), 2u);
}

TEST_F(ProcessMonitorTest, StartsAreReportedWithTheHintMarkAsValue) {
  Started(
      Record(30, L"ulvena.exe --from-tavrin=hint https://a.test/", kBrowser),
      true);
  Started(Record(31, L"ulvena.exe --from-tavrin ", L"D:\\ulvena.exe"), true);
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0], std::string(kOpenBrowserEvent) + "&ev=1");
  EXPECT_EQ(events_[1], kOpenBrowserEvent);
  // Each start was saved, as running.
  base::Value stored = Stored();
  ASSERT_TRUE(stored.contains("30"));
  ASSERT_TRUE(stored.contains("31"));
  EXPECT_EQ(stored["30"]["command_line"],
            "ulvena.exe --from-tavrin=hint https://a.test/");
  EXPECT_EQ(stored["31"]["quit_time"], 0.0);
  EXPECT_EQ(stored["31"]["tentative_quit_time"], Seconds(now_));
}

TEST_F(ProcessMonitorTest, InitialProcessesAreSavedAsRunningByTheLoad) {
  const base::Time created = now_ - base::TimeDelta::FromMinutes(5);
  MarkStored();
  Started(Record(40, L"ulvena.exe", kBrowser, created), false);
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(StoredIsMarked());

  SetStored(base::Value::object());
  Load();
  base::Value stored = Stored();
  ASSERT_TRUE(stored.contains("40")) << stored.dump();
  EXPECT_EQ(stored["40"]["command_line"], "ulvena.exe");
  EXPECT_EQ(stored["40"]["creation_time"], Seconds(created));
  EXPECT_EQ(stored["40"]["quit_time"], 0.0);
  EXPECT_EQ(stored["40"]["tentative_quit_time"], Seconds(now_));
  EXPECT_EQ(stored.size(), 1u);
  EXPECT_TRUE(events_.empty());
}

TEST_F(ProcessMonitorTest, LoadKeepsTheLiveRecordAndDatesUnfinishedOnes) {
  const double day = 86400;
  const double now = Seconds(now_);
  SetStored(base::Value({
      // A process that runs now again under its pid.
      {"50",
       {{"command_line", "old"},
        {"creation_time", now - day},
        {"quit_time", now - day + 60}}},
      // Ended while the notifier was not watching.
      {"51",
       {{"command_line", "a"},
        {"creation_time", now - 3 * day},
        {"quit_time", 0},
        {"tentative_quit_time", now - 2 * day}}},
      {"52",
       {{"command_line", "b"},
        {"creation_time", now - 4 * day},
        {"quit_time", 0}}},
      // Ended normally; an integer time reads as a number too.
      {"53",
       {{"command_line", "c"},
        {"creation_time", 1000},
        {"quit_time", static_cast<int64_t>(now) - 100}}},
  }));
  Started(Record(50, L"ulvena.exe --live", kBrowser), false);
  Load();

  ASSERT_EQ(log().size(), 4u);
  EXPECT_EQ(log().at(50).command_line, L"ulvena.exe --live");
  EXPECT_TRUE(log().at(50).quit_time.is_null());
  EXPECT_EQ(log().at(50).executable_path, kBrowser);
  EXPECT_EQ(Seconds(log().at(51).quit_time), now - 2 * day);
  EXPECT_EQ(Seconds(log().at(52).quit_time), now - 4 * day);
  EXPECT_EQ(Seconds(log().at(53).quit_time), now - 100);
  EXPECT_EQ(Seconds(log().at(53).creation_time), 1000);
  EXPECT_TRUE(log().at(53).executable_path.empty());

  // The save after the load: only the live one is still running.
  base::Value stored = Stored();
  EXPECT_EQ(stored["50"]["command_line"], "ulvena.exe --live");
  EXPECT_TRUE(stored["50"].contains("tentative_quit_time"));
  EXPECT_EQ(stored["51"]["quit_time"], now - 2 * day);
  EXPECT_FALSE(stored["51"].contains("tentative_quit_time"));
}

TEST_F(ProcessMonitorTest, UnreadableStoredEntriesAreSkipped) {
  const double now = Seconds(now_);
  SetStored(base::Value({
      {"abc",
       {{"command_line", "x"}, {"creation_time", 1}, {"quit_time", now}}},
      {"12x",
       {{"command_line", "x"}, {"creation_time", 1}, {"quit_time", now}}},
      {"60", "not an object"},
      {"61", {{"creation_time", 1}, {"quit_time", now}}},
      {"62", {{"command_line", 5}, {"creation_time", 1}, {"quit_time", now}}},
      {"63", {{"command_line", "x"}, {"quit_time", now}}},
      {"64",
       {{"command_line", "x"}, {"creation_time", "1"}, {"quit_time", now}}},
      {"65", {{"command_line", "x"}, {"creation_time", 1}}},
      // Neither a quit time nor anything to take it from: if kept, it
      // would count as running for good and never age out.
      {"66", {{"command_line", "x"}, {"creation_time", 0}, {"quit_time", 0}}},
      {"67",
       {{"command_line", "kept"}, {"creation_time", 1}, {"quit_time", now}}},
  }));
  base::TestLogCapture capture;
  Load();
  ASSERT_EQ(log().size(), 1u);
  EXPECT_EQ(log().at(67).command_line, L"kept");
  EXPECT_TRUE(capture.messages().empty());
  base::Value stored = Stored();
  EXPECT_EQ(stored.size(), 1u) << stored.dump();
  EXPECT_TRUE(stored.contains("67"));
}

TEST_F(ProcessMonitorTest, SaveLeavesOutWhatEndedMoreThanThirtyDaysAgo) {
  const base::TimeDelta thirty_days = base::TimeDelta::FromDays(30);
  Started(Record(70, L"old", L"", base::Time(),
                 now_ - thirty_days - base::TimeDelta::FromSeconds(1)),
          false);
  Started(Record(71, L"edge", L"", base::Time(), now_ - thirty_days), false);
  Started(Record(72, L"running", L""), false);
  Save();
  base::Value stored = Stored();
  EXPECT_FALSE(stored.contains("70"));
  ASSERT_TRUE(stored.contains("71"));
  EXPECT_EQ(stored["71"]["quit_time"], Seconds(now_ - thirty_days));
  EXPECT_FALSE(stored["71"].contains("tentative_quit_time"));
  EXPECT_TRUE(stored.contains("72"));
  // Still known in memory until the program ends.
  EXPECT_EQ(log().count(70), 1u);
}

TEST_F(ProcessMonitorTest, AnEndSetsOnlyTheQuitTimeAndAlwaysSaves) {
  const base::Time created = now_ - base::TimeDelta::FromHours(1);
  Started(Record(80, L"ulvena.exe", kBrowser, created), true);
  Ended(Record(80, L"changed", L"changed", base::Time(), now_));
  EXPECT_EQ(log().at(80).command_line, L"ulvena.exe");
  EXPECT_EQ(log().at(80).executable_path, kBrowser);
  EXPECT_EQ(log().at(80).creation_time, created);
  EXPECT_EQ(log().at(80).quit_time, now_);
  EXPECT_EQ(Stored()["80"]["quit_time"], Seconds(now_));

  // A child process of the browser ends: nothing changes, but it saves.
  MarkStored();
  Ended(Record(81, L"", L"", base::Time(), now_));
  EXPECT_FALSE(StoredIsMarked());
  EXPECT_EQ(log().size(), 1u);
  EXPECT_TRUE(Stored().contains("80"));

  // Days later the pid is reused by a child of a new browser run, whose
  // start is not recorded: the recorded process still ended back then.
  const base::Time ended = now_;
  now_ = now_ + base::TimeDelta::FromDays(2);
  Ended(Record(80, L"", L"", base::Time(), now_));
  EXPECT_EQ(log().at(80).quit_time, ended);
  EXPECT_EQ(Stored()["80"]["quit_time"], Seconds(ended));
}

TEST_F(ProcessMonitorTest, UsageState) {
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_NOT_IN_USE);

  Started(Record(1, L"ulvena.exe", L"", base::Time(),
                 now_ - base::TimeDelta::FromMinutes(1)),
          false);
  // One start of the user's own is not use yet.
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_NOT_IN_USE);

  Started(Record(2, L"ulvena.exe", L"", base::Time(),
                 now_ - base::TimeDelta::FromHours(23)),
          false);
  // The later one ended a minute ago.
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_USED_RECENTLY);

  Started(Record(3, L"ulvena.exe", L""), false);
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_RUNNING);
}

TEST_F(ProcessMonitorTest, UsageStateOneDayAfterTheLatestEnd) {
  Started(Record(1, L"ulvena.exe", L"", base::Time(),
                 now_ - base::TimeDelta::FromHours(30)),
          false);
  Started(Record(2, L"ulvena.exe", L"", base::Time(),
                 now_ - base::TimeDelta::FromHours(23)),
          false);
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_USED_RECENTLY);
  now_ = now_ + base::TimeDelta::FromHours(1);
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_NOT_IN_USE);
}

TEST_F(ProcessMonitorTest, UsageStateCountsOnlyStartsNotFromAHint) {
  Started(Record(1, L"ulvena.exe --from-tavrin=hint u", L"", base::Time(),
                 now_ - base::TimeDelta::FromMinutes(1)),
          false);
  Started(Record(2, L"ulvena.exe", L"", base::Time(),
                 now_ - base::TimeDelta::FromMinutes(2)),
          false);
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_NOT_IN_USE);
  Started(Record(3, L"ulvena.exe --from-tavrin", L"", base::Time(),
                 now_ - base::TimeDelta::FromMinutes(3)),
          false);
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_USED_RECENTLY);
}

// Init never got as far as the stored log (here: it never ran): the last
// save must not replace the stored log with this run's empty one.
TEST_F(ProcessMonitorTest, ShutdownKeepsAStoredLogThatWasNeverLoaded) {
  const double now = Seconds(now_);
  SetStored(base::Value({{"90",
                          {{"command_line", "kept"},
                           {"creation_time", now - 600},
                           {"quit_time", now - 60}}}}));
  monitor_->Shutdown();
  base::Value stored = Stored();
  ASSERT_TRUE(stored.contains("90")) << stored.dump();
  EXPECT_EQ(stored["90"]["quit_time"], now - 60);
}

// Wine takes no event queries and has no IUnsecuredApartment; fakes stand
// in for both.
TEST_F(ProcessMonitorTest, InitRegistersBothEventQueriesOnTheSinksStub) {
  Microsoft::WRL::ComPtr<FakeWbemServices> services = new FakeWbemServices();
  Microsoft::WRL::ComPtr<FakeUnsecuredApartment> apartment =
      new FakeUnsecuredApartment();
  EXPECT_TRUE(InitOn(services.Get(), apartment.Get()));
  ASSERT_TRUE(sink());
  EXPECT_EQ(apartment->stubbed_object(),
            static_cast<IUnknown*>(static_cast<IWbemObjectSink*>(sink())));
  IWbemObjectSink* stub = apartment->stub();
  ASSERT_TRUE(stub);

  const wchar_t* const kQueries[] = {
      L"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance "
      L"ISA 'Win32_Process'AND TargetInstance.Name = 'ulvena.exe'",
      L"SELECT * FROM __InstanceDeletionEvent WITHIN 1 WHERE TargetInstance "
      L"ISA 'Win32_Process'AND TargetInstance.Name = 'ulvena.exe'"};
  const std::vector<FakeWbemServices::EventQuery>& registered =
      services->event_queries();
  ASSERT_EQ(registered.size(), std::size(kQueries));
  for (size_t i = 0; i < registered.size(); ++i) {
    EXPECT_EQ(registered[i].language, L"WQL");
    EXPECT_EQ(registered[i].query, kQueries[i]);
    EXPECT_EQ(registered[i].flags, WBEM_FLAG_SEND_STATUS);
    EXPECT_EQ(registered[i].context, nullptr);
    EXPECT_EQ(registered[i].handler, stub);
  }

  // Both are cancelled when the monitor goes.
  monitor_.reset();
  EXPECT_EQ(services->cancelled(), (std::vector<IWbemObjectSink*>{stub, stub}));
}

TEST_F(ProcessMonitorTest, WithoutAConnectionNoOtherBrowserIsAskedFor) {
  base::TestLogCapture capture;
  EXPECT_FALSE(monitor_->IsOtherBrowserActive());
  EXPECT_TRUE(capture.messages().empty());
}

class WmiDateTimeTest : public testing::Test {
 protected:
  void TearDown() override { SetWmiFileTimeConverterForTesting(nullptr); }

  // SWbemDateTime's GetFileTime, answering |text| for any input.
  void AnswerFileTime(const std::wstring& text) {
    SetWmiFileTimeConverterForTesting(
        [this, text](const std::wstring& wmi_time, std::wstring* result) {
          converted_.push_back(wmi_time);
          *result = text;
          return S_OK;
        });
  }

  std::vector<std::wstring> converted_;
};

TEST_F(WmiDateTimeTest, ParsesTheFileTimeText) {
  // 2023-11-14 22:13:20 UTC in 100 ns units since 1601.
  const base::Time expected = base::Time::FromTimeT(1700000000);
  FILETIME file_time;
  expected.ToFileTime(&file_time);
  const std::wstring ticks =
      std::to_wstring((static_cast<uint64_t>(file_time.dwHighDateTime) << 32) |
                      file_time.dwLowDateTime);

  AnswerFileTime(ticks);
  EXPECT_EQ(WmiDateTimeToTime(L"20231114221320.000000+000"), expected);
  ASSERT_EQ(converted_.size(), 1u);
  EXPECT_EQ(converted_[0], L"20231114221320.000000+000");

  AnswerFileTime(L" \t+" + ticks + L"xyz");
  EXPECT_EQ(WmiDateTimeToTime(L"t"), expected);
  AnswerFileTime(L"");
  EXPECT_TRUE(WmiDateTimeToTime(L"t").is_null());
  AnswerFileTime(L"abc");
  EXPECT_TRUE(WmiDateTimeToTime(L"t").is_null());
  AnswerFileTime(L"0");
  EXPECT_TRUE(WmiDateTimeToTime(L"t").is_null());
  // Before 1601: not a time, rather than one far in the future.
  AnswerFileTime(L"-" + ticks);
  EXPECT_TRUE(WmiDateTimeToTime(L"t").is_null());
}

TEST_F(WmiDateTimeTest, AFailedConversionGivesTheNullTime) {
  SetWmiFileTimeConverterForTesting(
      [](const std::wstring&, std::wstring* result) {
        *result = L"133000000000000000";
        return WBEM_E_INVALID_SYNTAX;
      });
  EXPECT_TRUE(WmiDateTimeToTime(L"garbage").is_null());
}

// Wine registers no SWbemDateTime: the real conversion fails at its first
// step and says so.
TEST_F(WmiDateTimeTest, WithoutSWbemDateTimeTheCreationIsLogged) {
  base::win::ScopedComInitializer com;
  base::TestLogCapture capture;
  Microsoft::WRL::ComPtr<IUnknown> probe;
  HRESULT hr = ::CoCreateInstance(
      CLSID_SWbemDateTime, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
      reinterpret_cast<void**>(probe.GetAddressOf()));
  if (SUCCEEDED(hr))
    GTEST_SKIP() << "SWbemDateTime is registered here";
  capture.Clear();
  EXPECT_TRUE(WmiDateTimeToTime(L"20231114221320.000000+000").is_null());
  EXPECT_TRUE(capture.Contains(logging::LOG_ERROR,
                               "Creating SWbemDateTime failed with err :" +
                                   std::to_string(static_cast<long>(hr))));
}

// The fake stands in for a Win32_Process instance as Windows gives it.
TEST_F(WmiDateTimeTest, ReadProcessRecordTakesStringsAndThePid) {
  AnswerFileTime(L"133000000000000000");
  Microsoft::WRL::ComPtr<FakeWbemClassObject> process =
      new FakeWbemClassObject();
  process->SetInt(L"ProcessId", 4242);
  process->SetString(L"CommandLine", L"\"C:\\U\\ulvena.exe\" --flag");
  process->SetString(L"ExecutablePath", L"C:\\U\\ulvena.exe");
  process->SetString(L"CreationDate", L"20240101000000.000000+000");
  ProcessRecord record = ReadProcessRecord(process.Get());
  EXPECT_EQ(record.pid, 4242);
  EXPECT_EQ(record.command_line, L"\"C:\\U\\ulvena.exe\" --flag");
  EXPECT_EQ(record.executable_path, L"C:\\U\\ulvena.exe");
  EXPECT_EQ(record.creation_time.ToInternalValue(), 13300000000000000);
  EXPECT_TRUE(record.quit_time.is_null());
  ASSERT_EQ(converted_.size(), 1u);
  EXPECT_EQ(converted_[0], L"20240101000000.000000+000");
}

// The fake stands in for a Win32_Process instance as Wine gives it: no
// values (VT_NULL) or no properties at all besides the pid.
TEST_F(WmiDateTimeTest, ReadProcessRecordLeavesMissingValuesEmpty) {
  AnswerFileTime(L"133000000000000000");
  Microsoft::WRL::ComPtr<FakeWbemClassObject> process =
      new FakeWbemClassObject();
  process->SetInt(L"ProcessId", 17);
  process->SetNull(L"CommandLine");
  process->SetInt(L"ExecutablePath", 5);
  process->SetGetFailure(L"CreationDate", WBEM_E_NOT_FOUND);
  ProcessRecord record = ReadProcessRecord(process.Get());
  EXPECT_EQ(record.pid, 17);
  EXPECT_TRUE(record.command_line.empty());
  EXPECT_TRUE(record.executable_path.empty());
  EXPECT_TRUE(record.creation_time.is_null());
  EXPECT_TRUE(converted_.empty());
}

}  // namespace
