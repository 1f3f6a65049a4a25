#ifndef BASE_WIN_WINDOWS_VERSION_H_
#define BASE_WIN_WINDOWS_VERSION_H_

namespace base {
namespace win {

// Windows releases in the order they came out, so that a caller can ask for
// "at least". The numbers are stable: tables store them.
enum Version {
  VERSION_PRE_XP = 0,
  VERSION_XP = 1,
  VERSION_SERVER_2003 = 2,  // Also Windows XP x64.
  VERSION_VISTA = 3,
  VERSION_WIN7 = 4,
  VERSION_WIN8 = 5,
  VERSION_WIN8_1 = 6,
  VERSION_WIN10 = 7,
  // Above every release: a minimum that no system meets.
  VERSION_WIN_LAST = 8,
};

// The running system's version, read once on first use. The process-wide
// instance is never destroyed, so it can be used during exit as well.
class OSInfo {
 public:
  static OSInfo* GetInstance();

  OSInfo(const OSInfo&) = delete;
  OSInfo& operator=(const OSInfo&) = delete;

  Version version() const { return version_; }
  int major_version() const { return major_version_; }
  int minor_version() const { return minor_version_; }

 private:
  OSInfo();

  Version version_ = VERSION_PRE_XP;
  int major_version_ = 0;
  int minor_version_ = 0;
};

// Shorthand for OSInfo::GetInstance()->version().
Version GetVersion();

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WINDOWS_VERSION_H_
