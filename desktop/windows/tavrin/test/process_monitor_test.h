#ifndef DESKTOP_WINDOWS_TAVRIN_TEST_PROCESS_MONITOR_TEST_H_
#define DESKTOP_WINDOWS_TAVRIN_TEST_PROCESS_MONITOR_TEST_H_

#include <wrl/client.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/time/time.h"
#include "base/values.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/process_event_sink.h"
#include "desktop/windows/tavrin/process_monitor.h"
#include "gtest/gtest.h"

// A monitor on prefs of its own, with the clock stopped at now_ and every
// analytics body collected in events_ instead of being sent.
class ProcessMonitorTest : public testing::Test {
 protected:
  ProcessMonitorTest();
  ~ProcessMonitorTest() override;

  void SetUp() override;
  void TearDown() override;

  static ProcessRecord Record(int32_t pid,
                              const std::wstring& command_line,
                              const std::wstring& executable_path,
                              base::Time creation_time = base::Time(),
                              base::Time quit_time = base::Time());

  // The monitor's private steps.
  void Started(const ProcessRecord& record, bool notify) {
    monitor_->OnProcessStarted(record, notify);
  }
  void Ended(const ProcessRecord& record) { monitor_->OnProcessEnded(record); }
  void Load() { monitor_->LoadLauncherLog(); }
  void Save() { monitor_->SaveLauncherLog(); }
  const std::map<int32_t, ProcessRecord>& log() const {
    return monitor_->launcher_log_;
  }
  // Init after its connection step, on |services| in place of WMI's.
  bool InitOn(IWbemServices* services, IUnsecuredApartment* apartment) {
    monitor_->services_ = services;
    return monitor_->StartWatching(apartment);
  }
  ProcessEventSink* sink() const { return monitor_->event_sink_.Get(); }
  // A sink on the monitor, held by it as Init would.
  Microsoft::WRL::ComPtr<ProcessEventSink> AttachSink();

  base::Value Stored() const;
  void SetStored(base::Value log);
  // A value no save of the monitor could produce, to see that none ran.
  void MarkStored();
  bool StoredIsMarked() const;

  base::AtExitManager at_exit_;
  base::MessageLoop loop_;
  base::ScopedTempDir temp_dir_;
  std::unique_ptr<PrefService> prefs_;
  std::unique_ptr<ProcessMonitor> monitor_;
  base::Time now_;
  std::vector<std::string> events_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_TEST_PROCESS_MONITOR_TEST_H_
