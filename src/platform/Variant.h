#pragma once
// Owner of one VARIANT: VariantInit on construction, VariantClear on destruction,
// VariantCopy on copy. Builders for the types the automation calls pass.
#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace gleaner {

class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    ~Variant() { clear(); }
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;

    Variant(bool value) noexcept;
    Variant(int value) noexcept;
    Variant(long value) noexcept;
    Variant(const char*) = delete; // would silently become a bool
    Variant(double value) noexcept;
    Variant(const wchar_t* text);
    Variant(std::wstring_view text);
    Variant(const std::wstring& text) : Variant(std::wstring_view(text)) {}
    // Takes a new reference to the object.
    explicit Variant(IDispatch* object) noexcept;
    explicit Variant(IUnknown* object) noexcept;

    // An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
    static Variant Missing() noexcept;
    static Variant Null() noexcept;
    static Variant Date(double oleDate) noexcept;
    // Takes ownership of the contents of `raw`, which is left VT_EMPTY.
    static Variant Attach(VARIANT& raw) noexcept;

    VARTYPE vt() const noexcept { return v_.vt; }
    bool isEmpty() const noexcept { return v_.vt == VT_EMPTY; }
    bool isNull() const noexcept { return v_.vt == VT_NULL; }
    bool isMissing() const noexcept;
    bool isObject() const noexcept;

    // Conversions that throw ComError (type mismatch) when the value cannot be converted.
    std::wstring toText() const;
    std::int32_t toInt() const;
    bool toBool() const;
    double toDouble() const;
    // The object held (VT_DISPATCH); null when empty or Null; throws for other types.
    IDispatch* dispatch() const;

    const VARIANT& raw() const noexcept { return v_; }
    VARIANT& raw() noexcept { return v_; }
    VARIANT* put() noexcept
    {
        clear();
        return &v_;
    }
    // Hands the contents to the caller, which becomes responsible for VariantClear.
    VARIANT release() noexcept;
    void clear() noexcept { ::VariantClear(&v_); }

private:
    VARIANT v_;
};

} // namespace gleaner
