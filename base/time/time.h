#ifndef BASE_TIME_TIME_H_
#define BASE_TIME_TIME_H_

#include <cstdint>
#include <functional>
#include <limits>

struct _FILETIME;

namespace base {

// A span of time in microseconds. Arithmetic saturates at the largest and
// smallest values instead of wrapping.
class TimeDelta {
 public:
  constexpr TimeDelta() = default;

  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static TimeDelta FromMilliseconds(int64_t ms);
  static TimeDelta FromSeconds(int64_t s);
  static TimeDelta FromSecondsD(double s);
  static TimeDelta FromMinutes(int64_t m);
  static TimeDelta FromHours(int64_t h);
  static TimeDelta FromDays(int64_t d);
  static constexpr TimeDelta Max() {
    return TimeDelta(std::numeric_limits<int64_t>::max());
  }
  static constexpr TimeDelta Min() {
    return TimeDelta(std::numeric_limits<int64_t>::min());
  }

  constexpr int64_t InMicroseconds() const { return delta_; }
  int64_t InMilliseconds() const;
  int64_t InSeconds() const;
  double InSecondsF() const;
  bool is_zero() const { return delta_ == 0; }
  bool is_max() const { return *this == Max(); }

  TimeDelta operator+(TimeDelta other) const;
  TimeDelta operator-(TimeDelta other) const;
  TimeDelta operator*(int64_t factor) const;
  TimeDelta operator-() const;
  TimeDelta& operator+=(TimeDelta other) { return *this = *this + other; }
  TimeDelta& operator-=(TimeDelta other) { return *this = *this - other; }

  constexpr auto operator<=>(const TimeDelta&) const = default;

 private:
  explicit constexpr TimeDelta(int64_t us) : delta_(us) {}
  int64_t delta_ = 0;
};

// A point in wall-clock time, microseconds since 1601-01-01 UTC (the
// FILETIME epoch). The default value is the null time.
class Time {
 public:
  static constexpr int64_t kTimeTToMicrosecondsOffset = 11644473600000000LL;
  static constexpr int64_t kMicrosecondsPerSecond = 1000000;

  constexpr Time() = default;

  // The system clock, unless a test replaced it.
  static Time Now();
  // Replaces Now() until called again with an empty function.
  static void SetNowForTesting(std::function<Time()> now);

  static Time UnixEpoch();
  // 0 gives the null time and the null time gives 0.
  static Time FromDoubleT(double seconds_since_1970);
  double ToDoubleT() const;
  static Time FromTimeT(int64_t seconds_since_1970);
  int64_t ToTimeT() const;
  // A zero FILETIME gives the null time.
  static Time FromFileTime(const _FILETIME& ft);
  void ToFileTime(_FILETIME* ft) const;
  static constexpr Time FromInternalValue(int64_t us) { return Time(us); }
  constexpr int64_t ToInternalValue() const { return us_; }

  bool is_null() const { return us_ == 0; }

  TimeDelta operator-(Time other) const;
  Time operator+(TimeDelta delta) const;
  Time operator-(TimeDelta delta) const;
  constexpr auto operator<=>(const Time&) const = default;

 private:
  explicit constexpr Time(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

// A monotonic clock for delays; unaffected by changes of the wall clock.
class TimeTicks {
 public:
  constexpr TimeTicks() = default;
  static TimeTicks Now();
  bool is_null() const { return us_ == 0; }
  TimeDelta operator-(TimeTicks other) const;
  TimeTicks operator+(TimeDelta delta) const;
  constexpr auto operator<=>(const TimeTicks&) const = default;

 private:
  explicit constexpr TimeTicks(int64_t us) : us_(us) {}
  int64_t us_ = 0;
};

}  // namespace base

#endif  // BASE_TIME_TIME_H_
