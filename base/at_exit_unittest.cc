#include "base/at_exit.h"

#include <string>

#include "base/memory/singleton.h"
#include "gtest/gtest.h"

namespace base {
namespace {

TEST(AtExitManagerTest, RunsLastRegisteredFirst) {
  std::string order;
  {
    AtExitManager manager;
    EXPECT_TRUE(AtExitManager::RegisterCallback([&] { order += "1"; }));
    EXPECT_TRUE(AtExitManager::RegisterCallback([&] { order += "2"; }));
    EXPECT_TRUE(AtExitManager::RegisterCallback([&] {
      order += "3";
      // Registered while the manager is winding down: runs next.
      AtExitManager::RegisterCallback([&] { order += "4"; });
    }));
    EXPECT_EQ("", order);
  }
  EXPECT_EQ("3421", order);
}

TEST(AtExitManagerTest, NestedManagerShadowsOuterOne) {
  std::string order;
  AtExitManager outer;
  AtExitManager::RegisterCallback([&] { order += "outer;"; });
  {
    AtExitManager inner;
    AtExitManager::RegisterCallback([&] { order += "inner;"; });
  }
  EXPECT_EQ("inner;", order);
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ("inner;outer;", order);
  // Processed callbacks do not run a second time.
  AtExitManager::ProcessCallbacksNow();
  EXPECT_EQ("inner;outer;", order);
}

TEST(AtExitManagerTest, RegisterWithoutManagerFails) {
  bool ran = false;
  EXPECT_FALSE(AtExitManager::RegisterCallback([&] { ran = true; }));
  { AtExitManager manager; }
  EXPECT_FALSE(ran);
}

class Counted {
 public:
  static Counted* GetInstance() { return Singleton<Counted>::get(); }
  static int live;

 private:
  friend class Singleton<Counted>;
  Counted() { ++live; }
  ~Counted() { --live; }
};
int Counted::live = 0;

TEST(AtExitManagerTest, SingletonDiesWithManagerAndComesBackFresh) {
  Counted* first;
  {
    AtExitManager manager;
    first = Counted::GetInstance();
    EXPECT_EQ(first, Counted::GetInstance());
    EXPECT_EQ(1, Counted::live);
  }
  EXPECT_EQ(0, Counted::live);
  {
    AtExitManager manager;
    Counted::GetInstance();
    EXPECT_EQ(1, Counted::live);
  }
  EXPECT_EQ(0, Counted::live);
}

}  // namespace
}  // namespace base
