#pragma once
// The fast search: per ticked folder one query through the MAPI-table component, whose
// record set gives each item's entry identifier and the ticked properties of the folder's
// kind; a row's key takes the place of the item signature. Items are opened only to confirm
// mail bodies and to fill rows. Everything else is the standard search's (SearchRun).
#include <windows.h>

#include <oaidl.h>

#include <string>

#include "detect/StandardSearch.h"
#include "platform/Variant.h"

namespace gleaner {

// Runs one whole fast search (ButtonMAPIClick's work) with the surface's mapiTable,
// recordSet holder and columnList. The closing steps run whatever happens.
void RunFastSearch(const SearchSurface& surface);

// A record-set value of any variant type as text; never fails: whatever goes wrong, the
// text built so far is the result.
std::wstring VariantToText(const VARIANT& value) noexcept;
inline std::wstring VariantToText(const Variant& value) noexcept { return VariantToText(value.raw()); }

} // namespace gleaner
