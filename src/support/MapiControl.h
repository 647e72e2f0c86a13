#pragma once
// TMapiControl: hands one mail message with recipients and attachments to the user's mail
// program through Simple MAPI. The message is built here, in portable code, from the
// properties; Send (Win32 only) passes it to MAPISendMail and reports the outcome.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gleaner {

// Recipient classes and send flags as Simple MAPI defines them.
inline constexpr unsigned long kMapiOrig = 0;
inline constexpr unsigned long kMapiTo = 1;
inline constexpr unsigned long kMapiCc = 2;
inline constexpr unsigned long kMapiBcc = 3;
inline constexpr unsigned long kMapiLogonUi = 0x1;
inline constexpr unsigned long kMapiNewSession = 0x2;
inline constexpr unsigned long kMapiDialog = 0x8;
inline constexpr unsigned long kMapiSuccess = 0;
inline constexpr unsigned long kMapiUserAbort = 1;

// One MapiRecipDesc, without an entry identifier.
struct MapiRecipient {
    unsigned long recipClass = kMapiOrig;
    std::wstring name;
    std::wstring address;
};

// One MapiFileDesc: no flags, not placed in the text, no file type.
struct MapiFile {
    unsigned long flags = 0;
    long position = -1;
    std::wstring pathName;
    std::wstring fileName;
};

// The message as MAPISendMail gets it: no message type, date or conversation identifier,
// message flags 0; the originator is always given.
struct MapiMessageModel {
    std::wstring subject;
    std::wstring noteText;
    MapiRecipient originator;
    std::vector<MapiRecipient> recipients;
    std::vector<MapiFile> files;
    // The flags argument of MAPISendMail.
    unsigned long sendFlags = 0;
};

// The file-name part of a path: the text after its last backslash or colon.
std::wstring FileNamePart(const std::wstring& path);

class TMapiControl;
using TNotifyEvent = std::function<void(TMapiControl& Sender)>;
using TMapiErrEvent = std::function<void(TMapiControl& Sender, std::int32_t ErrCode)>;

class TMapiControl {
public:
    TMapiControl() = default;

    std::wstring Subject;
    std::wstring Body;
    std::wstring FromName;
    std::wstring FromAdress;
    // The component's own lists: assigning one copies the caller's entries.
    std::vector<std::wstring> Recipients;
    std::vector<std::wstring> CopyTo;
    std::vector<std::wstring> BlindCopyTo;
    std::vector<std::wstring> AttachedFiles;
    // The name under which each attachment is shown; filled by Send.
    const std::vector<std::wstring>& DisplayFileName() const noexcept { return displayFileName_; }
    bool ShowDialog = false;
    TNotifyEvent OnUserAbort;
    TMapiErrEvent OnMapiError;
    TNotifyEvent OnSuccess;
    // The window the mail program's dialogs belong to (a window handle; 0 for none).
    std::uintptr_t ParentWindow = 0;

    // Hands the message to Simple MAPI and waits for it; the outcome comes through the events.
    void Send();

    // The message Send passes on; refreshes DisplayFileName when files are attached.
    MapiMessageModel BuildMessage();
    // Calls the event for a Simple MAPI result: 0 success, 1 the user's cancel, else an error.
    void Report(unsigned long result);

private:
    std::vector<std::wstring> displayFileName_;
};

} // namespace gleaner
