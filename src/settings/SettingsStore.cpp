#include "settings/SettingsStore.h"

#include <cstdint>
#include <optional>

#include "app/ErrorLog.h"
#include "platform/ComError.h"
#include "platform/RegKey.h"
#include "settings/OptionsForm.h"
#include "settings/SettingsCodec.h"

namespace gleaner {

namespace {

using Value = MainWindowSettings::Value;

std::wstring InvalidType(const wchar_t* name) { return std::wstring(L"Invalid data type for '") + name + L"'"; }
std::wstring NoData(const wchar_t* name) { return std::wstring(L"Failed to get data for '") + name + L"'"; }

// A string value; a missing one reads as empty text. Nothing when it cannot be read.
std::optional<std::wstring> ReadText(const RegKey& key, const wchar_t* name)
{
    const std::optional<DWORD> type = key.valueType(name);
    if (!type) return std::wstring();
    if (*type != REG_SZ && *type != REG_EXPAND_SZ) {
        LogError(InvalidType(name));
        return std::nullopt;
    }
    try {
        return key.readString(name);
    } catch (const Win32Error&) {
        LogError(NoData(name));
        return std::nullopt;
    }
}

// A 32-bit integer value. Nothing when it is absent (logged only when `required`), of
// another type, or unreadable.
std::optional<int> ReadInteger(const RegKey& key, const wchar_t* name, bool required)
{
    const std::optional<DWORD> type = key.valueType(name);
    if (!type) {
        if (required) LogError(NoData(name));
        return std::nullopt;
    }
    if (*type != REG_DWORD) {
        LogError(InvalidType(name));
        return std::nullopt;
    }
    try {
        return static_cast<int>(static_cast<std::int32_t>(key.readDword(name)));
    } catch (const Win32Error& error) {
        LogError(error.code() == ERROR_DATATYPE_MISMATCH ? InvalidType(name) : NoData(name));
        return std::nullopt;
    }
}

const wchar_t* const kCheckListNames[kItemKindCount] = {L"chklst1", L"chklst2", L"chklst3",
                                                        L"chklst4", L"chklst5", L"chklst6"};

struct MainWindowInteger {
    const wchar_t* name;
    Value value;
};

// Read in this order; the first six are always written, the last four may be absent.
const MainWindowInteger kAlwaysWritten[] = {{L"SplitX", Value::SplitX}, {L"SplitY", Value::SplitY},
                                            {L"TV1", Value::TV1},       {L"TV2", Value::TV2},
                                            {L"Form1X", Value::Form1X}, {L"Form1Y", Value::Form1Y}};
const MainWindowInteger kIfPresent[] = {{L"AppX", Value::AppX},
                                        {L"AppY", Value::AppY},
                                        {L"SubWidth", Value::SubWidth},
                                        {L"FoldWidth", Value::FoldWidth}};

void ApplyFirstStartTicks(TForm3& dialog)
{
    ComparisonProfiles firstStart;
    firstStart.ApplyFirstStart();
    ComparisonProfiles profiles = dialog.Profiles();
    for (ItemKind kind : kItemKinds) {
        for (std::size_t row = 0; row < profiles.rowCount(kind); ++row) {
            if (firstStart.ticked(kind, row)) profiles.setTicked(kind, row, true);
        }
    }
    dialog.SetProfiles(profiles);
}

void LoadFrom(const RegKey& key, TForm3& dialog, MainWindowSettings& mainWindow)
{
    if (std::optional<std::wstring> stored = ReadText(key, L"search_pref")) {
        SearchPref pref{dialog.Original(), dialog.Behavior(), dialog.SameFolder(), mainWindow.ShowFoundMessage(),
                        mainWindow.FastSearch()};
        ApplySearchPref(*stored, pref);
        dialog.SetOriginal(pref.original);
        dialog.SetBehavior(pref.behavior);
        ComparisonProfiles profiles = dialog.Profiles();
        profiles.setSameFolder(pref.sameFolder);
        dialog.SetProfiles(profiles);
        mainWindow.SetShowFoundMessage(pref.showFoundMessage);
        mainWindow.SetFastSearch(pref.fastSearch);
    }
    if (std::optional<std::wstring> path = ReadText(key, L"MAPI_MoveFolder")) dialog.SetMoveFolderPath(*path);
    if (std::optional<std::wstring> mark = ReadText(key, L"Item_Subject")) dialog.SetSubjectMark(*mark);

    for (const MainWindowInteger& integer : kAlwaysWritten) {
        if (std::optional<int> pixels = ReadInteger(key, integer.name, true)) mainWindow.Set(integer.value, *pixels);
    }
    if (std::optional<int> left = ReadInteger(key, L"Form3X", true)) dialog.SetPosition({*left, dialog.Position().y});
    if (std::optional<int> top = ReadInteger(key, L"Form3Y", true)) dialog.SetPosition({dialog.Position().x, *top});

    for (const MainWindowInteger& integer : kIfPresent) {
        if (std::optional<int> pixels = ReadInteger(key, integer.name, false)) mainWindow.Set(integer.value, *pixels);
    }

    ComparisonProfiles profiles = dialog.Profiles();
    for (std::size_t list = 0; list < kItemKindCount; ++list) {
        if (std::optional<std::wstring> stored = ReadText(key, kCheckListNames[list]))
            ApplyCheckList(*stored, profiles, kItemKinds[list]);
    }
    dialog.SetProfiles(profiles);
}

void WriteTo(const RegKey& key, const TForm3& dialog, const MainWindowSettings& mainWindow)
{
    const SearchPref pref{dialog.Original(), dialog.Behavior(), dialog.SameFolder(), mainWindow.ShowFoundMessage(),
                          mainWindow.FastSearch()};
    key.writeString(L"search_pref", EncodeSearchPref(pref));
    key.writeString(L"MAPI_MoveFolder", dialog.MoveFolderPath());
    key.writeString(L"Item_Subject", dialog.SubjectMark());

    const POINT dialogPosition = dialog.Position();
    auto write = [&](const wchar_t* name, int pixels) {
        key.writeDword(name, static_cast<DWORD>(static_cast<std::int32_t>(pixels)));
    };
    write(L"SplitX", mainWindow.Get(Value::SplitX));
    write(L"SplitY", mainWindow.Get(Value::SplitY));
    write(L"TV1", mainWindow.Get(Value::TV1));
    write(L"TV2", mainWindow.Get(Value::TV2));
    write(L"Form1X", mainWindow.Get(Value::Form1X));
    write(L"Form1Y", mainWindow.Get(Value::Form1Y));
    write(L"Form3X", dialogPosition.x);
    write(L"Form3Y", dialogPosition.y);
    write(L"AppX", mainWindow.Get(Value::AppX));
    write(L"AppY", mainWindow.Get(Value::AppY));
    write(L"SubWidth", mainWindow.Get(Value::SubWidth));
    write(L"FoldWidth", mainWindow.Get(Value::FoldWidth));

    for (std::size_t list = 0; list < kItemKindCount; ++list)
        key.writeString(kCheckListNames[list], EncodeCheckList(dialog.Profiles(), kItemKinds[list]));
}

} // namespace

void LoadSettings(TForm3& dialog, MainWindowSettings& mainWindow)
{
    try {
        std::optional<RegKey> key = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey, KEY_READ);
        if (!key) {
            ApplyFirstStartTicks(dialog);
            return;
        }
        LoadFrom(*key, dialog, mainWindow);
    } catch (const std::exception& error) {
        LogError(ExceptionMessage(error));
    }
}

void StoreSettings(const TForm3& dialog, const MainWindowSettings& mainWindow)
{
    RegKey key;
    try {
        key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_WRITE);
    } catch (const std::exception&) {
        return; // nowhere to store: nothing is said
    }
    try {
        WriteTo(key, dialog, mainWindow);
    } catch (const std::exception& error) {
        LogError(ExceptionMessage(error));
    }
}

} // namespace gleaner
