#include "platform/SafeArray.h"

#include <new>

#include "platform/ComError.h"

namespace gleaner {

SafeArray SafeArray::OfVariants(ULONG count)
{
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, count);
    if (!array) throw std::bad_alloc();
    return Attach(array);
}

SafeArrayAccess::SafeArrayAccess(SAFEARRAY* array) : array_(array)
{
    if (!array_) ThrowComError(E_POINTER);
    CheckHr(::SafeArrayLock(array_));
    if (FAILED(::SafeArrayGetVartype(array_, &type_))) type_ = VT_EMPTY;
}

SafeArrayAccess::~SafeArrayAccess()
{
    ::SafeArrayUnlock(array_);
}

ULONG SafeArrayAccess::count() const noexcept
{
    ULONG total = 1;
    for (USHORT d = 0; d < array_->cDims; ++d) total *= array_->rgsabound[d].cElements;
    return array_->cDims ? total : 0;
}

} // namespace gleaner
