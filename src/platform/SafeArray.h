#pragma once
// Owner of one SAFEARRAY, and a scoped lock for reading or writing its elements.
#include <windows.h>

#include <oleauto.h>

#include <utility>

namespace gleaner {

class SafeArray {
public:
    SafeArray() noexcept = default;
    // A one-dimensional array of VARIANTs, lower bound 0.
    static SafeArray OfVariants(ULONG count);
    static SafeArray Attach(SAFEARRAY* array) noexcept
    {
        SafeArray result;
        result.a_ = array;
        return result;
    }
    ~SafeArray() { reset(); }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
    SafeArray& operator=(SafeArray&& other) noexcept
    {
        if (this != &other) {
            reset();
            a_ = std::exchange(other.a_, nullptr);
        }
        return *this;
    }

    SAFEARRAY* get() const noexcept { return a_; }
    SAFEARRAY** put() noexcept
    {
        reset();
        return &a_;
    }
    SAFEARRAY* release() noexcept { return std::exchange(a_, nullptr); }
    void reset() noexcept
    {
        if (SAFEARRAY* old = std::exchange(a_, nullptr)) ::SafeArrayDestroy(old);
    }

private:
    SAFEARRAY* a_ = nullptr;
};

// ::SafeArrayLock for the life of the object; the element data is then at data().
// Works on arrays it does not own (e.g. one held by a Variant).
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array);
    ~SafeArrayAccess();
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    void* data() const noexcept { return array_->pvData; }
    // Element count over all dimensions.
    ULONG count() const noexcept;
    VARTYPE type() const noexcept { return type_; }
    template <typename T>
    T* as() const noexcept
    {
        return static_cast<T*>(array_->pvData);
    }

private:
    SAFEARRAY* array_;
    VARTYPE type_ = VT_EMPTY;
};

} // namespace gleaner
