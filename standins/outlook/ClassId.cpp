#include "ClassId.h"

#include "Members.h"

namespace standin {

namespace {

// In ClassId order. Outlook's own interface names; the control object's is the stand-in's.
constexpr std::wstring_view kInterfaceNames[kClassCount] = {
    L"_Application", L"_NameSpace",   L"_Folders",      L"MAPIFolder",  L"_Items",       L"_Store",
    L"_Stores",      L"_MailItem",    L"_AppointmentItem", L"_ContactItem", L"_JournalItem", L"_NoteItem",
    L"_TaskItem",    L"_MeetingItem", L"_PostItem",     L"_DistListItem", L"_ReportItem", L"Attachments",
    L"Attachment",   L"COMAddIns",    L"COMAddIn",      L"_StandIn",
};

} // namespace

std::wstring_view InterfaceName(ClassId id) { return kInterfaceNames[Index(id)]; }

bool FindClass(std::wstring_view interfaceName, ClassId& id)
{
    for (std::size_t i = 0; i < kClassCount; ++i) {
        if (SameName(kInterfaceNames[i], interfaceName)) {
            id = static_cast<ClassId>(i);
            return true;
        }
    }
    return false;
}

} // namespace standin
