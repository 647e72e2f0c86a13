// TMapiControl::Send: the Win32 half of the mail component.
#include <windows.h>

#include <mapi.h>

#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/RegKey.h"
#include "platform/Text.h"
#include "support/MapiControl.h"

namespace gleaner {

namespace {

// MAPI32.DLL and its MAPISendMail, looked for on the first send and kept until the program ends.
class SimpleMapi {
public:
    static SimpleMapi& Instance()
    {
        static SimpleMapi mapi;
        return mapi;
    }
    LPMAPISENDMAIL sendMail() const noexcept { return sendMail_; }

private:
    SimpleMapi()
    {
        if (!Present()) return;
        library_.reset(::LoadLibraryW(L"MAPI32.DLL"));
        if (library_) sendMail_ = reinterpret_cast<LPMAPISENDMAIL>(::GetProcAddress(library_.get(), "MAPISendMail"));
    }

    // What the system says about Simple MAPI: the messaging subsystem's registry entry, or on
    // systems up to NT 3.51 the [Mail] section of WIN.INI.
    static bool Present()
    {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof(version);
#pragma warning(suppress : 4996)
        const bool known = ::GetVersionExW(&version) != 0;
        const bool later351 = !known || version.dwMajorVersion > 3 ||
                              (version.dwMajorVersion == 3 && version.dwMinorVersion > 51);
        if (!later351) return ::GetProfileIntW(L"Mail", L"MAPI", 0) != 0;
        auto key = RegKey::TryOpen(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem");
        if (!key) return false;
        auto value = key->tryReadString(L"MAPI");
        return value && *value == L"1";
    }

    UniqueHmodule library_;
    LPMAPISENDMAIL sendMail_ = nullptr;
};

// Simple MAPI's descriptors point into these ANSI copies, which live until the call returns.
struct AnsiRecipient {
    unsigned long recipClass;
    std::string name;
    std::string address;
};

MapiRecipDesc Descriptor(AnsiRecipient& r)
{
    MapiRecipDesc d{};
    d.ulRecipClass = r.recipClass;
    d.lpszName = r.name.data();
    d.lpszAddress = r.address.data();
    return d;
}

AnsiRecipient Ansi(const MapiRecipient& r) { return {r.recipClass, ToAnsi(r.name), ToAnsi(r.address)}; }

} // namespace

void TMapiControl::Send()
{
    const MapiMessageModel model = BuildMessage();

    std::string subject = ToAnsi(model.subject);
    std::string noteText = ToAnsi(model.noteText);
    AnsiRecipient originator = Ansi(model.originator);
    std::vector<AnsiRecipient> recipients;
    recipients.reserve(model.recipients.size());
    for (const MapiRecipient& r : model.recipients) recipients.push_back(Ansi(r));
    std::vector<std::pair<std::string, std::string>> fileNames;
    fileNames.reserve(model.files.size());
    for (const MapiFile& f : model.files) fileNames.emplace_back(ToAnsi(f.pathName), ToAnsi(f.fileName));

    MapiRecipDesc originatorDesc = Descriptor(originator);
    std::vector<MapiRecipDesc> recipientDescs;
    for (AnsiRecipient& r : recipients) recipientDescs.push_back(Descriptor(r));
    std::vector<MapiFileDesc> fileDescs;
    for (size_t i = 0; i < model.files.size(); ++i) {
        MapiFileDesc d{};
        d.flFlags = model.files[i].flags;
        d.nPosition = static_cast<ULONG>(model.files[i].position);
        d.lpszPathName = fileNames[i].first.data();
        d.lpszFileName = fileNames[i].second.data();
        fileDescs.push_back(d);
    }

    MapiMessage message{};
    message.lpszSubject = subject.data();
    message.lpszNoteText = noteText.data();
    message.lpOriginator = &originatorDesc;
    message.nRecipCount = static_cast<ULONG>(recipientDescs.size());
    message.lpRecips = recipientDescs.empty() ? nullptr : recipientDescs.data();
    message.nFileCount = static_cast<ULONG>(fileDescs.size());
    message.lpFiles = fileDescs.empty() ? nullptr : fileDescs.data();

    // No Simple MAPI on this system counts as the user's cancel.
    unsigned long result = kMapiUserAbort;
    if (LPMAPISENDMAIL sendMail = SimpleMapi::Instance().sendMail())
        result = sendMail(0, static_cast<ULONG_PTR>(ParentWindow), &message, model.sendFlags, 0);
    Report(result);
}

} // namespace gleaner
