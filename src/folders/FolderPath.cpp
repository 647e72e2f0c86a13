#include "folders/FolderPath.h"

#include "platform/ComError.h"

namespace gleaner {

std::wstring GetFolderPath(const Dispatch& folder)
{
    std::wstring path;
    Dispatch current = folder;
    while (current) {
        std::wstring name;
        try {
            name = current.get(L"Name").toText();
        } catch (const ComError&) {
            break; // above the top-level folders
        }
        path = L"\\" + name + path;
        current = current.getObject(L"Parent");
    }
    return path;
}

} // namespace gleaner
