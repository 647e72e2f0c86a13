#pragma once
// TForm3: the modeless Options dialog. It has no OK step: its controls, and the comparison
// profiles they mirror, are the only copy of the user's choices, read by the searches and
// the processing whenever they need them. Closing only hides it, after saving the settings.
#include <windows.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "detect/ComparisonProfiles.h"
#include "platform/Dispatch.h"
#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "settings/SettingsCodec.h"

namespace gleaner {

class MainWindowSettings;

class TForm3 {
public:
    // The client area at 96 DPI; the dialog scales it to its own DPI.
    static constexpr int kClientWidth = 274;
    static constexpr int kClientHeight = 341;
    static constexpr wchar_t kDefaultSubjectMark[] = L"***DUPLICATE***";

    enum : int {
        kPageControl2 = 300, kPageControl1, kLabel1, kCheckBox1, kButton2,
        kCheckListBox1, kCheckListBox2, kCheckListBox3, kCheckListBox4, kCheckListBox5, kCheckListBox6,
        kGroupBox1, kRadioButton2, kRadioButton3, kRadioButton4, kRadioButton8,
        kGroupBox2, kRadioButton7, kRadioButton6, kRadioButton5, kRadioButton1,
        kEdit1, kButton1, kEdit2,
    };
    enum Page : int { kSearchOptionsPage = 0, kRemoveOptionsPage = 1 };

    TForm3();
    ~TForm3();
    TForm3(const TForm3&) = delete;
    TForm3& operator=(const TForm3&) = delete;

    // Creates the hidden dialog with its design defaults, owned by `owner`. The main
    // window's part of the settings is reached through `mainWindow`; Browse asks
    // `outlookNamespace`, which must outlive the dialog.
    HWND Create(HWND owner, std::unique_ptr<MainWindowSettings> mainWindow, const Dispatch& outlookNamespace);
    HWND hwnd() const noexcept { return hwnd_; }
    // The DPI the dialog is laid out for.
    int Dpi() const noexcept { return dpi_; }

    // Selects a page of PageControl2 and shows the dialog modeless.
    void ShowPage(Page page);
    int ActivePage() const;
    // Hides the dialog; FormClose saves the settings first.
    void Close();

    // The settings in the registry: loaded once at the main window's first show, saved
    // at every close of either window.
    void ReadSettings();
    void SaveSettings();

    // What the searches and the processing read.
    const ComparisonProfiles& Profiles() const noexcept { return profiles_; }
    void CheckedProps(std::int32_t defaultItemType, std::vector<std::wstring>& columnList) const
    {
        profiles_.CheckedProps(defaultItemType, columnList);
    }
    bool SameFolder() const noexcept { return profiles_.sameFolder(); }
    OriginalRule Original() const;
    DuplicateBehavior Behavior() const;
    std::wstring MoveFolderPath() const; // Edit1
    std::wstring SubjectMark() const;    // Edit2

    // Setters for the settings store and tests; the controls follow at once.
    void SetProfiles(const ComparisonProfiles& profiles);
    void SetOriginal(OriginalRule rule);
    void SetBehavior(DuplicateBehavior behavior);
    void SetMoveFolderPath(const std::wstring& path);
    void SetSubjectMark(const std::wstring& mark);
    POINT Position() const;
    void SetPosition(POINT topLeft);

    // Handlers.
    void FormClose();
    void Button1Click(); // "Browse"
    void Button2Click(); // "Check default properties*"

    // Controls.
    HWND PageControl2 = nullptr; // "Search Options", "Remove Options"
    HWND PageControl1 = nullptr; // the six kinds
    HWND Label1 = nullptr;
    std::array<HWND, kItemKindCount> CheckListBoxes{}; // CheckListBox1 ... CheckListBox6
    HWND CheckBox1 = nullptr;
    HWND Button2 = nullptr;
    HWND GroupBox1 = nullptr;
    HWND RadioButton2 = nullptr, RadioButton3 = nullptr, RadioButton4 = nullptr, RadioButton8 = nullptr;
    HWND GroupBox2 = nullptr;
    HWND RadioButton7 = nullptr, RadioButton6 = nullptr, RadioButton5 = nullptr, RadioButton1 = nullptr;
    HWND Edit1 = nullptr;
    HWND Button1 = nullptr;
    HWND Edit2 = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnActivate(bool active);
    // The dialog moved to a screen of `dpi`: a new font, every control placed again, and the
    // window's top left at `suggested` (screen coordinates) when there is one.
    void OnDpiChanged(int dpi, const RECT* suggested);
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(NMHDR* header);
    SIZE ClientSize() const noexcept;

    static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Child(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0);
    HWND CreatePage();
    void CreateControls();
    void Layout();
    void LayoutSearchPage(int left, int width, int bottom);
    void LayoutRemovePage(int left, int width);
    void ShowPageControls();
    void CheckRadio(HWND on, std::initializer_list<HWND> group);
    void MirrorProfiles();
    int KindOfList(HWND list) const;

    HWND hwnd_ = nullptr;
    int dpi_ = kDesignDpi;
    HWND lastFocus_ = nullptr; // the control to focus when the dialog is active again
    std::unique_ptr<MainWindowSettings> mainWindow_;
    const Dispatch* outlookNamespace_ = nullptr;
    UniqueGdiObject font_; // Tahoma 8 pt at the dialog's DPI
    ComparisonProfiles profiles_;
    // One window per page of PageControl2, holding that page's controls.
    HWND searchPage_ = nullptr;
    HWND removePage_ = nullptr;
    bool mirroring_ = false; // list changes made by the program itself
};

} // namespace gleaner
