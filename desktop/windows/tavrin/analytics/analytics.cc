#include "desktop/windows/tavrin/analytics/analytics.h"

#include <curl/curl.h>

#include <utility>

#include "base/logging.h"
#include "base/memory/singleton.h"

namespace {

constexpr char kCollectEndpoint[] = "https://www.google-analytics.com/collect";

// The response is not looked at. Without a sink of its own libcurl would
// write it to stdout, which a GUI program lacks, and then report every
// answered request as a write error.
size_t DiscardResponse(char* data, size_t size, size_t count, void* context) {
  return size * count;
}

}  // namespace

// static
Analytics* Analytics::GetInstance() {
  return base::Singleton<Analytics>::get();
}

Analytics::Analytics() : endpoint_(kCollectEndpoint) {
  curl_global_init(CURL_GLOBAL_ALL);
}

Analytics::~Analytics() {
  curl_global_cleanup();
}

void Analytics::Init(const std::string& tracking_id,
                     const std::string& client_id) {
  tracking_id_ = tracking_id;
  client_id_ = client_id;
}

void Analytics::SetSessionStart() {
  session_start_ = true;
}

void Analytics::SendEvent(const std::string& category,
                          const std::string& action,
                          const std::string& label) {
  SendEvent(category, action, label, -1);
}

void Analytics::SendEvent(const std::string& category,
                          const std::string& action,
                          const std::string& label,
                          int32_t value) {
  Post(BuildEventBody(category, action, label, value));
}

void Analytics::SetEndpointForTesting(const std::string& url) {
  endpoint_ = url;
}

void Analytics::SetCaCertificateForTesting(const std::string& pem) {
  ca_certificate_pem_ = pem;
}

void Analytics::SetTimeoutsForTesting(long connect_seconds,
                                      long total_seconds) {
  connect_timeout_seconds_ = connect_seconds;
  total_timeout_seconds_ = total_seconds;
}

void Analytics::SetPostCallbackForTesting(PostCallback callback) {
  post_callback_ = std::move(callback);
}

std::string Analytics::BuildEventBody(const std::string& category,
                                      const std::string& action,
                                      const std::string& label,
                                      int32_t value) {
  std::string body = "v=1&tid=" + tracking_id_;
  body += "&cid=" + client_id_;
  body += "&t=event&ec=" + category;
  body += "&ea=" + action;
  if (!label.empty())
    body += "&el=" + label;
  if (value > 0)
    body += "&ev=" + std::to_string(value);
  if (session_start_) {
    body += "&sc=start";
    session_start_ = false;
  }
  return body;
}

void Analytics::Post(const std::string& body) {
  if (post_callback_) {
    post_callback_(body);
    return;
  }
  CURL* curl = curl_easy_init();
  if (!curl)
    return;
  curl_easy_setopt(curl, CURLOPT_URL, endpoint_.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DiscardResponse);
  // The request runs on the UI thread: without limits a stalled network
  // would freeze the tray and the hints for good.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connect_timeout_seconds_);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, total_timeout_seconds_);
  if (!ca_certificate_pem_.empty()) {
    curl_blob ca = {};
    ca.data = const_cast<char*>(ca_certificate_pem_.data());
    ca.len = ca_certificate_pem_.size();
    ca.flags = CURL_BLOB_COPY;
    curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &ca);
  }
  CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK)
    LOG(ERROR) << "[AU] Send Request status: " << static_cast<int>(result);
  curl_easy_cleanup(curl);
}
