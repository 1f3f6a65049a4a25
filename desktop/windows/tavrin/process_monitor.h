#ifndef DESKTOP_WINDOWS_TAVRIN_PROCESS_MONITOR_H_
#define DESKTOP_WINDOWS_TAVRIN_PROCESS_MONITOR_H_

#include <wbemidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "base/time/time.h"

class PrefRegistrySimple;
class PrefService;
class ProcessEventSink;

// How the browser is being used, as far as the launcher log tells.
enum BrowserUsageState {
  // Not running, and not used recently.
  BROWSER_NOT_IN_USE = 0,
  // A main browser process runs now.
  BROWSER_RUNNING = 1,
  // The browser was used within the last day.
  BROWSER_USED_RECENTLY = 2,
};

// One main browser process that the monitor has seen.
struct ProcessRecord {
  int32_t pid = 0;
  // Empty when WMI gives no value.
  std::wstring command_line;
  // Empty when WMI gives no value; not stored in prefs, so empty in every
  // record loaded from them.
  std::wstring executable_path;
  // Null when the creation date could not be converted.
  base::Time creation_time;
  // Null while the process runs.
  base::Time quit_time;
};

// Watches the browser's processes ("ulvena.exe") through WMI and keeps the
// launcher log: one ProcessRecord per main browser process seen, stored in
// the pref "process_monitor.launcher_log" so that it outlasts restarts.
//
// Lives on the UI thread, a single-threaded apartment: WMI's calls into the
// event sink arrive on that thread (from its message loop or while it waits
// inside an outgoing WMI call), so no lock is taken.
class ProcessMonitor {
 public:
  ProcessMonitor();
  ProcessMonitor(const ProcessMonitor&) = delete;
  ProcessMonitor& operator=(const ProcessMonitor&) = delete;
  // Cancels the event queries, so that no event reaches a destroyed monitor.
  ~ProcessMonitor();

  // Connects to WMI, records the browser processes that run now, merges the
  // stored launcher log, saves it and registers the creation and deletion
  // event queries. True only when both event queries were registered; a
  // failing step is logged and the steps after it do not run.
  bool Init();

  // Saves the launcher log for the last time and stops the event queries;
  // events that still arrive touch nothing.
  void Shutdown();

  // Registers "process_monitor.launcher_log" (an empty dictionary).
  static void RegisterPrefs(PrefRegistrySimple* registry);

  // Derived from every record of the in-memory launcher log.
  BrowserUsageState GetUsageState() const;

  // True when chrome.exe, firefox.exe, MicrosoftEdge.exe or iexplore.exe
  // runs. False when the query fails or there is no WMI connection.
  bool IsOtherBrowserActive();

  // Tests only: the launcher log is read from and written to |prefs|
  // instead of the main controller's pref service. Null restores it.
  void SetPrefServiceForTesting(PrefService* prefs);

 private:
  friend class ProcessEventSink;
  friend class ProcessMonitorTest;

  // Merges the stored log into the in-memory one, then saves.
  void LoadLauncherLog();
  // Replaces the stored log with the in-memory one, leaving out records
  // that ended more than 30 days ago.
  void SaveLauncherLog();
  // A creation of a browser process; |notify| reports it and saves.
  void OnProcessStarted(const ProcessRecord& record, bool notify);
  // A deletion of a browser process (main or child); always saves.
  void OnProcessEnded(const ProcessRecord& record);
  // True when a running recorded process has the executable |path|.
  bool HasRunningProcessWithPath(const std::wstring& path) const;

  // Init's steps after the connection to |services_|: records what runs,
  // merges the stored log and registers the event queries through a stub
  // made by |apartment| (none when it could not be created). Tests reach it
  // with fakes of both, which Wine does not provide.
  bool StartWatching(Microsoft::WRL::ComPtr<IUnsecuredApartment> apartment);
  // Registers one event query on |stub_sink_|; logs |failure_text| and the
  // error when WMI refuses it.
  bool RegisterEventQuery(const wchar_t* query, const char* failure_text);
  // Stops both event queries and detaches the sink from this monitor.
  void StopEvents();
  PrefService* GetPrefService() const;

  Microsoft::WRL::ComPtr<IUnsecuredApartment> unsecured_apartment_;
  Microsoft::WRL::ComPtr<ProcessEventSink> event_sink_;
  // The unsecured-apartment stub of |event_sink_|, as handed to WMI.
  Microsoft::WRL::ComPtr<IWbemObjectSink> stub_sink_;
  // "ROOT\CIMV2"; empty until Init connects.
  Microsoft::WRL::ComPtr<IWbemServices> services_;
  std::map<int32_t, ProcessRecord> launcher_log_;

  // Whether the stored log has been merged in; until then a save would
  // replace it with only what this run has seen.
  bool launcher_log_loaded_ = false;
  // Event queries registered on |stub_sink_|, each cancelled once.
  int registered_queries_ = 0;
  PrefService* prefs_for_testing_ = nullptr;
};

// Reads a Win32_Process object: "ProcessId", "CommandLine",
// "ExecutablePath" and "CreationDate". A property without a string value
// leaves its field empty; quit_time stays null.
ProcessRecord ReadProcessRecord(IWbemClassObject* process);

// Converts a CIM datetime ("yyyymmddHHMMSS.mmmmmmsUUU") to a Time through
// SWbemDateTime's UTC FILETIME. Null (and logged) when the conversion fails.
base::Time WmiDateTimeToTime(const std::wstring& wmi_time);

// Tests only: SWbemDateTime is not registered everywhere (not under Wine),
// so a test can stand in for its conversion. |converter| receives the CIM
// datetime and answers the decimal FILETIME text, or a failure HRESULT.
// Null restores SWbemDateTime.
using WmiFileTimeConverter =
    std::function<HRESULT(const std::wstring& wmi_time,
                          std::wstring* file_time_text)>;
void SetWmiFileTimeConverterForTesting(WmiFileTimeConverter converter);

#endif  // DESKTOP_WINDOWS_TAVRIN_PROCESS_MONITOR_H_
