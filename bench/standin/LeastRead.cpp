#include "LeastRead.h"

#include <oleauto.h>

#include <cstdio>

#include "BenchClock.h"
#include "RoundTrips.h"
#include "platform/Bstr.h"
#include "platform/ComError.h"
#include "platform/ComPtr.h"
#include "platform/Variant.h"

namespace standin_bench {

namespace {

using gleaner::ComPtr;
using gleaner::Variant;

// One Invoke by DISPID with at most one argument; failures throw ComError with the server's text.
Variant Call(IDispatch* object, DISPID id, const Variant* argument = nullptr)
{
    VARIANTARG args[1];
    DISPPARAMS params{};
    if (argument) {
        args[0] = argument->raw(); // a shallow copy: `argument` keeps ownership
        params.rgvarg = args;
        params.cArgs = 1;
    }
    Variant result;
    EXCEPINFO info{};
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                      &params, result.put(), &info, nullptr);
    gleaner::Bstr source = gleaner::Bstr::Attach(info.bstrSource);
    gleaner::Bstr description = gleaner::Bstr::Attach(info.bstrDescription);
    gleaner::Bstr help = gleaner::Bstr::Attach(info.bstrHelpFile);
    if (FAILED(hr)) {
        const HRESULT code = hr == DISP_E_EXCEPTION && FAILED(info.scode) ? info.scode : hr;
        gleaner::ThrowComError(code, description.get() ? std::wstring(description.get()) : gleaner::HresultText(code));
    }
    return result;
}

ComPtr<IDispatch> Object(const Variant& value) { return ComPtr<IDispatch>(value.dispatch()); }

bool LooksLikeMessageClass(const Variant& value)
{
    if (value.vt() != VT_BSTR || !value.raw().bstrVal) return false;
    return ::CompareStringOrdinal(value.raw().bstrVal, 3, L"IPM", 3, TRUE) == CSTR_EQUAL;
}

} // namespace

DISPID LeastRead::Id(IDispatch* object, const std::wstring& cls, const wchar_t* name)
{
    const auto key = std::make_pair(cls, std::wstring(name));
    if (auto found = ids_.find(key); found != ids_.end()) return found->second;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    ++lookups_;
    gleaner::CheckHr(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    ids_.emplace(key, id);
    return id;
}

std::wstring LeastRead::MessageClass(IDispatch* item, const std::wstring& guess)
{
    const auto guessed = ids_.find({guess, L"MessageClass"});
    if (guessed != ids_.end()) {
        try {
            const Variant value = Call(item, guessed->second);
            if (LooksLikeMessageClass(value)) return value.toText();
        } catch (const gleaner::ComError&) {
            // Another class that numbers its members otherwise: looked up on the item below.
        }
    }
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"MessageClass")};
    ++lookups_;
    gleaner::CheckHr(item->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    const std::wstring cls = Call(item, id).toText();
    ids_.emplace(std::make_pair(cls, std::wstring(L"MessageClass")), id);
    if (guessed == ids_.end()) ids_.emplace(std::make_pair(guess, std::wstring(L"MessageClass")), id);
    return cls;
}

void LeastRead::ReadItem(IDispatch* item, const std::wstring& folderClass)
{
    const std::wstring cls = MessageClass(item, folderClass);
    Call(item, Id(item, cls, L"EntryID"));
    Call(item, Id(item, cls, L"Size"));
    const auto kind = gleaner::KindFromMessageClass(cls);
    if (!kind) return;
    const auto rows = gleaner::ProfileRows(*kind);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (!profiles_.ticked(*kind, row)) continue;
        const std::wstring member(rows[row]->member);
        const Variant value = Call(item, Id(item, cls, member.c_str()));
        if (rows[row]->form == gleaner::ValueForm::AttachmentCount) {
            const ComPtr<IDispatch> attachments = Object(value);
            Call(attachments.get(), Id(attachments.get(), L"Attachments", L"Count"));
        }
    }
}

long LeastRead::Run(const gleaner::Dispatch& nameSpace, const std::vector<std::wstring>& folderEntryIds)
{
    long read = 0;
    IDispatch* ns = nameSpace.get();
    for (const std::wstring& entryId : folderEntryIds) {
        const Variant id(entryId);
        const ComPtr<IDispatch> folder = Object(Call(ns, Id(ns, L"NameSpace", L"GetFolderFromID"), &id));
        const int type = Call(folder.get(), Id(folder.get(), L"Folder", L"DefaultItemType")).toInt();
        const auto kind = gleaner::KindFromDefaultItemType(type);
        const std::wstring folderClass =
            kind ? std::wstring(gleaner::KindInfo(*kind).messageClass) : L"item type " + std::to_wstring(type);
        const ComPtr<IDispatch> items = Object(Call(folder.get(), Id(folder.get(), L"Folder", L"Items")));
        const int count = Call(items.get(), Id(items.get(), L"Items", L"Count")).toInt();
        const DISPID itemId = Id(items.get(), L"Items", L"Item");
        for (int i = 1; i <= count; ++i) {
            const Variant index(i);
            const ComPtr<IDispatch> item = Object(Call(items.get(), itemId, &index));
            ReadItem(item.get(), folderClass);
            ++read;
        }
    }
    return read;
}

LeastReadFigures MeasureLeastRead(const gleaner::Dispatch& control, const gleaner::Dispatch& nameSpace,
                                  const std::vector<std::wstring>& folders,
                                  const gleaner::ComparisonProfiles& profiles,
                                  std::span<const wchar_t* const> members)
{
    control.call(L"ResetCounts");
    LeastRead read(profiles);
    LeastReadFigures figures;
    const double start = Now();
    figures.items = read.Run(nameSpace, folders);
    figures.seconds = Now() - start;
    std::printf("%ld items in %zu folders\n", figures.items, folders.size());
    std::printf("least item-by-item read: %.3f s (%ld name look-ups)\n", figures.seconds, read.lookups());
    RoundTrips::Read(control, members).Print("least read", static_cast<double>(figures.items), 0);
    return figures;
}

} // namespace standin_bench
