#include "base/time/time.h"

#include <windows.h>

#include <cmath>
#include <mutex>

namespace base {

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

int64_t SaturatedAdd(int64_t a, int64_t b) {
  int64_t result;
  if (__builtin_add_overflow(a, b, &result))
    return b > 0 ? kInt64Max : kInt64Min;
  return result;
}

int64_t SaturatedSub(int64_t a, int64_t b) {
  int64_t result;
  if (__builtin_sub_overflow(a, b, &result))
    return b < 0 ? kInt64Max : kInt64Min;
  return result;
}

int64_t SaturatedMul(int64_t a, int64_t b) {
  int64_t result;
  if (__builtin_mul_overflow(a, b, &result))
    return ((a < 0) != (b < 0)) ? kInt64Min : kInt64Max;
  return result;
}

// Doubles beyond the int64 range (and infinities) clamp; NaN gives 0.
int64_t SaturatedFromDouble(double value) {
  if (std::isnan(value))
    return 0;
  if (value >= 9223372036854775807.0)
    return kInt64Max;
  if (value <= -9223372036854775808.0)
    return kInt64Min;
  return static_cast<int64_t>(value);
}

bool IsInfinite(int64_t value) {
  return value == kInt64Max || value == kInt64Min;
}

// Adds a delta to a point in time. The extreme values of either side act as
// infinities: they never move back into the finite range.
int64_t AddToPoint(int64_t point, int64_t delta) {
  if (IsInfinite(point))
    return point;
  if (IsInfinite(delta))
    return delta;
  return SaturatedAdd(point, delta);
}

int64_t SubtractPoints(int64_t a, int64_t b) {
  if (IsInfinite(a))
    return a;
  if (b == kInt64Max)
    return kInt64Min;
  if (b == kInt64Min)
    return kInt64Max;
  return SaturatedSub(a, b);
}

std::mutex& NowLock() {
  static std::mutex lock;
  return lock;
}

std::function<Time()>& NowOverride() {
  static std::function<Time()> now;
  return now;
}

Time SystemNow() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  return Time::FromFileTime(ft);
}

}  // namespace

// TimeDelta ------------------------------------------------------------------

TimeDelta TimeDelta::FromMilliseconds(int64_t ms) {
  return TimeDelta(SaturatedMul(ms, 1000));
}

TimeDelta TimeDelta::FromSeconds(int64_t s) {
  return TimeDelta(SaturatedMul(s, Time::kMicrosecondsPerSecond));
}

TimeDelta TimeDelta::FromSecondsD(double s) {
  return TimeDelta(SaturatedFromDouble(s * Time::kMicrosecondsPerSecond));
}

TimeDelta TimeDelta::FromMinutes(int64_t m) {
  return TimeDelta(SaturatedMul(m, 60 * Time::kMicrosecondsPerSecond));
}

TimeDelta TimeDelta::FromHours(int64_t h) {
  return TimeDelta(SaturatedMul(h, 3600 * Time::kMicrosecondsPerSecond));
}

TimeDelta TimeDelta::FromDays(int64_t d) {
  return TimeDelta(SaturatedMul(d, 86400 * Time::kMicrosecondsPerSecond));
}

int64_t TimeDelta::InMilliseconds() const {
  if (IsInfinite(delta_))
    return delta_;
  return delta_ / 1000;
}

int64_t TimeDelta::InSeconds() const {
  if (IsInfinite(delta_))
    return delta_;
  return delta_ / Time::kMicrosecondsPerSecond;
}

double TimeDelta::InSecondsF() const {
  if (delta_ == kInt64Max)
    return std::numeric_limits<double>::infinity();
  if (delta_ == kInt64Min)
    return -std::numeric_limits<double>::infinity();
  return static_cast<double>(delta_) / Time::kMicrosecondsPerSecond;
}

TimeDelta TimeDelta::operator+(TimeDelta other) const {
  return TimeDelta(AddToPoint(delta_, other.delta_));
}

TimeDelta TimeDelta::operator-(TimeDelta other) const {
  return TimeDelta(SubtractPoints(delta_, other.delta_));
}

TimeDelta TimeDelta::operator*(int64_t factor) const {
  if (IsInfinite(delta_)) {
    if (factor == 0)
      return TimeDelta();
    return TimeDelta(((delta_ < 0) != (factor < 0)) ? kInt64Min : kInt64Max);
  }
  return TimeDelta(SaturatedMul(delta_, factor));
}

TimeDelta TimeDelta::operator-() const {
  if (delta_ == kInt64Min)
    return Max();
  if (delta_ == kInt64Max)
    return Min();
  return TimeDelta(-delta_);
}

// Time -----------------------------------------------------------------------

// static
Time Time::Now() {
  std::function<Time()> now;
  {
    std::lock_guard<std::mutex> hold(NowLock());
    now = NowOverride();
  }
  return now ? now() : SystemNow();
}

// static
void Time::SetNowForTesting(std::function<Time()> now) {
  std::lock_guard<std::mutex> hold(NowLock());
  NowOverride() = std::move(now);
}

// static
Time Time::UnixEpoch() {
  return Time(kTimeTToMicrosecondsOffset);
}

// static
Time Time::FromDoubleT(double seconds_since_1970) {
  // 0 means "never" in stored prefs, so it maps to the null time rather than
  // to the Unix epoch.
  if (seconds_since_1970 == 0 || std::isnan(seconds_since_1970))
    return Time();
  return Time(AddToPoint(
      SaturatedFromDouble(seconds_since_1970 * kMicrosecondsPerSecond),
      kTimeTToMicrosecondsOffset));
}

double Time::ToDoubleT() const {
  if (is_null())
    return 0;
  if (us_ == kInt64Max)
    return std::numeric_limits<double>::infinity();
  if (us_ == kInt64Min)
    return -std::numeric_limits<double>::infinity();
  return static_cast<double>(SaturatedSub(us_, kTimeTToMicrosecondsOffset)) /
         kMicrosecondsPerSecond;
}

// static
Time Time::FromTimeT(int64_t seconds_since_1970) {
  if (seconds_since_1970 == 0)
    return Time();
  return Time(
      AddToPoint(SaturatedMul(seconds_since_1970, kMicrosecondsPerSecond),
                 kTimeTToMicrosecondsOffset));
}

int64_t Time::ToTimeT() const {
  if (is_null())
    return 0;
  if (IsInfinite(us_))
    return us_;
  return SaturatedSub(us_, kTimeTToMicrosecondsOffset) / kMicrosecondsPerSecond;
}

// static
Time Time::FromFileTime(const FILETIME& ft) {
  uint64_t ticks =
      (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  // FILETIME counts 100 ns units; a zero one is the null time.
  return Time(static_cast<int64_t>(ticks / 10));
}

void Time::ToFileTime(FILETIME* ft) const {
  uint64_t ticks = 0;
  if (us_ > 0) {
    ticks = us_ >= kInt64Max / 10 ? static_cast<uint64_t>(kInt64Max)
                                  : static_cast<uint64_t>(us_) * 10;
  }
  ft->dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

TimeDelta Time::operator-(Time other) const {
  return TimeDelta::FromMicroseconds(SubtractPoints(us_, other.us_));
}

Time Time::operator+(TimeDelta delta) const {
  return Time(AddToPoint(us_, delta.InMicroseconds()));
}

Time Time::operator-(TimeDelta delta) const {
  return Time(AddToPoint(us_, (-delta).InMicroseconds()));
}

// TimeTicks ------------------------------------------------------------------

// static
TimeTicks TimeTicks::Now() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    return ::QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 0;
  }();
  if (frequency == 0) {
    // No performance counter (not possible on supported systems); the
    // millisecond tick count is still monotonic.
    return TimeTicks(static_cast<int64_t>(::GetTickCount64()) * 1000);
  }
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  // Split to keep counter * 10^6 from overflowing on long uptimes.
  int64_t whole = counter.QuadPart / frequency;
  int64_t rest = counter.QuadPart % frequency;
  return TimeTicks(whole * Time::kMicrosecondsPerSecond +
                   rest * Time::kMicrosecondsPerSecond / frequency);
}

TimeDelta TimeTicks::operator-(TimeTicks other) const {
  return TimeDelta::FromMicroseconds(SubtractPoints(us_, other.us_));
}

TimeTicks TimeTicks::operator+(TimeDelta delta) const {
  return TimeTicks(AddToPoint(us_, delta.InMicroseconds()));
}

}  // namespace base
