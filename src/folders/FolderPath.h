#pragma once
// The full path of an Outlook folder, as the searches, processing and the Options dialog use it.
#include <string>

#include "platform/Dispatch.h"

namespace gleaner {

// "\" before each name from the top-level folder down: \Personal Folders\Inbox\Sub-folder.
// Climbs through Parent until reading Name fails (the NameSpace has none); an empty object gives
// empty text. A failure to read Parent reaches the caller.
std::wstring GetFolderPath(const Dispatch& folder);

} // namespace gleaner
