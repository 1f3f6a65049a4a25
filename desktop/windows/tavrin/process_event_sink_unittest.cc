#include "desktop/windows/tavrin/process_event_sink.h"

#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/tavrin/test/fake_wbem_class_object.h"
#include "desktop/windows/tavrin/test/process_monitor_test.h"
#include "gtest/gtest.h"

namespace {

using Microsoft::WRL::ComPtr;
using tavrin_test::FakeWbemClassObject;

constexpr wchar_t kCreation[] = L"__InstanceCreationEvent";
constexpr wchar_t kDeletion[] = L"__InstanceDeletionEvent";
constexpr wchar_t kBrowser[] = L"C:\\Ulvena\\ulvena.exe";

// Stands in for the Win32_Process instance that WMI puts into an event's
// "TargetInstance" on Windows (CreationDate left out: its conversion has
// tests of its own).
ComPtr<FakeWbemClassObject> Process(long pid,
                                    const std::wstring& command_line,
                                    const std::wstring& executable_path) {
  ComPtr<FakeWbemClassObject> process = new FakeWbemClassObject();
  process->SetInt(L"ProcessId", pid);
  if (command_line.empty())
    process->SetNull(L"CommandLine");
  else
    process->SetString(L"CommandLine", command_line);
  if (executable_path.empty())
    process->SetNull(L"ExecutablePath");
  else
    process->SetString(L"ExecutablePath", executable_path);
  process->SetNull(L"CreationDate");
  return process;
}

// Stands in for the __InstanceCreationEvent or __InstanceDeletionEvent
// object that WMI hands to the sink's Indicate.
ComPtr<FakeWbemClassObject> Event(
    const wchar_t* event_class,
    const ComPtr<FakeWbemClassObject>& target = nullptr) {
  ComPtr<FakeWbemClassObject> event = new FakeWbemClassObject();
  event->AddAncestor(event_class);
  event->AddAncestor(L"__InstanceOperationEvent");
  if (target) {
    event->SetObject(L"TargetInstance",
                     static_cast<IWbemClassObject*>(target.Get()));
  }
  return event;
}

class ProcessEventSinkTest : public ProcessMonitorTest {
 protected:
  HRESULT Indicate(const std::vector<ComPtr<FakeWbemClassObject>>& events) {
    std::vector<IWbemClassObject*> objects;
    for (const auto& event : events)
      objects.push_back(event.Get());
    return sink_->Indicate(static_cast<LONG>(objects.size()), objects.data());
  }

  void SetUp() override {
    ProcessMonitorTest::SetUp();
    sink_ = AttachSink();
  }

  ComPtr<ProcessEventSink> sink_;
};

TEST_F(ProcessEventSinkTest, AnswersOnlyTheSinkInterface) {
  ComPtr<IWbemObjectSink> as_sink;
  EXPECT_EQ(sink_.As(&as_sink), S_OK);
  ComPtr<IUnknown> as_unknown;
  EXPECT_EQ(sink_.As(&as_unknown), S_OK);
  ComPtr<IDispatch> as_dispatch;
  EXPECT_EQ(sink_.As(&as_dispatch), E_NOINTERFACE);
  EXPECT_EQ(
      sink_->SetStatus(WBEM_STATUS_COMPLETE, WBEM_E_FAILED, nullptr, nullptr),
      WBEM_S_NO_ERROR);
}

TEST_F(ProcessEventSinkTest, ACreationRecordsReportsAndSaves) {
  EXPECT_EQ(Indicate({Event(
                kCreation,
                Process(100, L"ulvena.exe --from-tavrin=hint x", kBrowser))}),
            WBEM_S_NO_ERROR);
  ASSERT_EQ(log().count(100), 1u);
  EXPECT_EQ(log().at(100).executable_path, kBrowser);
  EXPECT_TRUE(log().at(100).quit_time.is_null());
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_NE(events_[0].find("&ec=independent&ea=open_browser&el=open_browser"
                            "&ev=1"),
            std::string::npos);
  EXPECT_TRUE(Stored().contains("100"));
}

TEST_F(ProcessEventSinkTest, ACreationWithoutCommandLineOrPathIsIgnored) {
  MarkStored();
  EXPECT_EQ(Indicate({Event(kCreation, Process(101, L"", kBrowser)),
                      Event(kCreation, Process(102, L"ulvena.exe", L""))}),
            WBEM_S_NO_ERROR);
  EXPECT_TRUE(log().empty());
  EXPECT_TRUE(events_.empty());
  EXPECT_TRUE(StoredIsMarked());
}

TEST_F(ProcessEventSinkTest, ADeletionEndsTheRecordNowAndSaves) {
  Indicate({Event(kCreation, Process(103, L"ulvena.exe", kBrowser))});
  now_ = now_ + base::TimeDelta::FromMinutes(3);
  // Deletion events carry the same instance, here without its values.
  Indicate({Event(kDeletion, Process(103, L"", L""))});
  ASSERT_EQ(log().count(103), 1u);
  EXPECT_EQ(log().at(103).quit_time, now_);
  EXPECT_EQ(log().at(103).command_line, L"ulvena.exe");
  EXPECT_EQ(Stored()["103"]["quit_time"], now_.ToDoubleT());
  EXPECT_EQ(events_.size(), 1u);
}

TEST_F(ProcessEventSinkTest, ADeletionOfAnUnknownPidStillSaves) {
  MarkStored();
  Indicate(
      {Event(kDeletion, Process(104, L"ulvena.exe --type=gpu", kBrowser))});
  EXPECT_TRUE(log().empty());
  EXPECT_FALSE(StoredIsMarked());
  EXPECT_EQ(Stored(), base::Value::object());
}

TEST_F(ProcessEventSinkTest, UnreadableEventsAreSkippedAndTheRestHandled) {
  ComPtr<FakeWbemClassObject> failing = Event(kCreation);
  failing->SetGetFailure(L"TargetInstance", WBEM_E_NOT_FOUND);
  ComPtr<FakeWbemClassObject> not_an_object = Event(kCreation);
  not_an_object->SetString(L"TargetInstance", L"Win32_Process");
  ComPtr<FakeWbemClassObject> empty_object = Event(kCreation);
  empty_object->SetObject(L"TargetInstance", nullptr);
  // Neither a creation nor a deletion: nothing to do.
  ComPtr<FakeWbemClassObject> other = new FakeWbemClassObject();
  other->AddAncestor(L"__InstanceModificationEvent");
  ComPtr<FakeWbemClassObject> modified =
      Process(106, L"ulvena.exe", L"D:\\u.exe");
  other->SetObject(L"TargetInstance",
                   static_cast<IWbemClassObject*>(modified.Get()));
  MarkStored();

  EXPECT_EQ(Indicate({failing, not_an_object, empty_object, other,
                      Event(kCreation, Process(105, L"ulvena.exe", kBrowser))}),
            WBEM_S_NO_ERROR);
  ASSERT_EQ(log().size(), 1u);
  EXPECT_EQ(log().count(105), 1u);
  EXPECT_EQ(events_.size(), 1u);
  EXPECT_EQ(sink_->Indicate(3, nullptr), WBEM_S_NO_ERROR);
}

TEST_F(ProcessEventSinkTest, EventsAfterShutdownTouchNothing) {
  Indicate({Event(kCreation, Process(107, L"ulvena.exe", kBrowser))});
  monitor_->Shutdown();
  MarkStored();
  const size_t sent = events_.size();

  Indicate({Event(kDeletion, Process(107, L"", L"")),
            Event(kCreation, Process(108, L"ulvena.exe", L"D:\\u.exe"))});
  EXPECT_TRUE(log().at(107).quit_time.is_null());
  EXPECT_EQ(log().count(108), 0u);
  EXPECT_EQ(events_.size(), sent);
  EXPECT_TRUE(StoredIsMarked());
}

// WMI may hold the sink longer than the monitor lives.
TEST_F(ProcessEventSinkTest, EventsAfterTheMonitorIsGoneAreDropped) {
  monitor_.reset();
  EXPECT_EQ(Indicate({Event(kCreation, Process(109, L"ulvena.exe", kBrowser))}),
            WBEM_S_NO_ERROR);
  EXPECT_TRUE(events_.empty());
}

}  // namespace
