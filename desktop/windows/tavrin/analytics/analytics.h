#ifndef DESKTOP_WINDOWS_TAVRIN_ANALYTICS_ANALYTICS_H_
#define DESKTOP_WINDOWS_TAVRIN_ANALYTICS_ANALYTICS_H_

#include <cstdint>
#include <functional>
#include <string>

namespace base {
template <typename Type>
class Singleton;
}  // namespace base

// Reports the notifier's events as Measurement Protocol (version 1) hits.
// Each event is one synchronous HTTPS POST on the calling (UI) thread: no
// queue, no retry. A request is bounded by kConnectTimeoutSeconds and
// kTotalTimeoutSeconds, so a stalled network holds the UI thread for
// seconds at most.
class Analytics {
 public:
  static constexpr long kConnectTimeoutSeconds = 5;
  static constexpr long kTotalTimeoutSeconds = 10;

  Analytics(const Analytics&) = delete;
  Analytics& operator=(const Analytics&) = delete;

  // The process-wide sender, created on first use and deleted by the
  // at-exit manager.
  static Analytics* GetInstance();

  // Called once at start-up, before the first event.
  void Init(const std::string& tracking_id, const std::string& client_id);

  // Marks the next event as the start of an analytics session.
  void SetSessionStart();

  // Sends an event without a value.
  void SendEvent(const std::string& category,
                 const std::string& action,
                 const std::string& label);
  // Sends an event; a value of 0 or less is left out. Values are sent as
  // they are, without escaping. A failure is logged and dropped.
  void SendEvent(const std::string& category,
                 const std::string& action,
                 const std::string& label,
                 int32_t value);

  // Test seams: where events go, the only CA a test server's certificate is
  // checked against (PEM), and shorter time-outs. The product uses the
  // collection endpoint, the system's certificate checking and the
  // constants above.
  void SetEndpointForTesting(const std::string& url);
  void SetCaCertificateForTesting(const std::string& pem);
  void SetTimeoutsForTesting(long connect_seconds, long total_seconds);
  // Hands every body to |callback| instead of the network, so tests of the
  // modules that send events can read them; a null callback restores
  // sending.
  using PostCallback = std::function<void(const std::string& body)>;
  void SetPostCallbackForTesting(PostCallback callback);

 private:
  friend class base::Singleton<Analytics>;

  Analytics();
  ~Analytics();

  std::string BuildEventBody(const std::string& category,
                             const std::string& action,
                             const std::string& label,
                             int32_t value);
  void Post(const std::string& body);

  std::string tracking_id_;
  std::string client_id_;
  bool session_start_ = false;

  std::string endpoint_;
  std::string ca_certificate_pem_;
  long connect_timeout_seconds_ = kConnectTimeoutSeconds;
  long total_timeout_seconds_ = kTotalTimeoutSeconds;
  PostCallback post_callback_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_ANALYTICS_ANALYTICS_H_
