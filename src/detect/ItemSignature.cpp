#include "detect/ItemSignature.h"

#include <objbase.h>

#include <optional>
#include <utility>

#include "detect/SignatureText.h"
#include "folders/FolderPath.h"
#include "platform/ComError.h"
#include "platform/LocaleFormat.h"
#include "platform/Unique.h"

namespace gleaner {

namespace {

struct CoTaskMemText {
    using Type = wchar_t*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type text) noexcept { ::CoTaskMemFree(text); }
};

std::wstring LocaleText(LCTYPE type)
{
    wchar_t buffer[80];
    int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 80);
    if (length <= 0) return {};
    return std::wstring(buffer, static_cast<size_t>(length - 1));
}

double ToOleDate(const Variant& value)
{
    if (value.vt() == VT_DATE) return value.raw().date;
    // Text and numbers convert as automation converts them; anything else is a type mismatch.
    Variant date;
    CheckHr(::VariantChangeType(date.put(), const_cast<VARIANT*>(&value.raw()), 0, VT_DATE));
    return date.raw().date;
}

} // namespace

TimeSettings UserTimeSettings()
{
    TimeSettings settings;
    settings.twelveHour = LocaleText(LOCALE_ITIME) == L"0";
    settings.leadingZero = LocaleText(LOCALE_ITLZERO) == L"1";
    settings.separator = LocaleText(LOCALE_STIME);
    settings.am = LocaleText(LOCALE_S1159);
    settings.pm = LocaleText(LOCALE_S2359);
    settings.markerFirst = LocaleText(LOCALE_ITIMEMARKPOSN) == L"1";
    return settings;
}

std::wstring DateTimeText(double oleDate)
{
    SYSTEMTIME time = OleDateToSystemTime(oleDate);
    time.wMilliseconds = 0;
    return FormatShortDate(time) + ComposeTime(time.wHour, time.wMinute, time.wSecond, UserTimeSettings());
}

std::wstring NewGuidString()
{
    GUID guid;
    if (FAILED(::CoCreateGuid(&guid))) return {};
    Unique<CoTaskMemText> text;
    if (FAILED(::StringFromCLSID(guid, text.put())) || !text) return {};
    return text.get();
}

std::wstring PropertyText(const Dispatch& item, const PropertyInfo& property)
{
    switch (property.form) {
    case ValueForm::Text: return item.get(property.member).toText();
    case ValueForm::DateTime: return DateTimeText(ToOleDate(item.get(property.member)));
    case ValueForm::Number: return std::to_wstring(item.get(property.member).toInt());
    case ValueForm::Flag: return item.get(property.member).toBool() ? L"-1" : L"0";
    case ValueForm::AttachmentCount:
        return std::to_wstring(item.getObject(property.member).get(L"Count").toInt());
    }
    return {};
}

ItemSignature::ItemSignature(const ComparisonProfiles& profiles) : ItemSignature(profiles, GetFolderPath) {}

ItemSignature::ItemSignature(const ComparisonProfiles& profiles, FolderPathFunction folderPath)
    : profiles_(profiles), folderPath_(std::move(folderPath))
{
}

std::wstring ItemSignature::DuplicateSearch(const Dispatch& item, std::optional<ItemKind>* kindOut) const
{
    SignatureText text;
    if (profiles_.sameFolder()) text.setFolderPath(folderPath_(item.getObject(L"Parent")));

    std::optional<ItemKind> kind = KindFromMessageClass(item.get(L"MessageClass").toText());
    if (kindOut) *kindOut = kind;
    if (!kind) return std::wstring(kNotSupported);

    auto rows = ProfileRows(*kind);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (profiles_.ticked(*kind, row)) text.appendValue(PropertyText(item, *rows[row]));
    }
    if (text.empty()) return NewGuidString();
    return text.finish();
}

} // namespace gleaner
