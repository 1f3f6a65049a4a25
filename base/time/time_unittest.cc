#include "base/time/time.h"

#include <windows.h>

#include <cmath>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(TimeDeltaTest, UnitConversions) {
  EXPECT_EQ(1500000, TimeDelta::FromMilliseconds(1500).InMicroseconds());
  EXPECT_EQ(1, TimeDelta::FromMilliseconds(1500).InSeconds());
  EXPECT_EQ(90, TimeDelta::FromMinutes(1).InSeconds() +
                    TimeDelta::FromSeconds(30).InSeconds());
  EXPECT_EQ(86400, TimeDelta::FromDays(1).InSeconds());
  EXPECT_EQ(7200000, TimeDelta::FromHours(2).InMilliseconds());
  EXPECT_EQ(2500000, TimeDelta::FromSecondsD(2.5).InMicroseconds());
  EXPECT_DOUBLE_EQ(-0.25, TimeDelta::FromMilliseconds(-250).InSecondsF());
}

TEST(TimeDeltaTest, ArithmeticSaturates) {
  const TimeDelta one = TimeDelta::FromSeconds(1);
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::Max() + one);
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::Max() - one);
  EXPECT_EQ(TimeDelta::Max(), one + TimeDelta::Max());
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Min() - one);
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Min() + one);
  EXPECT_EQ(TimeDelta::Min(), one - TimeDelta::Max());
  EXPECT_EQ(TimeDelta::Max(), -TimeDelta::Min());
  EXPECT_EQ(TimeDelta::Min(), -TimeDelta::Max());

  // Finite values that overflow clamp instead of wrapping.
  const TimeDelta big =
      TimeDelta::FromMicroseconds(std::numeric_limits<int64_t>::max() - 10);
  EXPECT_EQ(TimeDelta::Max(), big + TimeDelta::FromMicroseconds(11));
  EXPECT_EQ(TimeDelta::Max(), big * 2);
  EXPECT_EQ(TimeDelta::Min(), big * -2);
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Max() * -3);
  EXPECT_EQ(TimeDelta(), TimeDelta::Max() * 0);
  EXPECT_EQ(TimeDelta::Max(),
            TimeDelta::FromDays(std::numeric_limits<int64_t>::max() / 1000));
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromSecondsD(1e300));
  EXPECT_EQ(TimeDelta::FromSeconds(6), TimeDelta::FromSeconds(2) * 3);
  EXPECT_TRUE(TimeDelta::Max().is_max());
  EXPECT_EQ(std::numeric_limits<int64_t>::max(),
            TimeDelta::Max().InMilliseconds());
}

TEST(TimeTest, DoubleTAndNullTime) {
  EXPECT_TRUE(Time::FromDoubleT(0).is_null());
  EXPECT_EQ(0, Time().ToDoubleT());
  EXPECT_EQ(Time::UnixEpoch() + TimeDelta::FromSeconds(1),
            Time::FromDoubleT(1));
  EXPECT_EQ(Time::kTimeTToMicrosecondsOffset + 1500000,
            Time::FromDoubleT(1.5).ToInternalValue());
  EXPECT_DOUBLE_EQ(1480000000.25, Time::FromDoubleT(1480000000.25).ToDoubleT());
  // A stored point before 1970 survives the round trip too.
  EXPECT_DOUBLE_EQ(-86400, Time::FromDoubleT(-86400).ToDoubleT());

  EXPECT_TRUE(Time::FromTimeT(0).is_null());
  EXPECT_EQ(0, Time().ToTimeT());
  EXPECT_EQ(1700000000, Time::FromTimeT(1700000000).ToTimeT());
}

TEST(TimeTest, FileTime) {
  FILETIME zero = {0, 0};
  EXPECT_TRUE(Time::FromFileTime(zero).is_null());

  // 2001-01-01 00:00:00 UTC as a FILETIME.
  SYSTEMTIME st = {};
  st.wYear = 2001;
  st.wMonth = 1;
  st.wDay = 1;
  FILETIME ft;
  ASSERT_TRUE(::SystemTimeToFileTime(&st, &ft));
  Time t = Time::FromFileTime(ft);
  EXPECT_EQ(978307200, t.ToTimeT());

  FILETIME back;
  t.ToFileTime(&back);
  EXPECT_EQ(ft.dwLowDateTime, back.dwLowDateTime);
  EXPECT_EQ(ft.dwHighDateTime, back.dwHighDateTime);

  Time().ToFileTime(&back);
  EXPECT_EQ(0u, back.dwLowDateTime);
  EXPECT_EQ(0u, back.dwHighDateTime);
}

TEST(TimeTest, PointArithmetic) {
  const Time t = Time::FromTimeT(1000);
  EXPECT_EQ(TimeDelta::FromSeconds(10), Time::FromTimeT(1010) - t);
  EXPECT_EQ(Time::FromTimeT(990), t - TimeDelta::FromSeconds(10));
  EXPECT_EQ(Time::FromInternalValue(std::numeric_limits<int64_t>::max()),
            t + TimeDelta::Max());
  EXPECT_TRUE(std::isinf((t + TimeDelta::Max()).ToDoubleT()));
  // The null time lies before every real time: a never-set stored time
  // minus now is hugely negative, not positive.
  EXPECT_LT(Time() - Time::Now(), TimeDelta::FromDays(-365 * 400));
  EXPECT_LT(Time(), t);
}

TEST(TimeTest, NowOverride) {
  const Time fixed = Time::FromTimeT(1234567890);
  Time::SetNowForTesting([fixed] { return fixed; });
  EXPECT_EQ(fixed, Time::Now());
  Time::SetNowForTesting(nullptr);

  // Back on the system clock: somewhere after 2020.
  EXPECT_GT(Time::Now().ToTimeT(), 1577836800);
}

TEST(TimeTicksTest, Monotonic) {
  TimeTicks a = TimeTicks::Now();
  ::Sleep(20);
  TimeTicks b = TimeTicks::Now();
  EXPECT_FALSE(a.is_null());
  EXPECT_GE(b - a, TimeDelta::FromMilliseconds(15));
  EXPECT_LT(b - a, TimeDelta::FromSeconds(5));
  EXPECT_EQ(b, a + (b - a));
  EXPECT_EQ(TimeDelta::Max(), (a + TimeDelta::Max()) - b);
}

}  // namespace
}  // namespace base
