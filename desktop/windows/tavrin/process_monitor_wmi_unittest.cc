// The process monitor against Wine's own WMI. Wine answers Win32_Process
// queries by name but has neither event queries nor IUnsecuredApartment, so
// Init records what runs, merges the stored log and then stops; the logic
// behind the events is tested on fakes in process_monitor_unittest.cc and
// process_event_sink_unittest.cc.

#include <windows.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/test/test_log_capture.h"
#include "base/time/time.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "components/prefs/pref_service_factory.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/process_monitor.h"
#include "gtest/gtest.h"
#include "tests/test/program_runner.h"

namespace {

constexpr char kLauncherLogPref[] = "process_monitor.launcher_log";

std::string Hex(HRESULT hr) {
  std::ostringstream text;
  text << std::hex << static_cast<unsigned long>(hr);
  return text.str();
}

class ProcessMonitorWmiTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.hr()));
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    auto registry = std::make_shared<PrefRegistrySimple>();
    ProcessMonitor::RegisterPrefs(registry.get());
    PrefServiceFactory factory;
    factory.SetUserPrefsFile(temp_dir_.GetPath() / L"tavrin_prefs.json",
                             loop_.task_runner());
    prefs_ = factory.Create(registry);
    // Nothing may leave the machine; no event is expected either.
    Analytics::GetInstance()->SetPostCallbackForTesting(
        [this](const std::string& body) { events_.push_back(body); });
    monitor_ = std::make_unique<ProcessMonitor>();
    monitor_->SetPrefServiceForTesting(prefs_.get());
  }

  void TearDown() override {
    for (PROCESS_INFORMATION& process : processes_)
      EndProcess(&process);
    monitor_.reset();
    Analytics::GetInstance()->SetPostCallbackForTesting(nullptr);
    loop_.RunUntilIdle();
    prefs_.reset();
  }

  // Starts our idle program under |name|; the test ends it.
  DWORD StartProcessNamed(const std::wstring& name) {
    const base::FilePath program = temp_dir_.GetPath() / name;
    if (!base::PathExists(program) &&
        !base::CopyFile(tavrin_test::GetProgramNextToTest(L"idle_process.exe"),
                        program)) {
      ADD_FAILURE() << "cannot copy the idle program";
      return 0;
    }
    std::wstring command_line = L"\"" + program.native() + L"\" 60";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr,
                          nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
      ADD_FAILURE() << "cannot start the idle program";
      return 0;
    }
    ::CloseHandle(info.hThread);
    processes_.push_back(info);
    return info.dwProcessId;
  }

  void EndProcess(PROCESS_INFORMATION* process) {
    if (!process->hProcess)
      return;
    ::TerminateProcess(process->hProcess, 0);
    ::WaitForSingleObject(process->hProcess, 10000);
    ::CloseHandle(process->hProcess);
    process->hProcess = nullptr;
  }

  void EndAllProcesses() {
    for (PROCESS_INFORMATION& process : processes_)
      EndProcess(&process);
  }

  base::win::ScopedComInitializer com_;
  base::AtExitManager at_exit_;
  base::MessageLoop loop_;
  base::ScopedTempDir temp_dir_;
  std::unique_ptr<PrefService> prefs_;
  std::unique_ptr<ProcessMonitor> monitor_;
  std::vector<PROCESS_INFORMATION> processes_;
  std::vector<std::string> events_;
};

// One test: COM security can be set once per process, and every Init
// starts with it.
TEST_F(ProcessMonitorWmiTest, InitAndTheOtherBrowserQueryOnWinesWmi) {
  const DWORD browser = StartProcessNamed(L"ulvena.exe");
  ASSERT_NE(browser, 0u);
  const std::string pid = std::to_string(browser);
  const double now = base::Time::Now().ToDoubleT();
  // What an earlier run stored: the same pid (now someone else's process),
  // and an ended process.
  prefs_->Set(kLauncherLogPref, base::Value({{pid,
                                              {{"command_line", "stale"},
                                               {"creation_time", now - 7200},
                                               {"quit_time", now - 3600}}},
                                             {"1",
                                              {{"command_line", "ended"},
                                               {"creation_time", now - 600},
                                               {"quit_time", now - 60}}}}));

  base::TestLogCapture capture;
  // Wine has no IUnsecuredApartment: Init stops before the event queries,
  // but after the initial query and the stored log.
  EXPECT_FALSE(monitor_->Init());
  EXPECT_TRUE(capture.Contains(
      logging::LOG_ERROR,
      "Failed to create IUnsecuredApartment object. Err code = 0x" +
          Hex(REGDB_E_CLASSNOTREG)));
  for (const base::TestLogCapture::Message& message : capture.messages()) {
    EXPECT_EQ(message.text.find("ExecNotificationQueryAsync"),
              std::string::npos);
    EXPECT_EQ(message.text.find("ExecQuery failed"), std::string::npos);
    EXPECT_EQ(message.text.find("Could not"), std::string::npos);
    EXPECT_EQ(message.text.find("Failed to initialize"), std::string::npos);
  }

  // The running copy was found, and the live record replaced the stale one.
  const base::Value stored = prefs_->GetDictionary(kLauncherLogPref);
  ASSERT_TRUE(stored.contains(pid)) << stored.dump();
  EXPECT_EQ(stored[pid]["quit_time"], 0.0);
  EXPECT_TRUE(stored[pid].contains("tentative_quit_time"));
  // Wine gives no command line of another process.
  EXPECT_EQ(stored[pid]["command_line"], "");
  ASSERT_TRUE(stored.contains("1"));
  EXPECT_EQ(stored["1"]["command_line"], "ended");
  EXPECT_EQ(monitor_->GetUsageState(), BROWSER_RUNNING);
  EXPECT_TRUE(events_.empty());

  // The other-browser query through the same connection.
  EXPECT_FALSE(monitor_->IsOtherBrowserActive());
  for (const wchar_t* name :
       {L"chrome.exe", L"firefox.exe", L"MicrosoftEdge.exe", L"iexplore.exe"}) {
    SCOPED_TRACE(testing::Message() << "browser " << name);
    ASSERT_NE(StartProcessNamed(name), 0u);
    EXPECT_TRUE(monitor_->IsOtherBrowserActive());
    EndProcess(&processes_.back());
    EXPECT_FALSE(monitor_->IsOtherBrowserActive());
  }
  // Our browser itself is no other browser.
  EXPECT_FALSE(monitor_->IsOtherBrowserActive());
  EXPECT_FALSE(capture.ContainsPrefix(logging::LOG_ERROR, "ExecQuery failed"));

  // The last save keeps both records.
  monitor_->Shutdown();
  const base::Value saved = prefs_->GetDictionary(kLauncherLogPref);
  EXPECT_TRUE(saved.contains(pid));
  EXPECT_TRUE(saved.contains("1"));
}

}  // namespace
