// The small COM layer: identifiers, result codes, IUnknown, the counted pointer and the
// base classes that count references. Interfaces are abstract classes with their methods
// in slot order and no virtual destructor, so that a module built separately against the
// same headers calls the right slots.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/exceptions.h"

namespace zs::platform {

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};

  friend constexpr bool operator==(const GUID &a, const GUID &b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};

namespace detail {
constexpr uint32_t hexDigit(char c) {
  if (c >= '0' && c <= '9') return uint32_t(c - '0');
  if (c >= 'a' && c <= 'f') return uint32_t(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return uint32_t(c - 'A' + 10);
  throw "invalid hexadecimal digit in GUID"; // only reachable at compile time
}
constexpr uint32_t hexValue(const char *text, int digits) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i)
    v = v * 16 + hexDigit(text[i]);
  return v;
}
} // namespace detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" at compile time.
consteval GUID MakeGUID(const char (&text)[39]) {
  GUID g;
  g.Data1 = detail::hexValue(text + 1, 8);
  g.Data2 = uint16_t(detail::hexValue(text + 10, 4));
  g.Data3 = uint16_t(detail::hexValue(text + 15, 4));
  g.Data4[0] = uint8_t(detail::hexValue(text + 20, 2));
  g.Data4[1] = uint8_t(detail::hexValue(text + 22, 2));
  for (int i = 0; i < 6; ++i)
    g.Data4[2 + i] = uint8_t(detail::hexValue(text + 25 + 2 * i, 2));
  return g;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GUIDToString(const GUID &g);

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

class IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{00000000-0000-0000-C000-000000000046}");

  virtual HRESULT QueryInterface(const GUID &iid, void **object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

protected:
  ~IUnknown() = default;
};

// The automation slots that dual interfaces carry before their own methods. This build has
// no type library, so they only hold the slots.
class IDispatch : public IUnknown {
public:
  static constexpr GUID IID = MakeGUID("{00020400-0000-0000-C000-000000000046}");
  using Base = IUnknown;

  virtual HRESULT GetTypeInfoCount(uint32_t *count) = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, uint32_t locale, void **typeInfo) = 0;
  virtual HRESULT GetIDsOfNames(const GUID &iid, const char16_t **names, uint32_t count,
                                uint32_t locale, int32_t *dispIds) = 0;
  virtual HRESULT Invoke(int32_t dispId, const GUID &iid, uint32_t locale, uint16_t flags,
                         void *params, void *result, void *exceptionInfo, uint32_t *argError) = 0;

protected:
  ~IDispatch() = default;
};

// The counted pointer. Copying adds a reference, destruction releases one.
template <class T> class ComPtr {
public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T *p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr &other) : ComPtr(other.p_) {}
  ComPtr(ComPtr &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U *, T *>>>
  ComPtr(const ComPtr<U> &other) : ComPtr(static_cast<T *>(other.get())) {}
  ~ComPtr() { reset(); }

  ComPtr &operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes over a reference that the caller already owns.
  static ComPtr Attach(T *p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives up the reference without releasing it.
  T *Detach() { return std::exchange(p_, nullptr); }

  void reset() {
    if (T *p = std::exchange(p_, nullptr)) p->Release();
  }
  // The address to pass as an out parameter; whatever was held is released first.
  T **put() {
    reset();
    return &p_;
  }
  void **put_void() { return reinterpret_cast<void **>(put()); }

  T *get() const { return p_; }
  T *operator->() const { return p_; }
  T &operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // QueryInterface: empty when the object lacks the interface.
  template <class U> ComPtr<U> As() const {
    ComPtr<U> result;
    if (p_) p_->QueryInterface(U::IID, result.put_void());
    return result;
  }

  friend bool operator==(const ComPtr &a, const ComPtr &b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr &a, std::nullptr_t) { return a.p_ == nullptr; }

private:
  T *p_ = nullptr;
};

namespace detail {
template <class I, class = void> struct HasBase : std::false_type {};
template <class I> struct HasBase<I, std::void_t<typename I::Base>> : std::true_type {};

// Walks an interface and its ancestors looking for the identifier.
template <class I> void *findInterface(I *object, const GUID &iid) {
  if (iid == I::IID) return object;
  if constexpr (HasBase<I>::value) {
    return findInterface<typename I::Base>(static_cast<typename I::Base *>(object), iid);
  } else {
    return nullptr;
  }
}
} // namespace detail

// Implements QueryInterface over the listed interfaces (and the ancestors each declares
// as `Base`). The first listed interface answers for IUnknown.
template <class First, class... Rest> class TInterfaceTable : public First, public Rest... {
public:
  HRESULT QueryInterface(const GUID &iid, void **object) override {
    if (!object) return E_POINTER;
    *object = lookup(iid);
    if (!*object) return E_NOINTERFACE;
    static_cast<First *>(this)->AddRef();
    return S_OK;
  }

protected:
  // A class may override it to answer for further identifiers (return nullptr for none).
  virtual void *lookupExtra(const GUID &) { return nullptr; }

private:
  void *lookup(const GUID &iid) {
    if (iid == IUnknown::IID) return static_cast<IUnknown *>(static_cast<First *>(this));
    void *found = detail::findInterface<First>(static_cast<First *>(this), iid);
    ((found = found ? found : detail::findInterface<Rest>(static_cast<Rest *>(this), iid)), ...);
    return found ? found : lookupExtra(iid);
  }
};

// A reference-counted object; it deletes itself when the last reference goes.
template <class... Interfaces> class TComObject : public TInterfaceTable<Interfaces...> {
public:
  TComObject() = default;
  TComObject(const TComObject &) = delete;
  TComObject &operator=(const TComObject &) = delete;
  virtual ~TComObject() = default;

  uint32_t AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    uint32_t left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

private:
  std::atomic<uint32_t> refCount_{0};
};

// An object whose lifetime its owner controls: references are not counted.
template <class... Interfaces> class TNoRefCountObject : public TInterfaceTable<Interfaces...> {
public:
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }
};

// Creates a counted object and hands out the first reference.
template <class T, class... Args> ComPtr<T> MakeCom(Args &&...args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

// The automation slots of a dual interface, answered as "not implemented".
template <class Derived> class TDispatchStub : public Derived {
public:
  HRESULT GetTypeInfoCount(uint32_t *count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, uint32_t, void **) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const GUID &, const char16_t **, uint32_t, uint32_t, int32_t *) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(int32_t, const GUID &, uint32_t, uint16_t, void *, void *, void *,
                 uint32_t *) override {
    return E_NOTIMPL;
  }
};

} // namespace zs::platform
