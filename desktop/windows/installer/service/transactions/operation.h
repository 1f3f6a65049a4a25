#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_

namespace installer {

class Transaction;

// One undoable change. Destroying an operation commits it, so a destructor
// must finish what the change left pending, and must be harmless after
// Rollback() undid the change.
class Operation {
 public:
  virtual ~Operation() = default;

  // Makes the change. Any further operations it needs go through |nested|,
  // which is empty on entry; they are undone and committed together with this
  // one.
  virtual bool Do(Transaction* nested) = 0;

  // Undoes what Do() did, as far as it got: it is also called after a failed
  // Do(), which may have done part of its work or nothing.
  virtual void Rollback() = 0;

 private:
  friend class Transaction;

  // Set by the transaction that ran Do(), which checks in debug builds that
  // Do() runs once and Rollback() only after it.
  bool done_by_transaction_ = false;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
