#include "support/MapiControl.h"

namespace gleaner {

std::wstring FileNamePart(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

MapiMessageModel TMapiControl::BuildMessage()
{
    MapiMessageModel message;
    message.subject = Subject;
    message.noteText = Body;
    message.originator = {kMapiOrig, FromName, FromAdress};

    message.recipients.reserve(Recipients.size() + CopyTo.size() + BlindCopyTo.size());
    const struct {
        const std::vector<std::wstring>* list;
        unsigned long recipClass;
    } classes[] = {{&Recipients, kMapiTo}, {&CopyTo, kMapiCc}, {&BlindCopyTo, kMapiBcc}};
    for (const auto& c : classes) {
        for (const std::wstring& entry : *c.list) message.recipients.push_back({c.recipClass, entry, L"SMTP:" + entry});
    }

    // Without attachments the names of an earlier send stay as they were.
    if (!AttachedFiles.empty()) {
        displayFileName_.clear();
        for (const std::wstring& path : AttachedFiles) {
            displayFileName_.push_back(FileNamePart(path));
            message.files.push_back({0, -1, path, displayFileName_.back()});
        }
    }

    message.sendFlags = ShowDialog ? (kMapiLogonUi | kMapiNewSession | kMapiDialog) : 0;
    return message;
}

void TMapiControl::Report(unsigned long result)
{
    if (result == kMapiSuccess) {
        if (OnSuccess) OnSuccess(*this);
    } else if (result == kMapiUserAbort) {
        if (OnUserAbort) OnUserAbort(*this);
    } else {
        if (OnMapiError) OnMapiError(*this, static_cast<std::int32_t>(result));
    }
}

} // namespace gleaner
