#include "SettingsSupport.h"

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "app/ErrorLog.h"
#include "platform/RegKey.h"
#include "platform/Text.h"

namespace gleaner::test {

FakeMainWindow::FakeMainWindow()
{
    // Unlike anything a test stores, so a value that was not applied shows.
    int pixels = 1001;
    for (Value value : {Value::SplitX, Value::SplitY, Value::TV1, Value::TV2, Value::Form1X, Value::Form1Y,
                        Value::AppX, Value::AppY, Value::SubWidth, Value::FoldWidth})
        values[value] = pixels++;
}

std::vector<StoredValue> StoredValues()
{
    std::vector<StoredValue> stored;
    std::optional<RegKey> key = RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return stored;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        DWORD type = 0;
        if (::RegEnumValueW(key->get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        StoredValue value{name, type};
        if (type == REG_SZ) value.text = key->readString(name);
        if (type == REG_DWORD) value.number = key->readDword(name);
        stored.push_back(value);
    }
    return stored;
}

std::wstring StoredText(const std::wstring& name)
{
    return RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey).value().readString(name);
}

DWORD StoredNumber(const std::wstring& name)
{
    return RegKey::TryOpen(HKEY_CURRENT_USER, kSettingsKey).value().readDword(name);
}

void WriteText(const std::wstring& name, const std::wstring& text)
{
    RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).writeString(name, text);
}

void WriteNumber(const std::wstring& name, DWORD number)
{
    RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).writeDword(name, number);
}

void DeleteValue(const std::wstring& name) { RegKey::Create(HKEY_CURRENT_USER, kSettingsKey).deleteValue(name); }

void DeleteSettingsKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

std::wstring ListTicks(const TForm3& dialog, ItemKind kind)
{
    HWND list = dialog.CheckListBoxes[static_cast<size_t>(kind)];
    std::wstring ticks;
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) ticks += ListView_GetCheckState(list, row) ? L'1' : L'0';
    return ticks;
}

bool Checked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SettingsTest::SetUp()
{
    ASSERT_TRUE(com_.ok());
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    logFolder_ = std::wstring(temp) + L"gleaner-settings-test-" + std::to_wstring(::GetCurrentProcessId());
    SetLogFolderForTesting(logFolder_);
    ClearLog();
    DeleteSettingsKey();
}

void SettingsTest::TearDown()
{
    dialog_.reset();
    DeleteSettingsKey();
    ClearLog();
    ::RemoveDirectoryW(logFolder_.c_str());
    SetLogFolderForTesting(L"");
}

TForm3& SettingsTest::NewDialog()
{
    dialog_.reset();
    auto mainWindow = std::make_unique<FakeMainWindow>();
    mainWindow_ = mainWindow.get();
    dialog_ = std::make_unique<TForm3>();
    dialog_->Create(nullptr, std::move(mainWindow), outlookNamespace_);
    return *dialog_;
}

std::vector<std::wstring> SettingsTest::LogLines() const
{
    std::ifstream in(ErrorLogPath().c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::wstring text = FromAnsi(bytes.str());
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void SettingsTest::ClearLog() const { ::DeleteFileW(ErrorLogPath().c_str()); }

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace gleaner::test
