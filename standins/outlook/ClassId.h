#pragma once
// The classes the stand-in serves, each described by one interface of its type library
// (OutlookStandIn.idl), under the interface's name.
#include <cstddef>
#include <string_view>

namespace standin {

enum class ClassId : int {
    Application,
    NameSpace,
    Folders,
    Folder,
    Items,
    Store,
    Stores,
    MailItem,
    AppointmentItem,
    ContactItem,
    JournalItem,
    NoteItem,
    TaskItem,
    MeetingItem,
    PostItem,
    DistListItem,
    ReportItem,
    Attachments,
    Attachment,
    AddIns,
    AddIn,
    Control,
};
inline constexpr std::size_t kClassCount = static_cast<std::size_t>(ClassId::Control) + 1;

inline constexpr std::size_t Index(ClassId id) { return static_cast<std::size_t>(id); }

// The interface's name in the type library, e.g. "_MailItem".
std::wstring_view InterfaceName(ClassId id);
// The class whose interface has this name (without regard to case); false when none has.
bool FindClass(std::wstring_view interfaceName, ClassId& id);

} // namespace standin
