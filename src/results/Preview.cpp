#include "results/Preview.h"

#include "platform/LocaleFormat.h"

namespace gleaner {

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

std::wstring Text(const Dispatch& item, const wchar_t* member) { return item.get(member).toText(); }

SYSTEMTIME DateOf(const Dispatch& item, const wchar_t* member)
{
    return OleDateToSystemTime(item.get(member).toDouble());
}

std::wstring DateText(const Dispatch& item, const wchar_t* member) { return FormatShortDate(DateOf(item, member)); }

std::wstring DateTimeText(const Dispatch& item, const wchar_t* member)
{
    const SYSTEMTIME time = DateOf(item, member);
    return FormatShortDate(time) + L" " + FormatLongTime(time);
}

std::wstring Hyphens() { return std::wstring(64, L'-'); }

} // namespace

std::wstring PreviewHeader(const Dispatch& item)
{
    // Compared exactly: a signed mail ("IPM.Note.SMIME") or "ipm.note" gets no header.
    const std::wstring messageClass = Text(item, L"MessageClass");
    if (messageClass == L"IPM.Appointment")
        return L"Start Time: " + DateTimeText(item, L"Start") + kLineEnd + L"End Time: " + DateTimeText(item, L"end");
    if (messageClass == L"IPM.Contact")
        return L"E-mail: " + Text(item, L"Email1Address") + kLineEnd + Hyphens() + kLineEnd +
               L"Mailing Address: " + Text(item, L"MailingAddress") + kLineEnd +
               L"Business Phone Number: " + Text(item, L"BusinessTelephoneNumber") + kLineEnd +
               L"Home Phone Number: " + Text(item, L"HomeTelephoneNumber") + kLineEnd +
               L"Business Fax Number: " + Text(item, L"BusinessFaxNumber") + kLineEnd +
               L"Mobile Phone Number: " + Text(item, L"MobileTelephoneNumber");
    if (messageClass == L"IPM.Note")
        return L"From: " + Text(item, L"SenderName") + kLineEnd + L"To: " + Text(item, L"to");
    if (messageClass == L"IPM.StickyNote") return L"Last Modified On: " + DateTimeText(item, L"LastModificationTime");
    if (messageClass == L"IPM.Task")
        return L"Start Date: " + DateText(item, L"StartDate") + kLineEnd + L"Due Date: " + DateText(item, L"DueDate");
    return {};
}

std::wstring BuildPreview(const Dispatch& item)
{
    std::wstring text = PreviewHeader(item);
    text += kLineEnd;
    text += Hyphens();
    text += kLineEnd;
    text += Text(item, L"Body");
    return text;
}

} // namespace gleaner
