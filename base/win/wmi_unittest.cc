#include "base/win/wmi.h"

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/test/test_log_capture.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/scoped_variant.h"
#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

// A copy of the idle helper under a name no other process has, started and
// ended by the test.
class NamedProcess {
 public:
  bool Start() {
    if (!temp_dir_.CreateUniqueTempDir())
      return false;
    FilePath exe_dir;
    if (!PathService::Get(DIR_EXE, &exe_dir))
      return false;
    name_ = L"wmi_probe_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(::GetTickCount()) + L".exe";
    const FilePath copy = temp_dir_.GetPath() / name_;
    if (!::CopyFileW((exe_dir / L"idle_helper.exe").c_str(), copy.c_str(),
                     TRUE)) {
      return false;
    }
    STARTUPINFOW startup_info = {};
    startup_info.cb = sizeof(startup_info);
    std::wstring command_line = L"\"" + copy.native() + L"\"";
    if (!::CreateProcessW(copy.c_str(), command_line.data(), nullptr, nullptr,
                          FALSE, 0, nullptr, nullptr, &startup_info,
                          &process_)) {
      return false;
    }
    ::CloseHandle(process_.hThread);
    return true;
  }

  ~NamedProcess() {
    if (process_.hProcess) {
      ::TerminateProcess(process_.hProcess, 0);
      ::WaitForSingleObject(process_.hProcess, 10000);
      ::CloseHandle(process_.hProcess);
    }
  }

  const std::wstring& name() const { return name_; }
  DWORD id() const { return process_.dwProcessId; }

 private:
  ScopedTempDir temp_dir_;
  std::wstring name_;
  PROCESS_INFORMATION process_ = {};
};

std::string Hex(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof(text), "%lx", static_cast<unsigned long>(hr));
  return text;
}

// The process ids of the rows of |rows|.
std::vector<long> ProcessIds(IEnumWbemClassObject* rows) {
  std::vector<long> ids;
  ForEachWmiObject(rows, [&ids](IWbemClassObject* row) {
    ScopedVariant id;
    if (SUCCEEDED(row->Get(L"ProcessId", 0, id.Receive(), nullptr, nullptr)) &&
        (id.type() == VT_I4 || id.type() == VT_UI4)) {
      ids.push_back(V_I4(&id.Get()));
    } else {
      ids.push_back(-1);
    }
  });
  return ids;
}

class WmiTest : public testing::Test {
 protected:
  ScopedComInitializer com_;
  TestLogCapture log_;
};

TEST_F(WmiTest, AQueryByNameFindsTheProcessWeStarted) {
  ASSERT_TRUE(com_.Succeeded());
  NamedProcess process;
  ASSERT_TRUE(process.Start());

  Microsoft::WRL::ComPtr<IWbemServices> services;
  ASSERT_EQ(S_OK, ConnectToWmi(&services));
  ASSERT_TRUE(services);

  Microsoft::WRL::ComPtr<IEnumWbemClassObject> rows;
  ASSERT_EQ(S_OK, ExecWmiQuery(services.Get(),
                               L"SELECT * FROM Win32_Process WHERE Name = '" +
                                   process.name() + L"'",
                               &rows));
  EXPECT_EQ(std::vector<long>{static_cast<long>(process.id())},
            ProcessIds(rows.Get()));

  // A name that no process has gives no rows, and the walk still ends.
  ASSERT_EQ(S_OK, ExecWmiQuery(services.Get(),
                               L"SELECT * FROM Win32_Process WHERE Name = "
                               L"'no_such_process_here.exe'",
                               &rows));
  EXPECT_TRUE(ProcessIds(rows.Get()).empty());
  EXPECT_TRUE(log_.messages().empty());
}

TEST_F(WmiTest, ABadNamespaceFailsWithItsErrorLineInHexadecimal) {
  ASSERT_TRUE(com_.Succeeded());
  Microsoft::WRL::ComPtr<IWbemServices> services;
  const HRESULT hr = ConnectToWmi(L"ROOT\\NoSuchNamespace", &services);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(services);
  ASSERT_EQ(1u, log_.messages().size());
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR,
                            "Could not connect. Error code = 0x" + Hex(hr)))
      << log_.messages()[0].text;
}

TEST_F(WmiTest, AFailedQueryIsLoggedInSignedDecimal) {
  ASSERT_TRUE(com_.Succeeded());
  Microsoft::WRL::ComPtr<IWbemServices> services;
  ASSERT_EQ(S_OK, ConnectToWmi(&services));
  Microsoft::WRL::ComPtr<IEnumWbemClassObject> rows;
  const HRESULT hr = ExecWmiQuery(services.Get(), L"SELECT FROM WHERE", &rows);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_FALSE(rows);
  EXPECT_TRUE(log_.Contains(logging::LOG_ERROR,
                            "ExecQuery failed with error = " +
                                std::to_string(static_cast<long>(hr))));
}

}  // namespace

}  // namespace win
}  // namespace base
