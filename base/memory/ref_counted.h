#ifndef BASE_MEMORY_REF_COUNTED_H_
#define BASE_MEMORY_REF_COUNTED_H_

#include <cassert>
#include <utility>

namespace base {

// A plain (not thread-safe) reference count for objects shared on one
// thread. |T| derives from RefCounted<T>, keeps its destructor non-public and
// befriends RefCounted<T>; the object deletes itself when the last
// scoped_refptr (or Release) lets go.
template <typename T>
class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  void AddRef() const { ++ref_count_; }
  void Release() const {
    assert(ref_count_ > 0);
    if (--ref_count_ == 0)
      delete static_cast<const T*>(this);
  }
  bool HasOneRef() const { return ref_count_ == 1; }

 protected:
  RefCounted() = default;
  ~RefCounted() = default;

 private:
  mutable int ref_count_ = 0;
};

}  // namespace base

// Holds one reference on a RefCounted object (or on anything with AddRef and
// Release).
template <typename T>
class scoped_refptr {
 public:
  scoped_refptr() = default;
  scoped_refptr(std::nullptr_t) {}
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& other) : scoped_refptr(other.ptr_) {}
  scoped_refptr(scoped_refptr&& other) noexcept
      : ptr_(std::exchange(other.ptr_, nullptr)) {}
  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  scoped_refptr& operator=(scoped_refptr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  void reset() { scoped_refptr().swap(*this); }
  void swap(scoped_refptr& other) noexcept { std::swap(ptr_, other.ptr_); }

 private:
  T* ptr_ = nullptr;
};

template <typename T>
bool operator==(const scoped_refptr<T>& a, const T* b) {
  return a.get() == b;
}

#endif  // BASE_MEMORY_REF_COUNTED_H_
