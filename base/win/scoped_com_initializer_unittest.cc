#include "base/win/scoped_com_initializer.h"

#include <thread>

#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

enum Apartment { kNone, kSta, kMta };

// The apartment the calling thread is in, found by asking to enter a
// single-threaded one (CoGetApartmentType is newer than the systems we
// build for): S_FALSE means already there, RPC_E_CHANGED_MODE means the
// multithreaded one, S_OK means none, which the probe leaves again.
Apartment CurrentApartment() {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (hr == RPC_E_CHANGED_MODE)
    return kMta;
  if (SUCCEEDED(hr))
    ::CoUninitialize();
  return hr == S_FALSE ? kSta : kNone;
}

// Each case runs on a thread of its own, which starts outside any apartment
// whatever other tests did on the main thread.
template <typename Function>
void OnNewThread(Function function) {
  std::thread thread(function);
  thread.join();
}

TEST(ScopedComInitializerTest, EntersAndLeavesAnApartment) {
  OnNewThread([] {
    EXPECT_EQ(kNone, CurrentApartment());
    {
      ScopedComInitializer sta;
      EXPECT_TRUE(sta.Succeeded());
      EXPECT_EQ(S_OK, sta.hr());
      EXPECT_EQ(kSta, CurrentApartment());
    }
    EXPECT_EQ(kNone, CurrentApartment());
    {
      ScopedComInitializer mta(ScopedComInitializer::kMTA);
      EXPECT_TRUE(mta.Succeeded());
      EXPECT_EQ(kMta, CurrentApartment());
    }
    EXPECT_EQ(kNone, CurrentApartment());
  });
}

TEST(ScopedComInitializerTest, NestedEntriesAreBalanced) {
  OnNewThread([] {
    {
      ScopedComInitializer outer;
      ASSERT_TRUE(outer.Succeeded());
      {
        ScopedComInitializer inner;
        EXPECT_EQ(S_FALSE, inner.hr());
        EXPECT_TRUE(inner.Succeeded());
      }
      // The inner one undid only its own entry.
      EXPECT_EQ(kSta, CurrentApartment());
    }
    EXPECT_EQ(kNone, CurrentApartment());
  });
}

TEST(ScopedComInitializerTest, AFailedEntryLeavesTheOuterApartmentAlone) {
  OnNewThread([] {
    ScopedComInitializer outer;
    ASSERT_TRUE(outer.Succeeded());
    {
      ScopedComInitializer other(ScopedComInitializer::kMTA);
      EXPECT_EQ(RPC_E_CHANGED_MODE, other.hr());
      EXPECT_FALSE(other.Succeeded());
    }
    // Had the failed one called CoUninitialize, the thread would be out.
    EXPECT_EQ(kSta, CurrentApartment());
  });
}

}  // namespace

}  // namespace win
}  // namespace base
