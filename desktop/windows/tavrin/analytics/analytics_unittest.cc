#include "desktop/windows/tavrin/analytics/analytics.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/at_exit.h"
#include "base/test/test_log_capture.h"
#include "gtest/gtest.h"

namespace {

constexpr char kFailurePrefix[] = "[AU] Send Request status: ";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The HTTPS servers that test_https_server.py runs for this test on
// https://localhost, described by its server.info file.
class TestServers {
 public:
  bool Load() {
    wchar_t dir[MAX_PATH];
    DWORD length =
        GetEnvironmentVariableW(L"TAVRIN_TEST_HTTPS_SERVER", dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
      return false;
    std::string root;
    for (DWORD i = 0; i < length; ++i)
      root += static_cast<char>(dir[i]);
    std::istringstream info(ReadFile(root + "/server.info"));
    for (std::string line; std::getline(info, line);) {
      size_t equals = line.find('=');
      if (equals != std::string::npos)
        values_[line.substr(0, equals)] = line.substr(equals + 1);
    }
    if (values_.count("ca") == 0 || values_.count("bodies") == 0)
      return false;
    // The server writes host paths; Wine shows the host's root as Z:.
    values_["ca"] = "Z:" + values_["ca"];
    values_["bodies"] = "Z:" + values_["bodies"];
    return true;
  }

  std::string Url(const std::string& port_key,
                  const std::string& path = "/collect") {
    return "https://localhost:" + values_[port_key] + path;
  }
  std::string CaPem() { return ReadFile(values_["ca"]); }
  std::vector<std::string> Bodies() { return ReadLines(values_["bodies"]); }

 private:
  std::map<std::string, std::string> values_;
};

class AnalyticsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(servers_.Load())
        << "TAVRIN_TEST_HTTPS_SERVER must name a running test server";
    analytics_ = Analytics::GetInstance();
    analytics_->Init("UA-123-4", "client-7");
    analytics_->SetCaCertificateForTesting(servers_.CaPem());
    analytics_->SetEndpointForTesting(servers_.Url("good_port"));
    bodies_before_ = servers_.Bodies().size();
  }

  // The texts of the error-level messages logged since the test began.
  std::vector<std::string> ErrorMessages() const {
    std::vector<std::string> errors;
    for (const base::TestLogCapture::Message& message : log_.messages()) {
      if (message.severity == logging::LOG_ERROR)
        errors.push_back(message.text);
    }
    return errors;
  }

  // Bodies the servers received since the test began.
  std::vector<std::string> NewBodies() {
    std::vector<std::string> all = servers_.Bodies();
    return std::vector<std::string>(all.begin() + bodies_before_, all.end());
  }

  // Sends one event and returns how long it took, in seconds.
  double TimedSend() {
    auto start = std::chrono::steady_clock::now();
    analytics_->SendEvent("Tray", "click", "");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                         start)
        .count();
  }

  base::AtExitManager at_exit_;  // Deletes the sender after each test.
  TestServers servers_;
  Analytics* analytics_ = nullptr;
  size_t bodies_before_ = 0;
  base::TestLogCapture log_{/*verbosity=*/0};
};

TEST_F(AnalyticsTest, SendsEachEventBodyAsItIsBuilt) {
  const std::string head = "v=1&tid=UA-123-4&cid=client-7&t=event&ec=";
  analytics_->SendEvent("Tray", "click", "");
  analytics_->SendEvent("independent", "open_browser", "open_browser", 0);
  analytics_->SendEvent("independent", "open_browser", "open_browser", -1);
  analytics_->SendEvent("independent", "open_browser", "open_browser", 1);
  // Values go out unescaped, ampersands and blanks included.
  analytics_->SendEvent("Hint", "click a&b", "ads v2 & more");
  analytics_->SendEvent("Session", "start", "session");

  EXPECT_EQ(std::vector<std::string>({
                head + "Tray&ea=click",
                head + "independent&ea=open_browser&el=open_browser",
                head + "independent&ea=open_browser&el=open_browser",
                head + "independent&ea=open_browser&el=open_browser&ev=1",
                head + "Hint&ea=click a&b&el=ads v2 & more",
                head + "Session&ea=start&el=session",
            }),
            NewBodies());
  EXPECT_TRUE(ErrorMessages().empty());
}

TEST_F(AnalyticsTest, SessionStartMarksOnlyTheNextEvent) {
  const std::string head = "v=1&tid=UA-123-4&cid=client-7&t=event&ec=";
  analytics_->SetSessionStart();
  analytics_->SendEvent("Hint", "impression_showing", "ads_v2_b");
  analytics_->SendEvent("Hint", "click_dismiss", "ads");
  analytics_->SetSessionStart();
  analytics_->SendEvent("Hint", "impression_showing", "places_v1", 3);

  EXPECT_EQ(std::vector<std::string>({
                head + "Hint&ea=impression_showing&el=ads_v2_b&sc=start",
                head + "Hint&ea=click_dismiss&el=ads",
                head + "Hint&ea=impression_showing&el=places_v1&ev=3&sc=start",
            }),
            NewBodies());
}

TEST_F(AnalyticsTest, EmptyIdsStayEmpty) {
  analytics_->Init("", "");
  analytics_->SendEvent("Session", "start", "session");
  EXPECT_EQ(std::vector<std::string>(
                {"v=1&tid=&cid=&t=event&ec=Session&ea=start&el=session"}),
            NewBodies());
}

// Neither the status nor the body of the answer is looked at; the body must
// not land on stdout either, which a GUI program does not have.
TEST_F(AnalyticsTest, AnswerIsNotLookedAt) {
  testing::internal::CaptureStdout();
  analytics_->SendEvent("Tray", "click", "");
  analytics_->SetEndpointForTesting(
      servers_.Url("good_port", "/error/collect"));
  analytics_->SendEvent("Tray", "click", "");
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
  EXPECT_EQ(2u, NewBodies().size());
  EXPECT_TRUE(ErrorMessages().empty());
}

TEST_F(AnalyticsTest, RefusedConnectionIsLoggedWithTheCurlCode) {
  analytics_->SetEndpointForTesting(servers_.Url("closed_port"));
  analytics_->SendEvent("Tray", "click", "");
  // 7: CURLE_COULDNT_CONNECT.
  EXPECT_EQ(std::vector<std::string>({std::string(kFailurePrefix) + "7"}),
            ErrorMessages());
}

TEST_F(AnalyticsTest, CertificateNotSignedByTheTrustedCaIsRefused) {
  analytics_->SetEndpointForTesting(servers_.Url("rogue_port"));
  analytics_->SendEvent("Tray", "click", "");
  ASSERT_EQ(1u, ErrorMessages().size());
  EXPECT_EQ(0u, ErrorMessages()[0].rfind(kFailurePrefix, 0))
      << ErrorMessages()[0];
  EXPECT_NE(std::string(kFailurePrefix) + "0", ErrorMessages()[0]);
  EXPECT_TRUE(NewBodies().empty()) << "the body went to an untrusted server";
}

// A server that takes the connection and never speaks must not hold the UI
// thread longer than the connect time-out.
TEST_F(AnalyticsTest, SilentServerCostsNoMoreThanTheConnectTimeout) {
  analytics_->SetEndpointForTesting(servers_.Url("silent_port"));
  double seconds = TimedSend();
  EXPECT_LT(seconds, Analytics::kConnectTimeoutSeconds + 2.0);
  EXPECT_GE(seconds, Analytics::kConnectTimeoutSeconds - 1.0);
  // 28: CURLE_OPERATION_TIMEDOUT.
  EXPECT_EQ(std::vector<std::string>({std::string(kFailurePrefix) + "28"}),
            ErrorMessages());
}

// A server that reads the request and never answers is cut off by the total
// time-out (made short here to keep the test fast).
TEST_F(AnalyticsTest, UnansweredRequestCostsNoMoreThanTheTotalTimeout) {
  analytics_->SetTimeoutsForTesting(2, 3);
  analytics_->SetEndpointForTesting(servers_.Url("stalled_port"));
  double seconds = TimedSend();
  EXPECT_LT(seconds, 3.0 + 2.0);
  EXPECT_GE(seconds, 3.0 - 0.5);
  EXPECT_EQ(std::vector<std::string>({std::string(kFailurePrefix) + "28"}),
            ErrorMessages());
}

TEST(AnalyticsSingletonTest, OneInstanceUntilExit) {
  base::AtExitManager at_exit;
  Analytics* first = Analytics::GetInstance();
  EXPECT_EQ(first, Analytics::GetInstance());
}

}  // namespace
