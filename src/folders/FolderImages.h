#pragma once
// The tree's pictures, drawn in code on a 16 x 16 grid at `size` pixels square (16 at 96 DPI):
// folder kinds (0 blank, 1 folder, 2 calendar, 3 address card, 4 task, 5 journal, 6 note) and
// ticks (0 unused, 1 empty box, 2 ticked box).
#include "platform/Handles.h"

namespace gleaner {

UniqueHimagelist CreateFolderImages(int size);
UniqueHimagelist CreateTickImages(int size);

} // namespace gleaner
