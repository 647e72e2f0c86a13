#include "platform/Bstr.h"

#include <new>

namespace gleaner {

Bstr::Bstr(std::wstring_view text)
{
    b_ = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b_) throw std::bad_alloc();
}

} // namespace gleaner
