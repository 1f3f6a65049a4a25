#ifndef DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_H_
#define DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_H_

#include <windows.h>

#include <oaidl.h>

#include <string>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/values.h"

class NotificationManager;

// One hint while it is shown: which local page the pop-up displays, what
// "accept" opens, how tall the pop-up is, and which content version and
// variant it shows. Built from the hint's entry in notifications.json for
// each showing and never reused. Shared on the UI thread by the manager, the
// pop-up window, its browser control's client site and the script bridge.
class Notification : public base::RefCounted<Notification> {
 public:
  // The arguments of a page's call as the script bridge hands them on: the
  // last argument of the script call comes first. The caller owns them.
  using Arguments = std::vector<VARIANT>;

  static constexpr int kDefaultHeight = 100;

  // |entry| is the hint's value in notifications.json; it is only read here.
  // |manager| receives the page's answers (see ClearManager).
  Notification(const std::string& name,
               const base::Value& entry,
               NotificationManager* manager);

  const std::string& name() const { return name_; }
  // "file:///" address of the page; empty when the entry names none.
  const std::string& url() const { return url_; }
  // What "accept" opens when the page passes no address.
  const std::string& cta() const { return cta_; }
  int height() const { return height_; }
  int version() const { return version_; }
  const std::vector<std::string>& variants() const { return variants_; }
  // Empty when no variant was chosen.
  const std::string& variant() const { return variant_; }

  void SetVariant(const std::string& variant);

  // The page's answers (window.external.accept, dismiss, dontShowAgain).
  void OnAccept(const Arguments& arguments);
  void OnDismiss(const Arguments& arguments);
  void OnDontShowAgain(const Arguments& arguments);

  // The script engine may keep the notification alive after its manager is
  // gone; the manager calls this when it goes, and later answers are dropped.
  void ClearManager() { manager_ = nullptr; }

 protected:
  friend class base::RefCounted<Notification>;
  virtual ~Notification();

 private:
  std::string name_;
  std::string url_;
  std::string cta_;
  int height_ = kDefaultHeight;
  int version_ = 0;
  std::vector<std::string> variants_;
  std::string variant_;
  NotificationManager* manager_;
};

#endif  // DESKTOP_WINDOWS_TAVRIN_NOTIFICATION_H_
