#include "platform/Variant.h"

#include <new>
#include <utility>

#include "platform/Bstr.h"
#include "platform/ComError.h"

namespace gleaner {

Variant::Variant(const Variant& other)
{
    ::VariantInit(&v_);
    // VariantCopy takes a non-const source on some SDKs; it does not modify it.
    CheckHr(::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)));
}

Variant::Variant(Variant&& other) noexcept
{
    v_ = other.v_;
    ::VariantInit(&other.v_);
}

Variant& Variant::operator=(const Variant& other)
{
    if (this != &other) {
        Variant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this != &other) {
        clear();
        v_ = other.v_;
        ::VariantInit(&other.v_);
    }
    return *this;
}

Variant::Variant(bool value) noexcept : Variant()
{
    v_.vt = VT_BOOL;
    v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(int value) noexcept : Variant()
{
    v_.vt = VT_I4;
    v_.lVal = value;
}

Variant::Variant(long value) noexcept : Variant()
{
    v_.vt = VT_I4;
    v_.lVal = value;
}

Variant::Variant(double value) noexcept : Variant()
{
    v_.vt = VT_R8;
    v_.dblVal = value;
}

Variant::Variant(const wchar_t* text) : Variant(std::wstring_view(text ? text : L"")) {}

Variant::Variant(std::wstring_view text) : Variant()
{
    v_.bstrVal = Bstr(text).release();
    v_.vt = VT_BSTR;
}

Variant::Variant(IDispatch* object) noexcept : Variant()
{
    v_.vt = VT_DISPATCH;
    v_.pdispVal = object;
    if (object) object->AddRef();
}

Variant::Variant(IUnknown* object) noexcept : Variant()
{
    v_.vt = VT_UNKNOWN;
    v_.punkVal = object;
    if (object) object->AddRef();
}

Variant Variant::Missing() noexcept
{
    Variant v;
    v.v_.vt = VT_ERROR;
    v.v_.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant Variant::Null() noexcept
{
    Variant v;
    v.v_.vt = VT_NULL;
    return v;
}

Variant Variant::Date(double oleDate) noexcept
{
    Variant v;
    v.v_.vt = VT_DATE;
    v.v_.date = oleDate;
    return v;
}

Variant Variant::Attach(VARIANT& raw) noexcept
{
    Variant v;
    v.v_ = raw;
    ::VariantInit(&raw);
    return v;
}

bool Variant::isMissing() const noexcept
{
    return v_.vt == VT_ERROR && v_.scode == DISP_E_PARAMNOTFOUND;
}

bool Variant::isObject() const noexcept
{
    return v_.vt == VT_DISPATCH || v_.vt == VT_UNKNOWN;
}

VARIANT Variant::release() noexcept
{
    VARIANT out = v_;
    ::VariantInit(&v_);
    return out;
}

namespace {

Variant Converted(const VARIANT& source, VARTYPE type)
{
    Variant result;
    // VARIANT_ALPHABOOL is not used: flags convert to "-1"/"0" like the rest of OLE automation.
    CheckHr(::VariantChangeType(result.put(), const_cast<VARIANT*>(&source), 0, type));
    return result;
}

} // namespace

std::wstring Variant::toText() const
{
    if (v_.vt == VT_BSTR) return v_.bstrVal ? std::wstring(v_.bstrVal, ::SysStringLen(v_.bstrVal)) : L"";
    Variant text = Converted(v_, VT_BSTR);
    return text.toText();
}

std::int32_t Variant::toInt() const
{
    if (v_.vt == VT_I4) return v_.lVal;
    return Converted(v_, VT_I4).raw().lVal;
}

bool Variant::toBool() const
{
    if (v_.vt == VT_BOOL) return v_.boolVal != VARIANT_FALSE;
    return Converted(v_, VT_BOOL).raw().boolVal != VARIANT_FALSE;
}

double Variant::toDouble() const
{
    if (v_.vt == VT_R8) return v_.dblVal;
    if (v_.vt == VT_DATE) return v_.date;
    return Converted(v_, VT_R8).raw().dblVal;
}

IDispatch* Variant::dispatch() const
{
    if (v_.vt == VT_DISPATCH) return v_.pdispVal;
    if (v_.vt == (VT_DISPATCH | VT_BYREF) && v_.ppdispVal) return *v_.ppdispVal;
    if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return nullptr;
    ThrowComError(DISP_E_TYPEMISMATCH);
}

} // namespace gleaner
