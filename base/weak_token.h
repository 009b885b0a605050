#pragma once
// One weak reference for "this may be gone after a callout". An object owns a
// WeakFactory and hands out WeakToken or WeakPtr<T>; both turn false (null)
// once the factory is destroyed with its owner. Code that called into a
// handler, or work that runs later (a posted task, a window routine), checks
// one before touching the object.
//
// Thread rule: tokens and pointers may be made and copied on any thread while
// the owner is alive (a worker the owner joins before it dies may make them).
// Testing one and then using its object is for the owner's own thread (the UI
// thread for windows and controls): only there can the owner not die between
// the test and the use. The factory is destroyed on that thread too.
//
// Declare the factory as the owner's last member, so that tokens turn false
// before any other member goes.

#include <memory>

namespace quillmar {

class WeakToken {
 public:
  WeakToken() = default;  // always false
  // True while the object that handed it out lives.
  explicit operator bool() const { return !anchor_.expired(); }

 private:
  template <typename T>
  friend class WeakFactory;
  explicit WeakToken(std::weak_ptr<const void> anchor) : anchor_(std::move(anchor)) {}

  std::weak_ptr<const void> anchor_;
};

template <typename T>
class WeakPtr {
 public:
  WeakPtr() = default;  // always null
  T* get() const { return token_ ? object_ : nullptr; }
  explicit operator bool() const { return static_cast<bool>(token_); }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }

 private:
  template <typename U>
  friend class WeakFactory;
  WeakPtr(WeakToken token, T* object) : token_(std::move(token)), object_(object) {}

  WeakToken token_;
  T* object_ = nullptr;
};

template <typename T>
class WeakFactory {
 public:
  explicit WeakFactory(T* owner) : owner_(owner) {}
  WeakFactory(const WeakFactory&) = delete;
  WeakFactory& operator=(const WeakFactory&) = delete;

  WeakToken Token() const { return WeakToken(anchor_); }
  WeakPtr<T> GetWeakPtr() const { return WeakPtr<T>(Token(), owner_); }

 private:
  T* owner_;
  // Only its lifetime matters: it ends with the owner's.
  std::shared_ptr<const void> anchor_ = std::make_shared<char>(0);
};

}  // namespace quillmar
