#pragma once
// Loading and saving the settings in HKEY_CURRENT_USER\Software\Ostrel\Gleaner: the Options
// dialog's controls and the main window's layout, "Fast Search" and ShowFoundMessage.
#include <windows.h>

#include <string>

namespace gleaner {

class TForm3;

inline constexpr wchar_t kSettingsKey[] = L"Software\\Ostrel\\Gleaner";

// The main window's part of the settings. The integers are pixels at 96 DPI, whatever the
// window's own scale, except the window's position, which is in screen coordinates. The
// splitter values are edges in the main window's client area (SplitX the top edge of the bar
// between the result list and the preview, SplitY the left edge of the bar beside the tree).
class MainWindowSettings {
public:
    enum class Value { SplitX, SplitY, TV1, TV2, Form1X, Form1Y, AppX, AppY, SubWidth, FoldWidth };

    virtual ~MainWindowSettings() = default;
    virtual int Get(Value value) const = 0;
    virtual void Set(Value value, int stored) = 0;
    virtual bool FastSearch() const = 0;
    virtual void SetFastSearch(bool on) = 0;
    virtual bool ShowFoundMessage() const = 0;
    virtual void SetShowFoundMessage(bool on) = 0;
};

// Loads every stored value into the dialog and the main window. With no key, only the
// first-start ticks are set. A value of the wrong type, or a missing one among the eight
// integers that are always written, is logged by name and leaves its setting as it was;
// loading goes on with the next value. Never throws.
void LoadSettings(TForm3& dialog, MainWindowSettings& mainWindow);

// Creates the key if needed and writes every value. Nothing is stored when the key cannot
// be opened; a failing write is logged and ends the saving. Never throws.
void StoreSettings(const TForm3& dialog, const MainWindowSettings& mainWindow);

} // namespace gleaner
