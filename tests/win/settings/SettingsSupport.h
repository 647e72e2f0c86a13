#pragma once
// Shared by the settings tests: a clean settings key and error log per test, a main window
// stand-in for the layout values, and readers for the dialog's controls and the key.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "settings/OptionsForm.h"
#include "settings/SettingsStore.h"

namespace gleaner::test {

// The main window's part of the settings, kept in memory.
class FakeMainWindow final : public MainWindowSettings {
public:
    FakeMainWindow();
    int Get(Value value) const override { return values.at(value); }
    void Set(Value value, int pixels) override { values[value] = pixels; }
    bool FastSearch() const override { return fastSearch; }
    void SetFastSearch(bool on) override { fastSearch = on; }
    bool ShowFoundMessage() const override { return showFoundMessage; }
    void SetShowFoundMessage(bool on) override { showFoundMessage = on; }

    std::map<Value, int> values;
    bool fastSearch = false;
    bool showFoundMessage = true;
};

// A stored value as the registry holds it.
struct StoredValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::wstring text;  // REG_SZ
    DWORD number = 0;   // REG_DWORD
};

// The values of the settings key in the order the registry lists them; empty when absent.
std::vector<StoredValue> StoredValues();
std::wstring StoredText(const std::wstring& name);
DWORD StoredNumber(const std::wstring& name);

void WriteText(const std::wstring& name, const std::wstring& text);
void WriteNumber(const std::wstring& name, DWORD number);
void DeleteValue(const std::wstring& name);
void DeleteSettingsKey();

// Ticks of one check list as its list view shows them, "1"/"0" per entry.
std::wstring ListTicks(const TForm3& dialog, ItemKind kind);
bool Checked(HWND button);

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh hidden dialog at its design defaults, with a fresh main window stand-in.
    TForm3& NewDialog();
    FakeMainWindow& mainWindow() { return *mainWindow_; }

    // The messages of the error log's lines.
    std::vector<std::wstring> LogLines() const;
    void ClearLog() const;

    ComInit com_;
    Dispatch outlookNamespace_;
    std::unique_ptr<TForm3> dialog_;
    FakeMainWindow* mainWindow_ = nullptr;
    std::wstring logFolder_;
};

// Handles this thread's pending messages.
void Pump();

} // namespace gleaner::test
