#pragma once

// Owners for the COM resources the automation back end holds: interface pointers and VARIANTs
// (which own their BSTRs). Each releases what it holds on every path, so a failed step leaks
// no reference (a leaked reference would keep the spreadsheet application's process alive).

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace lomandra::com {

/// An owned interface pointer: Release on destruction, AddRef on copy.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  /// Takes over a reference the caller already holds.
  static ComPtr adopt(Interface* raw) {
    ComPtr p;
    p.raw_ = raw;
    return p;
  }
  ComPtr(const ComPtr& other) : raw_(other.raw_) {
    if (raw_) raw_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : raw_(std::exchange(other.raw_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(raw_, other.raw_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (Interface* old = std::exchange(raw_, nullptr)) old->Release();
  }
  Interface* get() const { return raw_; }
  Interface* operator->() const { return raw_; }
  explicit operator bool() const { return raw_ != nullptr; }
  /// For out-parameters: releases what is held and hands out the slot.
  Interface** put() {
    reset();
    return &raw_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

 private:
  Interface* raw_ = nullptr;
};

/// An owned VARIANT, cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  // The source is not changed; some SDKs declare it without const.
  Variant(const Variant& other) : Variant() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant other) noexcept {
    std::swap(v_, other.v_);
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  static Variant fromText(std::wstring_view text);
  static Variant fromLong(long value);
  static Variant fromDouble(double value);
  static Variant fromBool(bool value);

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARTYPE type() const { return V_VT(&v_); }
  /// Clears the variant and hands out the slot, for out-parameters.
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

}  // namespace lomandra::com
