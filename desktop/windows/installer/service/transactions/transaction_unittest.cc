#include "desktop/windows/installer/service/transactions/transaction.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/test/test_log_capture.h"
#include "desktop/windows/installer/service/transactions/operation.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Events = std::vector<std::string>;

// Writes "do", "rollback" and "delete" events with its name into a shared
// list; its Do() runs the given further steps through the nested transaction
// and then answers |succeed|.
class RecordingOperation : public Operation {
 public:
  using Steps = std::vector<std::function<std::unique_ptr<Operation>()>>;

  RecordingOperation(Events* events,
                     std::string name,
                     bool succeed = true,
                     Steps steps = {})
      : events_(events),
        name_(std::move(name)),
        succeed_(succeed),
        steps_(std::move(steps)) {}
  ~RecordingOperation() override { events_->push_back("delete " + name_); }

  bool Do(Transaction* nested) override {
    events_->push_back("do " + name_);
    for (auto& step : steps_) {
      if (!nested->Execute(step()))
        return false;
    }
    return succeed_;
  }
  void Rollback() override { events_->push_back("rollback " + name_); }

 private:
  Events* events_;
  std::string name_;
  bool succeed_;
  Steps steps_;
};

class TransactionTest : public ::testing::Test {
 protected:
  std::unique_ptr<Operation> Op(const std::string& name,
                                bool succeed = true,
                                RecordingOperation::Steps steps = {}) {
    return std::make_unique<RecordingOperation>(&events_, name, succeed,
                                                std::move(steps));
  }
  std::function<std::unique_ptr<Operation>()> Step(
      const std::string& name,
      bool succeed = true,
      RecordingOperation::Steps steps = {}) {
    return [this, name, succeed, steps] { return Op(name, succeed, steps); };
  }

  Events events_;
};

// Nested steps stand before the operation that ran them, also two levels
// deep; a rollback undoes an operation before its steps, last first, and
// deletes only after every rollback, first to last.
TEST_F(TransactionTest, NestedStepsStandBeforeTheirOperation) {
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(Op("earlier")));
  EXPECT_TRUE(transaction.Execute(Op(
      "parent", true, {Step("step1"), Step("step2", true, {Step("inner")})})));
  EXPECT_THAT(events_, ElementsAre("do earlier", "do parent", "do step1",
                                   "do step2", "do inner"));
  events_.clear();

  transaction.RollbackAll();
  EXPECT_THAT(events_,
              ElementsAre("rollback parent", "rollback step2", "rollback inner",
                          "rollback step1", "rollback earlier",
                          "delete earlier", "delete step1", "delete inner",
                          "delete step2", "delete parent"));
}

// A failed Do() is rolled back before the steps it ran, everything it
// brought is deleted at once, and what was kept before stays untouched.
TEST_F(TransactionTest, FailedOperationLeavesListUnchanged) {
  {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(Op("earlier")));
    EXPECT_FALSE(transaction.Execute(Op("failing", false, {Step("step")})));
    EXPECT_THAT(events_, ElementsAre("do earlier", "do failing", "do step",
                                     "rollback failing", "rollback step",
                                     "delete step", "delete failing"));
    events_.clear();
  }
  EXPECT_THAT(events_, ElementsAre("delete earlier"));
}

// A missing operation fails the step, as any failed operation does, and
// leaves what was kept before in place: a nested one fails its parent, which
// is then undone as usual.
TEST_F(TransactionTest, NullOperationFailsWithAnError) {
  base::TestLogCapture log;
  {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(Op("earlier")));
    EXPECT_FALSE(transaction.Execute(nullptr));
    EXPECT_TRUE(log.Contains(logging::LOG_ERROR,
                             "Transaction was given no operation to execute"));
    EXPECT_FALSE(transaction.Execute(
        Op("parent", true,
           {Step("step"), [] { return std::unique_ptr<Operation>(); }})));
    EXPECT_THAT(events_, ElementsAre("do earlier", "do parent", "do step",
                                     "rollback parent", "rollback step",
                                     "delete step", "delete parent"));
    events_.clear();
    transaction.RollbackAll();
  }
  EXPECT_THAT(events_, ElementsAre("rollback earlier", "delete earlier"));
}

TEST_F(TransactionTest, RollbackAllOnEmptyAndReuse) {
  {
    Transaction transaction;
    transaction.RollbackAll();
    EXPECT_THAT(events_, IsEmpty());

    EXPECT_TRUE(transaction.Execute(Op("first")));
    transaction.RollbackAll();
    EXPECT_THAT(events_,
                ElementsAre("do first", "rollback first", "delete first"));
    events_.clear();

    EXPECT_TRUE(transaction.Execute(Op("second")));
  }
  EXPECT_THAT(events_, ElementsAre("do second", "delete second"));
}

// Destruction commits in the order of completion, steps before their
// operation, and rolls nothing back.
TEST_F(TransactionTest, CommitOrder) {
  {
    Transaction transaction;
    EXPECT_TRUE(transaction.Execute(Op("a")));
    EXPECT_TRUE(transaction.Execute(Op("b", true, {Step("b1"), Step("b2")})));
    EXPECT_TRUE(transaction.Execute(Op("c")));
    events_.clear();
  }
  EXPECT_THAT(events_, ElementsAre("delete a", "delete b1", "delete b2",
                                   "delete b", "delete c"));
}

}  // namespace
}  // namespace installer
