// Makes the changes of the kill test in a process of its own: standin_worker <progress file>
// <changes to make>. After each change it writes how many are done; after the last it waits
// to be killed, so that the test kills it between two changes.
#include <windows.h>

#include <string>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Handles.h"

using namespace gleaner;

namespace {

void Report(const std::wstring& file, int done)
{
    std::string text = std::to_string(done);
    UniqueFile out(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 2;
    std::wstring progress = argv[1];
    int changes = _wtoi(argv[2]);
    ComInit com;
    try {
        Dispatch ns = Dispatch::Create(L"Outlook.Application").callObject(L"GetNamespace", L"MAPI");
        Dispatch inbox = ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
        Dispatch sub = inbox.getObject(L"Folders").callObject(L"Item", 1);
        auto itemWith = [&](const wchar_t* subject) {
            Dispatch items = inbox.getObject(L"Items");
            for (int i = 1, n = items.get(L"Count").toInt(); i <= n; ++i) {
                Dispatch item = items.callObject(L"Item", i);
                if (item.get(L"Subject").toText() == subject) return item;
            }
            return Dispatch();
        };
        for (int done = 1; done <= changes; ++done) {
            switch (done) {
            case 1: {
                Dispatch item = itemWith(L"one");
                item.put(L"Subject", L"***DUPLICATE***one");
                item.call(L"Save");
                break;
            }
            case 2: itemWith(L"two").call(L"Move", sub.variant()); break;
            case 3: itemWith(L"three").call(L"Delete"); break;
            case 4: {
                Dispatch item = itemWith(L"four");
                item.put(L"Subject", L"changed four");
                item.call(L"Save");
                break;
            }
            }
            Report(progress, done);
        }
        // Still holding Outlook: nothing is released or folded before the kill.
        ::Sleep(INFINITE);
    } catch (...) {
        Report(progress, -1);
        return 1;
    }
    return 0;
}
