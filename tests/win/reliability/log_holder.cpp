// Holds a file open without sharing, as another program might hold the error log:
// log_holder <file> <ready event> <release event>. Signals the first event once the file is
// held and lets it go when the second is set.
#include <windows.h>

#include "platform/Handles.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) return 2;
    gleaner::UniqueFile file(::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 3;
    gleaner::UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    gleaner::UniqueHandle release(::OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
    if (!ready || !release) return 4;
    ::SetEvent(ready.get());
    ::WaitForSingleObject(release.get(), 60000);
    return 0;
}
