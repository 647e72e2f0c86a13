#pragma once
// The preview text of an Outlook item: a header chosen by the item's exact message class, a
// line of hyphens, and the body.
#include <string>

#include "platform/Dispatch.h"

namespace gleaner {

// The header alone; empty for a class without one. Throws what the item's reads throw.
std::wstring PreviewHeader(const Dispatch& item);
// Header, CR LF, 64 hyphens, CR LF, body. Throws what the item's reads throw.
std::wstring BuildPreview(const Dispatch& item);

} // namespace gleaner
