#include "desktop/windows/installer/service/transactions/transaction.h"

#include <iterator>
#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

namespace {

// Commits in the order in which the operations completed; the order in which
// a vector destroys its elements is not something to rely on.
void DeleteFirstToLast(std::vector<std::unique_ptr<Operation>>* operations) {
  for (auto& operation : *operations)
    operation.reset();
  operations->clear();
}

}  // namespace

Transaction::Transaction() = default;

Transaction::~Transaction() {
  DeleteFirstToLast(&operations_);
}

bool Transaction::Execute(std::unique_ptr<Operation> operation) {
  // A step that could not be made (a failed allocation, a factory that
  // returned nothing) fails like any other, instead of ending the installer.
  if (!operation) {
    LOG(ERROR) << "Transaction was given no operation to execute";
    return false;
  }
  DCHECK(!operation->done_by_transaction_) << "An operation runs only once";
  operation->done_by_transaction_ = true;
  Transaction nested;
  bool result = operation->Do(&nested);
  if (result) {
    operations_.insert(operations_.end(),
                       std::make_move_iterator(nested.operations_.begin()),
                       std::make_move_iterator(nested.operations_.end()));
    nested.operations_.clear();
    operations_.push_back(std::move(operation));
  } else {
    // The operation's own rollback comes before that of the steps it ran, as
    // it may depend on them (a value is restored before its key is deleted).
    operation->Rollback();
    nested.RollbackAll();
    operation.reset();
  }
  return result;
}

void Transaction::RollbackAll() {
  for (auto it = operations_.rbegin(); it != operations_.rend(); ++it) {
    DCHECK((*it)->done_by_transaction_) << "Rollback only after Do";
    (*it)->Rollback();
  }
  DeleteFirstToLast(&operations_);
}

}  // namespace installer
