#pragma once
// TForm1: the main window. Owns the program-wide objects (the Outlook connection, the
// logged-on namespace, the MAPI-table component, the security manager, the search lists)
// and the controls; starts and stops them in the window's life-cycle handlers.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/OlSecurityManager.h"
#include "app/OutlookConnection.h"
#include "app/Splitter.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/Dispatch.h"
#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "results/Progress.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"

namespace gleaner {

class TForm3;

class TForm1 {
public:
    // Client area and smallest window at the design size, and the panes' first sizes: pixels
    // at 96 DPI, which the window scales to its own DPI.
    static constexpr int kDesignWidth = 639;
    static constexpr int kDesignHeight = 454;
    static constexpr int kMinWindowWidth = 621;
    static constexpr int kMinWindowHeight = 400;
    static constexpr int kBannerHeight = 70;
    static constexpr int kBannerFillerLeft = 629;
    static constexpr int kTreeWidth = 209;
    static constexpr int kMemoHeight = 113;

    // Control and menu identifiers.
    enum : int {
        kBanner = 100, kLabel1, kTreeView1, kSplitter1, kListView2, kSplitter2, kMemo1, kCheckBox1,
        kBitBtn1, kBitBtn2, kButton3, kStatusBar1, kProgressBar1,
        kExit1 = 200, kSearchOptions1, kRemoveOptions1, kGleanerontheWeb1, kHelp1, kGetTechnicalSupport1, kAbout2,
    };

    TForm1();
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Creates the window at its design size, owned by `owner` (the application window);
    // FormCreate runs during creation. FormShow runs when the window is first shown.
    HWND Create(HWND owner);
    HWND hwnd() const noexcept { return hwnd_; }
    // Every way of closing ends here: FormClose once, then destruction.
    void Close();

    // Program-wide objects.
    OutlookConnection OutlookApplication1;
    Dispatch OutlookNamespace;
    Dispatch MapiTable;
    Dispatch ADODataSet1; // the fast search's last record set, kept until the next replaces it
    std::unique_ptr<TOlSecurityManager> SecMan;
    std::unique_ptr<TForm3> Form3; // the Options dialog, created right after this window
    std::vector<std::wstring> ColumnList;
    bool ShowFoundMessage = false;
    bool CancelRequested = false;
    // The rows of ListView2 (found by entry identifier, never by position), the list that
    // shows them, and the progress display in the status bar.
    ResultModel Results{CompareLocaleText};
    ResultList ResultView{Results, OutlookNamespace};
    ProgressDisplay Progress;
    SearchLists Lists{Results}; // EntryIDList, SignatureList, MarkList, SizeList with their index

    // Controls.
    FolderTree TreeView1;
    HWND Label1 = nullptr;
    HWND ListView2 = nullptr;
    HWND Memo1 = nullptr;
    HWND CheckBox1 = nullptr;
    HWND BitBtn1 = nullptr;
    HWND BitBtn2 = nullptr;
    HWND Button3 = nullptr;
    HWND StatusBar1 = nullptr;
    HWND ProgressBar1 = nullptr;
    Splitter Splitter1; // between the tree and the result list
    Splitter Splitter2; // between the result list and the preview

    // The DPI the window is laid out for.
    int Dpi() const noexcept { return dpi_; }
    // The keys of the menu commands, for the message loop.
    HACCEL Accelerators() const noexcept { return accelerators_.get(); }

    // Layout the settings restore and save, in the window's pixels.
    int TreeWidth() const noexcept { return treeWidth_; }
    int MemoHeight() const noexcept { return memoHeight_; }
    void SetTreeWidth(int width);
    void SetMemoHeight(int height);

    // Life-cycle handlers.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();

    // Menu and button handlers.
    void Exit1Click();
    void SearchOptions1Click();
    void RemoveOptions1Click();
    void GleanerontheWeb1Click();
    void Help1Click();
    void GetTechnicalSupport1Click();
    void About2Click();
    void BitBtn1Click();
    void Button1Click(); // "Process duplicates" (BitBtn2)
    void Button2Click();
    void ButtonMAPIClick(); // the fast search, when "Fast Search" is ticked
    void Button3Click();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnShowWindow(bool shown);
    void OnCommand(int id, int code, HWND control);
    void OnActivate(bool active, bool minimized);
    void OnNextDlgCtl(WPARAM wParam, LPARAM lParam);
    // The window moved to a screen of `dpi` (or opened on one): fonts, pictures and every size
    // follow, and the window takes `suggested` (screen coordinates) when there is one.
    void OnDpiChanged(int dpi, const RECT* suggested);
    void ScalePictures();
    LRESULT OnNotify(NMHDR* header);
    void OnDrawItem(const DRAWITEMSTRUCT* item);
    void OnMinMaxInfo(MINMAXINFO* info);
    void OnSize();

    void CreateFonts();
    void CreateMenuBar();
    void CreateControls();
    void LoadBanner();
    void PaintBanner(HDC dc);
    void Layout();
    HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, int id, DWORD exStyle = 0);

    void ReadSettings();
    void SaveSettings();

    HWND hwnd_ = nullptr;
    HWND banner_ = nullptr;
    int dpi_ = kDesignDpi;
    UniqueGdiObject font_;       // Tahoma 8 pt
    UniqueGdiObject buttonFont_; // Tahoma, 16-pixel cell at 96 DPI
    UniqueGdiObject bannerLeft_;
    UniqueGdiObject bannerFiller_;
    HMENU menu_ = nullptr; // destroyed with the window
    UniqueHaccel accelerators_;
    HWND lastFocus_ = nullptr;
    int treeWidth_ = kTreeWidth;
    int memoHeight_ = kMemoHeight;
    bool shown_ = false;
    bool closing_ = false;
    // Runs a search or processing inside its handler; a close asked for meanwhile follows
    // once the handler has unwound.
    void RunWork(const std::function<void()>& work);
    // The parts of the window every run drives.
    void FillWorkSurface(WorkSurface& surface);
    // Button2Click and ButtonMAPIClick: the search runs against the window's own parts.
    void RunSearch(void (*search)(const SearchSurface&));
    bool searching_ = false;   // a search or processing runs inside a handler
    bool closeAfterRun_ = false; // closing was asked for during it
};

} // namespace gleaner
