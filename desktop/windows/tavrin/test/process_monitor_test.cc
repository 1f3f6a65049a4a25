#include "desktop/windows/tavrin/test/process_monitor_test.h"

#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service_factory.h"
#include "desktop/windows/tavrin/analytics/analytics.h"

namespace {

constexpr char kLauncherLogPref[] = "process_monitor.launcher_log";

}  // namespace

ProcessMonitorTest::ProcessMonitorTest() = default;
ProcessMonitorTest::~ProcessMonitorTest() = default;

void ProcessMonitorTest::SetUp() {
  ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
  auto registry = std::make_shared<PrefRegistrySimple>();
  ProcessMonitor::RegisterPrefs(registry.get());
  PrefServiceFactory factory;
  factory.SetUserPrefsFile(temp_dir_.GetPath() / L"tavrin_prefs.json",
                           loop_.task_runner());
  prefs_ = factory.Create(registry);

  now_ = base::Time::FromTimeT(1700000000);
  base::Time::SetNowForTesting([this] { return now_; });

  Analytics* analytics = Analytics::GetInstance();
  analytics->Init("UA-1-2", "client");
  analytics->SetPostCallbackForTesting(
      [this](const std::string& body) { events_.push_back(body); });

  monitor_ = std::make_unique<ProcessMonitor>();
  monitor_->SetPrefServiceForTesting(prefs_.get());
}

void ProcessMonitorTest::TearDown() {
  monitor_.reset();
  base::Time::SetNowForTesting(nullptr);
  Analytics::GetInstance()->SetPostCallbackForTesting(nullptr);
  // Let the pref store finish its writes before the folder goes.
  loop_.RunUntilIdle();
  prefs_.reset();
}

// static
ProcessRecord ProcessMonitorTest::Record(int32_t pid,
                                         const std::wstring& command_line,
                                         const std::wstring& executable_path,
                                         base::Time creation_time,
                                         base::Time quit_time) {
  ProcessRecord record;
  record.pid = pid;
  record.command_line = command_line;
  record.executable_path = executable_path;
  record.creation_time = creation_time;
  record.quit_time = quit_time;
  return record;
}

Microsoft::WRL::ComPtr<ProcessEventSink> ProcessMonitorTest::AttachSink() {
  monitor_->event_sink_ = new ProcessEventSink(monitor_.get());
  return monitor_->event_sink_;
}

base::Value ProcessMonitorTest::Stored() const {
  return prefs_->GetDictionary(kLauncherLogPref);
}

void ProcessMonitorTest::SetStored(base::Value log) {
  prefs_->Set(kLauncherLogPref, std::move(log));
}

void ProcessMonitorTest::MarkStored() {
  SetStored(base::Value({{"marker", true}}));
}

bool ProcessMonitorTest::StoredIsMarked() const {
  return Stored() == base::Value({{"marker", true}});
}
