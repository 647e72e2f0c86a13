#pragma once
// Late-bound automation calls by member name, as every Outlook, MAPI-table and record-set
// call is made. Names are matched without regard to case (GetIDsOfNames does that);
// DISPIDs are cached per object and name. The object is never asked for its type: against an
// Outlook in another process that costs three or four round trips per object to save one name
// look-up, and a name may have other DISPIDs in other classes.
#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string_view>
#include <utility>

#include "platform/ComPtr.h"
#include "platform/Variant.h"

namespace gleaner {

class Dispatch {
public:
    Dispatch() noexcept = default;
    explicit Dispatch(ComPtr<IDispatch> object) noexcept : object_(std::move(object)) {}
    // The object a variant holds: an empty Dispatch for VT_EMPTY/VT_NULL, a type
    // mismatch for anything that is not an object.
    static Dispatch FromVariant(const Variant& value);

    // A new instance of the class with this ProgID.
    static Dispatch Create(std::wstring_view progId);
    // The running instance from the running-object table, else a new one.
    static Dispatch ConnectOrCreate(REFCLSID clsid);

    explicit operator bool() const noexcept { return static_cast<bool>(object_); }
    IDispatch* get() const noexcept { return object_.get(); }
    const ComPtr<IDispatch>& ptr() const noexcept { return object_; }
    Variant variant() const noexcept { return Variant(object_.get()); }
    void reset() noexcept
    {
        object_.reset();
        type_.reset();
    }

    // Property read; arguments make it an indexed read.
    template <typename... Args>
    Variant get(std::wstring_view name, Args&&... args) const
    {
        Variant argv[] = {Variant(std::forward<Args>(args))..., Variant()};
        return invoke(name, DISPATCH_PROPERTYGET, argv, sizeof...(Args));
    }

    // Method call (also reaches a property of that name, as automation clients expect).
    template <typename... Args>
    Variant call(std::wstring_view name, Args&&... args) const
    {
        Variant argv[] = {Variant(std::forward<Args>(args))..., Variant()};
        return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, argv, sizeof...(Args));
    }

    template <typename... Args>
    Dispatch getObject(std::wstring_view name, Args&&... args) const
    {
        return FromVariant(get(name, std::forward<Args>(args)...));
    }

    template <typename... Args>
    Dispatch callObject(std::wstring_view name, Args&&... args) const
    {
        return FromVariant(call(name, std::forward<Args>(args)...));
    }

    // Property write; the last argument is the value, any before it are indexes.
    template <typename... Args>
    void put(std::wstring_view name, Args&&... args) const
    {
        static_assert(sizeof...(Args) >= 1, "put needs a value");
        Variant argv[] = {Variant(std::forward<Args>(args))...};
        invoke(name, DISPATCH_PROPERTYPUT, argv, sizeof...(Args));
    }

    // Property write by reference (objects), for servers that want it.
    void putRef(std::wstring_view name, const Variant& value) const
    {
        invoke(name, DISPATCH_PROPERTYPUTREF, &value, 1);
    }

    DISPID dispId(std::wstring_view name) const;

    // `args` in natural order; they are passed reversed, as IDispatch::Invoke wants them.
    Variant invoke(std::wstring_view name, WORD flags, const Variant* args, size_t count) const;

    struct TypeEntry;

private:
    TypeEntry& typeEntry() const;

    ComPtr<IDispatch> object_;
    // The names this object was asked for; copies of a Dispatch share it, as they share the object.
    mutable std::shared_ptr<TypeEntry> type_;
};

} // namespace gleaner
