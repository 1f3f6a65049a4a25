#ifndef TESTS_TEST_EVENT_CAPTURE_H_
#define TESTS_TEST_EVENT_CAPTURE_H_

#include <cstddef>
#include <string>
#include <vector>

#include "base/time/time.h"

// Analytics events of the real programs, as the capture proxy of the test
// run received them. tools/wine_env.sh starts that proxy
// (tests/test/event_capture_proxy.py) for every test and demo run and
// points https_proxy at it, so no event leaves the machine; each POST body is
// recorded there in order of arrival.
//
// All tests of a run share one proxy, and several test programs run at once
// (ctest -j8). Each test therefore starts its notifier with a client id of
// its own (MakeUniqueClientId, passed as "--analytics-client-id=") and reads
// only the events that carry it. A notifier started without the switch (by
// the installer, say) uses the id that it keeps in its prefs under
// "analytics.user_id"; read that one, or seed the prefs file with an id of
// the test's own before the start:
//
//   const std::string client_id = tavrin_test::MakeUniqueClientId();
//   StartNotifier(L"--analytics-client-id=" + base::UTF8ToWide(client_id));
//   std::vector<tavrin_test::CapturedEvent> events =
//       tavrin_test::WaitForCapturedEvents(client_id, 1,
//                                          base::TimeDelta::FromSeconds(15));
//   ASSERT_EQ(events.size(), 1u);
//   EXPECT_EQ(events[0].body, "v=1&tid=...&cid=" + client_id + "&t=event...");

namespace tavrin_test {

struct CapturedEvent {
  // The CONNECT target, such as "www.google-analytics.com:443".
  std::string host;
  // The request path inside the tunnel, such as "/collect".
  std::string path;
  // The form-encoded body, byte for byte.
  std::string body;
};

// Whether this test runs with a capture proxy (TAVRIN_EVENT_CAPTURE names its
// event file). Without one, a program's events would be sent for real, so a
// test that runs the real notifier fails when this is false.
bool IsEventCaptureAvailable();

// A client id that no other test of this run uses: a GUID.
std::string MakeUniqueClientId();

// Every event captured so far whose body has the field "cid=|client_id|",
// in order of arrival.
std::vector<CapturedEvent> ReadCapturedEvents(const std::string& client_id);

// Waits until at least |count| events of |client_id| have been captured, or
// |timeout| has passed, and returns those captured by then.
std::vector<CapturedEvent> WaitForCapturedEvents(const std::string& client_id,
                                                 size_t count,
                                                 base::TimeDelta timeout);

// The value of field |name| in a form-encoded |body| ("" when absent); the
// bodies are not URL-escaped, so this is a plain split at '&'.
std::string FormField(const std::string& body, const std::string& name);

}  // namespace tavrin_test

#endif  // TESTS_TEST_EVENT_CAPTURE_H_
