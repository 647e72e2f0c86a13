// MAPI32.DLL stand-in: MAPISendMail writes everything it receives to the file named by
// MAPI_STANDIN_LOG (appending one record per call) and answers with the number in
// MAPI_STANDIN_RESULT (0 when unset). Tests and the demo only; see README.md.
#include <windows.h>

#include <mapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace mapi_standin {

std::wstring Environment(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 2048);
    return length > 0 && length < 2048 ? std::wstring(buffer, length) : std::wstring();
}

// Texts are written as the bytes received; a null pointer reads "(null)", so that it differs
// from an empty text.
std::string Text(const char* text) { return text ? "\"" + std::string(text) + "\"" : "(null)"; }

std::string Number(unsigned long long value) { return std::to_string(value); }

std::string Recipient(const char* label, const MapiRecipDesc* r)
{
    if (!r) return std::string(label) + " (null)\r\n";
    return std::string(label) + " class=" + Number(r->ulRecipClass) + " name=" + Text(r->lpszName) +
           " address=" + Text(r->lpszAddress) + " eid=" + Number(r->ulEIDSize) + (r->lpEntryID ? "+" : "") + "\r\n";
}

std::string Record(LHANDLE session, ULONG_PTR uiParam, const MapiMessage* m, FLAGS flags, ULONG reserved)
{
    std::string out = "MAPISendMail session=" + Number(session) + " uiparam=" + Number(uiParam) +
                      " flags=" + Number(flags) + " reserved=" + Number(reserved) + "\r\n";
    if (!m) return out + "message (null)\r\n";
    out += "subject=" + Text(m->lpszSubject) + "\r\n";
    out += "body=" + Text(m->lpszNoteText) + "\r\n";
    out += "type=" + Text(m->lpszMessageType) + " date=" + Text(m->lpszDateReceived) +
           " conversation=" + Text(m->lpszConversationID) + " messageflags=" + Number(m->flFlags) + "\r\n";
    out += Recipient("originator", m->lpOriginator);
    out += "recipients=" + Number(m->nRecipCount) + "\r\n";
    for (ULONG i = 0; i < m->nRecipCount && m->lpRecips; ++i) out += Recipient("recipient", &m->lpRecips[i]);
    out += "files=" + Number(m->nFileCount) + "\r\n";
    for (ULONG i = 0; i < m->nFileCount && m->lpFiles; ++i) {
        const MapiFileDesc& f = m->lpFiles[i];
        out += "file flags=" + Number(f.flFlags) + " position=" + std::to_string(static_cast<long>(f.nPosition)) +
               " path=" + Text(f.lpszPathName) + " name=" + Text(f.lpszFileName) +
               " type=" + (f.lpFileType ? "set" : "(null)") + "\r\n";
    }
    return out;
}

} // namespace mapi_standin

extern "C" ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags,
                                     ULONG reserved)
{
    const std::wstring log = mapi_standin::Environment(L"MAPI_STANDIN_LOG");
    if (!log.empty()) {
        const std::string record = mapi_standin::Record(session, uiParam, message, flags, reserved);
        if (FILE* file = _wfopen(log.c_str(), L"ab")) {
            std::fwrite(record.data(), 1, record.size(), file);
            std::fclose(file);
        }
    }
    const std::wstring result = mapi_standin::Environment(L"MAPI_STANDIN_RESULT");
    return result.empty() ? SUCCESS_SUCCESS : static_cast<ULONG>(std::wcstoul(result.c_str(), nullptr, 10));
}
