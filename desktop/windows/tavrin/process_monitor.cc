#include "desktop/windows/tavrin/process_monitor.h"

#include <wbemdisp.h>

#include <cwchar>
#include <string>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "base/win/wmi.h"
#include "components/prefs/pref_registry_simple.h"
#include "components/prefs/pref_service.h"
#include "desktop/windows/tavrin/analytics/analytics.h"
#include "desktop/windows/tavrin/process_event_sink.h"
#include "desktop/windows/tavrin/tavrin_main_controller.h"

namespace {

constexpr char kLauncherLogPref[] = "process_monitor.launcher_log";
constexpr char kCommandLineKey[] = "command_line";
constexpr char kCreationTimeKey[] = "creation_time";
constexpr char kQuitTimeKey[] = "quit_time";
constexpr char kTentativeQuitTimeKey[] = "tentative_quit_time";

constexpr wchar_t kBrowserProcessQuery[] =
    L"SELECT * FROM Win32_Process WHERE Name = 'ulvena.exe'";
// WQL ends a string literal at its quote, so no blank is needed before AND.
constexpr wchar_t kCreationEventQuery[] =
    L"SELECT * FROM __InstanceCreationEvent WITHIN 1 WHERE TargetInstance "
    L"ISA 'Win32_Process'AND TargetInstance.Name = 'ulvena.exe'";
constexpr wchar_t kDeletionEventQuery[] =
    L"SELECT * FROM __InstanceDeletionEvent WITHIN 1 WHERE TargetInstance "
    L"ISA 'Win32_Process'AND TargetInstance.Name = 'ulvena.exe'";
constexpr wchar_t kOtherBrowserQuery[] =
    L"SELECT * FROM Win32_Process WHERE Name = 'chrome.exe' OR Name = "
    L"'firefox.exe' OR Name = 'MicrosoftEdge.exe' OR Name = 'iexplore.exe'";

// Browser child processes (renderers, GPU, ...) carry this switch.
constexpr wchar_t kChildProcessSwitch[] = L"--type=";
// A start through a hint's accept button.
constexpr wchar_t kFromHintSwitch[] = L"--from-tavrin=hint";

constexpr int kStoredDays = 30;
constexpr int kRecentUseDays = 1;

WmiFileTimeConverter& FileTimeConverterForTesting() {
  static WmiFileTimeConverter converter;
  return converter;
}

void LogHexFailure(const char* message, HRESULT hr) {
  LOG(ERROR) << message << std::hex << static_cast<unsigned long>(hr);
}

// SWbemDateTime turns the CIM datetime into the decimal text of a UTC
// FILETIME. Each failure is logged here.
HRESULT ConvertWithSWbemDateTime(const std::wstring& wmi_time,
                                 std::wstring* file_time_text) {
  Microsoft::WRL::ComPtr<ISWbemDateTime> date_time;
  HRESULT hr = ::CoCreateInstance(
      CLSID_SWbemDateTime, nullptr, CLSCTX_INPROC_SERVER, IID_ISWbemDateTime,
      reinterpret_cast<void**>(date_time.GetAddressOf()));
  if (FAILED(hr)) {
    LOG(ERROR) << "Creating SWbemDateTime failed with err :"
               << static_cast<long>(hr);
    return hr;
  }
  base::win::ScopedBstr value(wmi_time);
  hr = date_time->put_Value(value.Get());
  if (FAILED(hr)) {
    LOG(ERROR) << "wbem_date_time->put_Value failed with err :"
               << static_cast<long>(hr);
    return hr;
  }
  BSTR text = nullptr;
  hr = date_time->GetFileTime(VARIANT_FALSE, &text);
  if (FAILED(hr)) {
    LOG(ERROR) << "wbem_date_time->GetFileTime failed with err :"
               << static_cast<long>(hr);
    return hr;
  }
  file_time_text->assign(text ? text : L"");
  ::SysFreeString(text);
  return S_OK;
}

bool Contains(const std::wstring& text, const wchar_t* part) {
  return text.find(part) != std::wstring::npos;
}

// A VT_BSTR property as text; empty for VT_NULL (no value) or any failure.
std::wstring GetStringProperty(IWbemClassObject* object, const wchar_t* name) {
  base::win::ScopedVariant value;
  if (FAILED(object->Get(name, 0, value.Receive(), nullptr, nullptr)) ||
      value.type() != VT_BSTR || !V_BSTR(&value.Get())) {
    return std::wstring();
  }
  return std::wstring(V_BSTR(&value.Get()),
                      ::SysStringLen(V_BSTR(&value.Get())));
}

int32_t GetPidProperty(IWbemClassObject* object) {
  base::win::ScopedVariant value;
  if (FAILED(object->Get(L"ProcessId", 0, value.Receive(), nullptr, nullptr)))
    return 0;
  // WMI hands uint32 properties over as VT_I4; accept any integer form.
  VARIANT as_int;
  ::VariantInit(&as_int);
  if (FAILED(::VariantChangeType(&as_int, value.AsInput(), 0, VT_I4)))
    return 0;
  return V_I4(&as_int);
}

}  // namespace

ProcessMonitor::ProcessMonitor() = default;

ProcessMonitor::~ProcessMonitor() {
  StopEvents();
}

bool ProcessMonitor::Init() {
  // Security, locator, connection and proxy blanket; each failure is logged
  // by the helper. A connection whose blanket failed is kept.
  if (FAILED(base::win::ConnectToWmi(&services_)))
    return false;

  // Events come in through an unsecured-apartment stub, so that WMI can call
  // back into this apartment without authenticating to it.
  Microsoft::WRL::ComPtr<IUnsecuredApartment> apartment;
  HRESULT hr =
      ::CoCreateInstance(CLSID_UnsecuredApartment, nullptr, CLSCTX_LOCAL_SERVER,
                         IID_IUnsecuredApartment,
                         reinterpret_cast<void**>(apartment.GetAddressOf()));
  if (FAILED(hr)) {
    LogHexFailure("Failed to create IUnsecuredApartment object. Err code = 0x",
                  hr);
  }
  return StartWatching(std::move(apartment));
}

bool ProcessMonitor::StartWatching(
    Microsoft::WRL::ComPtr<IUnsecuredApartment> apartment) {
  unsecured_apartment_ = std::move(apartment);
  bool can_register_events = false;
  if (unsecured_apartment_) {
    if (event_sink_)
      event_sink_->Detach();
    event_sink_ = new ProcessEventSink(this);
    Microsoft::WRL::ComPtr<IUnknown> stub;
    HRESULT hr = unsecured_apartment_->CreateObjectStub(
        static_cast<IWbemObjectSink*>(event_sink_.Get()), stub.GetAddressOf());
    if (SUCCEEDED(hr))
      hr = stub.As(&stub_sink_);
    if (FAILED(hr))
      LogHexFailure("Failed to create the event sink stub. Err code = 0x", hr);
    else
      can_register_events = true;
  }

  // The browser processes that run now are recorded without events, and
  // the stored log is merged in even when no events can follow, so that the
  // usage state is right either way.
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> processes;
  if (FAILED(base::win::ExecWmiQuery(services_.Get(), kBrowserProcessQuery,
                                     &processes))) {
    return false;
  }
  base::win::ForEachWmiObject(processes.Get(), [this](IWbemClassObject* row) {
    OnProcessStarted(ReadProcessRecord(row), false);
  });
  processes.Reset();

  LoadLauncherLog();

  if (!can_register_events)
    return false;

  // The two failure texts differ by a blank, so that a log tells which
  // query failed; a failed deletion query leaves the creation one in place.
  return RegisterEventQuery(
             kCreationEventQuery,
             "ExecNotificationQueryAsync failed with error = ") &&
         RegisterEventQuery(kDeletionEventQuery,
                            "ExecNotificationQueryAsync failed with  error = ");
}

bool ProcessMonitor::RegisterEventQuery(const wchar_t* query,
                                        const char* failure_text) {
  base::win::ScopedBstr language(L"WQL");
  base::win::ScopedBstr query_text(query);
  const HRESULT hr = services_->ExecNotificationQueryAsync(
      language.Get(), query_text.Get(), WBEM_FLAG_SEND_STATUS, nullptr,
      stub_sink_.Get());
  if (FAILED(hr)) {
    LOG(ERROR) << failure_text << static_cast<long>(hr);
    return false;
  }
  ++registered_queries_;
  return true;
}

void ProcessMonitor::Shutdown() {
  // When Init stopped before the stored log was read, a plain save would
  // replace it with only what this run saw; merging it first keeps it.
  if (launcher_log_loaded_)
    SaveLauncherLog();
  else
    LoadLauncherLog();
  StopEvents();
}

// static
void ProcessMonitor::RegisterPrefs(PrefRegistrySimple* registry) {
  registry->RegisterDictionaryPref(kLauncherLogPref);
}

BrowserUsageState ProcessMonitor::GetUsageState() const {
  if (launcher_log_.empty())
    return BROWSER_NOT_IN_USE;
  bool running = false;
  int independent = 0;
  base::Time latest_quit;
  for (const auto& [pid, record] : launcher_log_) {
    if (record.quit_time.is_null())
      running = true;
    if (!Contains(record.command_line, kFromHintSwitch))
      ++independent;
    if (record.quit_time > latest_quit)
      latest_quit = record.quit_time;
  }
  if (running)
    return BROWSER_RUNNING;
  // A user who has started the browser on their own only once is not yet
  // taken to use it.
  if (independent <= 1)
    return BROWSER_NOT_IN_USE;
  if (base::Time::Now() - latest_quit <
      base::TimeDelta::FromDays(kRecentUseDays)) {
    return BROWSER_USED_RECENTLY;
  }
  return BROWSER_NOT_IN_USE;
}

bool ProcessMonitor::IsOtherBrowserActive() {
  // Without a connection there is nothing to ask.
  if (!services_)
    return false;
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> processes;
  if (FAILED(base::win::ExecWmiQuery(services_.Get(), kOtherBrowserQuery,
                                     &processes))) {
    return false;
  }
  Microsoft::WRL::ComPtr<IWbemClassObject> process;
  ULONG returned = 0;
  HRESULT hr =
      processes->Next(WBEM_INFINITE, 1, process.GetAddressOf(), &returned);
  return hr == WBEM_S_NO_ERROR;
}

void ProcessMonitor::SetPrefServiceForTesting(PrefService* prefs) {
  prefs_for_testing_ = prefs;
}

void ProcessMonitor::LoadLauncherLog() {
  PrefService* prefs = GetPrefService();
  if (!prefs)
    return;
  const base::Value stored = prefs->GetDictionary(kLauncherLogPref);
  if (stored.is_object()) {
    for (const auto& [key, entry] : stored.items()) {
      int pid = 0;
      std::string command_line;
      double creation_time = 0;
      double quit_time = 0;
      if (!entry.is_object() || !base::StringToInt(key, &pid) ||
          !base::GetStringAt(entry, kCommandLineKey, &command_line) ||
          !base::GetDoubleAt(entry, kCreationTimeKey, &creation_time) ||
          !base::GetDoubleAt(entry, kQuitTimeKey, &quit_time)) {
        continue;
      }
      // A process found running now is newer than what was stored for its
      // pid.
      if (launcher_log_.count(pid))
        continue;

      ProcessRecord record;
      record.pid = pid;
      record.command_line = base::UTF8ToWide(command_line);
      record.creation_time = base::Time::FromDoubleT(creation_time);
      record.quit_time = base::Time::FromDoubleT(quit_time);
      // Not seen ending: the program stopped while it ran. It ended at the
      // latest with the last save, else take its start.
      if (record.quit_time.is_null()) {
        double tentative_quit_time = 0;
        record.quit_time = base::GetDoubleAt(entry, kTentativeQuitTimeKey,
                                             &tentative_quit_time)
                               ? base::Time::FromDoubleT(tentative_quit_time)
                               : record.creation_time;
      }
      // A stored process is never running now (those are found by the
      // initial query); without any time it would count as running for
      // good, and never age out of the log.
      if (record.quit_time.is_null())
        continue;
      launcher_log_[pid] = std::move(record);
    }
  }
  launcher_log_loaded_ = true;
  SaveLauncherLog();
}

void ProcessMonitor::SaveLauncherLog() {
  PrefService* prefs = GetPrefService();
  if (!prefs)
    return;
  const base::Time now = base::Time::Now();
  base::Value stored = base::Value::object();
  for (const auto& [pid, record] : launcher_log_) {
    if (!record.quit_time.is_null() &&
        now - record.quit_time > base::TimeDelta::FromDays(kStoredDays)) {
      continue;
    }
    base::Value entry = {
        {kCommandLineKey, base::WideToUTF8(record.command_line)},
        {kCreationTimeKey, record.creation_time.ToDoubleT()},
        {kQuitTimeKey, record.quit_time.ToDoubleT()}};
    if (record.quit_time.is_null())
      entry[kTentativeQuitTimeKey] = now.ToDoubleT();
    stored[std::to_string(pid)] = std::move(entry);
  }
  prefs->Set(kLauncherLogPref, std::move(stored));
}

void ProcessMonitor::OnProcessStarted(const ProcessRecord& record,
                                      bool notify) {
  if (Contains(record.command_line, kChildProcessSwitch))
    return;
  // A further main process of an installation that already runs.
  if (HasRunningProcessWithPath(record.executable_path))
    return;
  if (notify) {
    const bool from_hint = Contains(record.command_line, kFromHintSwitch);
    Analytics::GetInstance()->SendEvent("independent", "open_browser",
                                        "open_browser", from_hint ? 1 : 0);
  }
  launcher_log_[record.pid] = record;
  if (notify)
    SaveLauncherLog();
}

void ProcessMonitor::OnProcessEnded(const ProcessRecord& record) {
  // A record that already ended keeps its time: the pid now belongs to a
  // later process, such as a child of a new browser run, whose end must not
  // make the old one look recent.
  auto it = launcher_log_.find(record.pid);
  if (it != launcher_log_.end() && it->second.quit_time.is_null())
    it->second.quit_time = record.quit_time;
  SaveLauncherLog();
}

bool ProcessMonitor::HasRunningProcessWithPath(const std::wstring& path) const {
  // An unknown path (WMI may not tell it) says nothing about the
  // installation: two such processes are not the same browser.
  if (path.empty())
    return false;
  for (const auto& [pid, record] : launcher_log_) {
    if (record.quit_time.is_null() && record.executable_path == path)
      return true;
  }
  return false;
}

void ProcessMonitor::StopEvents() {
  // The sink goes first: an event that WMI delivers while the calls below
  // wait then finds no monitor.
  if (event_sink_)
    event_sink_->Detach();
  if (services_ && stub_sink_) {
    for (; registered_queries_ > 0; --registered_queries_)
      services_->CancelAsyncCall(stub_sink_.Get());
  }
  registered_queries_ = 0;
}

PrefService* ProcessMonitor::GetPrefService() const {
  if (prefs_for_testing_)
    return prefs_for_testing_;
  return TavrinMainController::GetInstance()->pref_service();
}

ProcessRecord ReadProcessRecord(IWbemClassObject* process) {
  ProcessRecord record;
  record.pid = GetPidProperty(process);
  record.command_line = GetStringProperty(process, L"CommandLine");
  record.executable_path = GetStringProperty(process, L"ExecutablePath");
  // Without a value there is nothing to convert.
  std::wstring creation_date = GetStringProperty(process, L"CreationDate");
  if (!creation_date.empty())
    record.creation_time = WmiDateTimeToTime(creation_date);
  return record;
}

base::Time WmiDateTimeToTime(const std::wstring& wmi_time) {
  std::wstring file_time_text;
  const WmiFileTimeConverter& converter = FileTimeConverterForTesting();
  HRESULT hr = converter ? converter(wmi_time, &file_time_text)
                         : ConvertWithSWbemDateTime(wmi_time, &file_time_text);
  if (FAILED(hr))
    return base::Time();

  // Leading blanks and a sign, then digits up to the first other
  // character; no digits give 0.
  const long long ticks = std::wcstoll(file_time_text.c_str(), nullptr, 10);
  // A count before 1601 is no time at all.
  if (ticks <= 0)
    return base::Time();
  FILETIME file_time;
  file_time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return base::Time::FromFileTime(file_time);
}

void SetWmiFileTimeConverterForTesting(WmiFileTimeConverter converter) {
  FileTimeConverterForTesting() = std::move(converter);
}
