#include "platform/Handles.h"

#include <commctrl.h>

namespace gleaner::handle_traits {

void Himagelist::Close(Type h) noexcept
{
    ::ImageList_Destroy(h);
}

} // namespace gleaner::handle_traits
