#include "base/time/time.h"

#include <windows.h>

#include <cmath>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(TimeDeltaTest, SaturatesInsteadOfWrapping) {
  const TimeDelta one = TimeDelta::FromSeconds(1);
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::Max() + one);
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::Max() - one);
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Min() - one);
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Min() + one);
  EXPECT_EQ(TimeDelta::Min(), one - TimeDelta::Max());
  EXPECT_EQ(TimeDelta::Max(), -TimeDelta::Min());

  const TimeDelta big =
      TimeDelta::FromMicroseconds(std::numeric_limits<int64_t>::max() - 10);
  EXPECT_EQ(TimeDelta::Max(), big + TimeDelta::FromMicroseconds(11));
  EXPECT_EQ(TimeDelta::Max(), big * 2);
  EXPECT_EQ(TimeDelta::Min(), big * -2);
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::Max() * -3);
  EXPECT_EQ(TimeDelta(), TimeDelta::Max() * 0);
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromDays(INT64_MAX / 1000));
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromSecondsD(1e300));
  EXPECT_EQ(INT64_MAX, TimeDelta::Max().InMilliseconds());
  EXPECT_EQ(1, TimeDelta::FromMilliseconds(1999).InSeconds());
}

TEST(TimeTest, ConversionsKeepTheNullTime) {
  EXPECT_TRUE(Time::FromDoubleT(0).is_null());
  EXPECT_EQ(0, Time().ToDoubleT());
  EXPECT_TRUE(Time::FromTimeT(0).is_null());
  FILETIME zero = {0, 0};
  EXPECT_TRUE(Time::FromFileTime(zero).is_null());

  EXPECT_EQ(Time::kTimeTToMicrosecondsOffset + 1500000,
            Time::FromDoubleT(1.5).ToInternalValue());
  EXPECT_DOUBLE_EQ(1480000000.25, Time::FromDoubleT(1480000000.25).ToDoubleT());
  EXPECT_DOUBLE_EQ(-86400, Time::FromDoubleT(-86400).ToDoubleT());

  SYSTEMTIME st = {};
  st.wYear = 2001;
  st.wMonth = 1;
  st.wDay = 1;
  FILETIME ft;
  ASSERT_TRUE(::SystemTimeToFileTime(&st, &ft));
  const Time t = Time::FromFileTime(ft);
  EXPECT_EQ(978307200, t.ToTimeT());
  FILETIME back;
  t.ToFileTime(&back);
  EXPECT_EQ(ft.dwLowDateTime, back.dwLowDateTime);
  EXPECT_EQ(ft.dwHighDateTime, back.dwHighDateTime);

  EXPECT_EQ(TimeDelta::FromSeconds(10),
            Time::FromTimeT(1010) - Time::FromTimeT(1000));
  EXPECT_TRUE(std::isinf((t + TimeDelta::Max()).ToDoubleT()));
  // Near the bottom of the range the epoch offset must not wrap the sign.
  const Time ancient = Time::FromInternalValue(INT64_MIN + 1);
  EXPECT_LT(ancient.ToDoubleT(), -9e12);
  EXPECT_LT(ancient.ToTimeT(), -9000000000000LL);
  // A never-set stored time minus now is hugely negative, not positive.
  EXPECT_LT(Time() - Time::Now(), TimeDelta::FromDays(-365 * 400));
}

// Stored prefs may hold any double; what they give must stay ordered and
// never wrap to the other end of the range.
TEST(TimeTest, HugeStoredTimesSaturate) {
  const double inf = std::numeric_limits<double>::infinity();
  const Time latest = Time::FromInternalValue(INT64_MAX);
  const Time earliest = Time::FromInternalValue(INT64_MIN);
  EXPECT_EQ(latest, Time::FromDoubleT(inf));
  EXPECT_EQ(latest, Time::FromDoubleT(1e300));
  EXPECT_EQ(latest, Time::FromDoubleT(9.3e12));  // Beyond int64 microseconds.
  // Inside the range until the epoch offset is added.
  EXPECT_EQ(latest, Time::FromDoubleT(9.2233e12));
  EXPECT_EQ(earliest, Time::FromDoubleT(-inf));
  EXPECT_EQ(earliest, Time::FromDoubleT(-1e300));
  EXPECT_TRUE(Time::FromDoubleT(std::nan("")).is_null());
  EXPECT_TRUE(std::isinf(Time::FromDoubleT(1e300).ToDoubleT()));
  EXPECT_GT(Time::FromDoubleT(1e300), Time::Now());
  EXPECT_LT(Time::FromDoubleT(-1e300), Time::Now());
  // And stay put when a delay is added or taken away.
  EXPECT_EQ(latest, Time::FromDoubleT(inf) - TimeDelta::FromDays(1));
  EXPECT_EQ(earliest, Time::FromDoubleT(-inf) + TimeDelta::FromDays(1));

  EXPECT_EQ(latest, Time::FromTimeT(INT64_MAX));
  EXPECT_EQ(earliest, Time::FromTimeT(INT64_MIN));
}

TEST(TimeDeltaTest, ConversionsFromLargeUnitsSaturate) {
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromSeconds(INT64_MAX));
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromSeconds(INT64_MAX / 1000000 + 1));
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::FromSeconds(INT64_MIN));
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::FromSeconds(INT64_MIN / 1000000 - 1));
  EXPECT_EQ(INT64_MAX / 1000000 * 1000000,
            TimeDelta::FromSeconds(INT64_MAX / 1000000).InMicroseconds());
  EXPECT_EQ(TimeDelta::Max(),
            TimeDelta::FromMilliseconds(INT64_MAX / 1000 + 1));
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::FromMinutes(INT64_MIN / 60));
  EXPECT_EQ(TimeDelta::Max(), TimeDelta::FromHours(INT64_MAX));
  EXPECT_EQ(TimeDelta::Max(),
            TimeDelta::FromSecondsD(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(TimeDelta::Min(), TimeDelta::FromSecondsD(-1e300));
  EXPECT_EQ(TimeDelta(), TimeDelta::FromSecondsD(std::nan("")));
}

TEST(TimeTest, NowCanBeReplacedAndTicksAdvance) {
  const Time fixed = Time::FromTimeT(1234567890);
  Time::SetNowForTesting([fixed] { return fixed; });
  EXPECT_EQ(fixed, Time::Now());
  Time::SetNowForTesting(nullptr);
  EXPECT_GT(Time::Now().ToTimeT(), 1577836800);  // After 2020.

  const TimeTicks a = TimeTicks::Now();
  ::Sleep(20);
  const TimeTicks b = TimeTicks::Now();
  EXPECT_GE(b - a, TimeDelta::FromMilliseconds(15));
  EXPECT_LT(b - a, TimeDelta::FromSeconds(5));
  EXPECT_EQ(TimeDelta::Max(), (a + TimeDelta::Max()) - b);
}

}  // namespace
}  // namespace base
