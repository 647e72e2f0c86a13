#pragma once
// Owning COM interface pointer: AddRef on copy, Release exactly once when it lets go.
#include <windows.h>

#include <objbase.h>

#include <utility>

#include "platform/ComError.h"

namespace gleaner {

template <typename I>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference to `p`.
    explicit ComPtr(I* p) noexcept : p_(p)
    {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        if (this != &other) {
            if (other.p_) other.p_->AddRef();
            reset();
            p_ = other.p_;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    // Adopts a pointer whose reference the caller already owns.
    static ComPtr Attach(I* p) noexcept
    {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Releases the current pointer first, then hands out the slot for an out-parameter.
    I** put() noexcept
    {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    I* release() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept
    {
        if (I* old = std::exchange(p_, nullptr)) old->Release();
    }

    // QueryInterface that throws ComError when the object refuses.
    template <typename J>
    ComPtr<J> query() const
    {
        ComPtr<J> result;
        if (!p_) ThrowComError(E_POINTER);
        HRESULT hr = p_->QueryInterface(__uuidof(J), result.putVoid());
        if (FAILED(hr)) ThrowComError(hr);
        return result;
    }
    template <typename J>
    ComPtr<J> query(REFIID iid) const
    {
        ComPtr<J> result;
        if (!p_) ThrowComError(E_POINTER);
        HRESULT hr = p_->QueryInterface(iid, result.putVoid());
        if (FAILED(hr)) ThrowComError(hr);
        return result;
    }

    // QueryInterface that returns an empty pointer when the object refuses.
    template <typename J>
    ComPtr<J> tryQuery() const noexcept
    {
        ComPtr<J> result;
        if (p_) p_->QueryInterface(__uuidof(J), result.putVoid());
        return result;
    }
    template <typename J>
    ComPtr<J> tryQuery(REFIID iid) const noexcept
    {
        ComPtr<J> result;
        if (p_) p_->QueryInterface(iid, result.putVoid());
        return result;
    }

private:
    I* p_ = nullptr;
};

} // namespace gleaner
