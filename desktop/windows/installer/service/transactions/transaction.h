#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_

#include <memory>
#include <vector>

namespace installer {

class Operation;

// The operations that succeeded, in the order in which they completed; the
// operations that one of them ran through its nested transaction stand right
// before it. Destroying the transaction commits them all, first to last.
class Transaction {
 public:
  Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();

  // Runs |operation| and keeps it when it succeeds. A failed operation is
  // rolled back, together with whatever it ran, and deleted before this
  // returns, so it leaves nothing behind. A null |operation| is logged and
  // fails without touching the kept ones.
  bool Execute(std::unique_ptr<Operation> operation);

  // Undoes every kept operation, last first, then deletes them. The
  // transaction can be used again afterwards.
  void RollbackAll();

 private:
  std::vector<std::unique_ptr<Operation>> operations_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
