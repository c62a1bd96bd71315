#pragma once
// Ownership of the interfaces the Firebird client hands out. Each one must be
// given back exactly once: reference-counted ones with release(), the others
// (parameter-block builders, statuses) with dispose(). A handle gives its
// interface back when it goes, on every way out of a scope, exceptions
// included.
//
// Some calls end an interface's life themselves when they succeed (commit,
// rollback, detach, a statement's free, a cursor's or a blob's close); when
// they fail, the interface is still ours. Run them through finish(), which
// lets go only once the call has returned.
#include <firebird/Interface.h>

#include <type_traits>
#include <utility>

namespace orvalto::fb {

template <class T>
class Handle {
  static_assert(std::is_base_of_v<Firebird::IReferenceCounted, T> || std::is_base_of_v<Firebird::IDisposable, T>,
                "a Firebird interface");

 public:
  Handle() = default;
  explicit Handle(T* p) noexcept : p_(p) {}
  Handle(Handle&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void reset(T* p = nullptr) noexcept {
    if (T* old = std::exchange(p_, p)) giveBack(old);
  }

  // `end(interface)` is a call that gives the interface back when it returns
  // normally; when it throws, the handle keeps it.
  template <class End>
  void finish(End&& end) {
    std::forward<End>(end)(p_);
    p_ = nullptr;
  }

 private:
  static void giveBack(T* p) noexcept {
    if constexpr (std::is_base_of_v<Firebird::IReferenceCounted, T>)
      p->release();
    else
      p->dispose();
  }

  T* p_ = nullptr;
};

// For clean-up that must not fail: runs the ending call and, should it fail,
// gives the interface back all the same. The error that led here is the one
// worth reporting, not this one.
template <class T, class End>
void finishQuietly(Handle<T>& handle, End&& end) noexcept {
  if (!handle) return;
  try {
    handle.finish(std::forward<End>(end));
  } catch (...) {
  }
  handle.reset();
}

}  // namespace orvalto::fb
