#pragma once
// ListView2: the result list, an owner-data list view that shows a ResultModel it does not own,
// and the preview box Memo1 below it. The model holds every row, tick and caption; the control
// keeps only the selection and asks for text and ticks as it paints.
#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dispatch.h"
#include "results/ResultModel.h"

namespace gleaner {

// The list's text comparison: the user's locale, letter case significant (lstrcmpW).
int CompareLocaleText(const std::wstring& a, const std::wstring& b);

class ResultList {
public:
    // Design widths of the three columns.
    static constexpr int kColumnWidths[ResultModel::kColumnCount] = {24, 178, 173};
    // Styles the list view must be created with (owner data cannot be switched on later).
    static constexpr DWORD kListStyle = LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
    static constexpr DWORD kListExStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;

    // `nameSpace` is read at each preview and open, so it may be connected later.
    ResultList(ResultModel& model, const Dispatch& nameSpace);
    ~ResultList();
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    // Takes over a list view created with kListStyle (adds the extended styles and the
    // columns when it has none) and the preview box.
    void Attach(HWND listView, HWND memo);
    HWND hwnd() const noexcept { return list_; }
    ResultModel& Model() noexcept { return model_; }

    // Tells the control that rows were appended, cleared or changed their caption or tick.
    // Cheap: it looks only at the row count and at the rows on screen, so a search may call
    // it after every item. Rows appended below the screen reach the control's row count
    // (and its scroll bar) at most every kCountDelayMs, from a timer, while messages are handled.
    void Refresh();
    static constexpr unsigned kCountDelayMs = 100;
    // Empties the rows and the preview: at the start of a search and the end of processing.
    // The sort-direction flags stay.
    void ClearRows();

    // WM_NOTIFY from ListView2, forwarded by the parent; returns the result to give back.
    bool OnNotify(NMHDR* header, LRESULT* result);

    // Handlers.
    void ListView2ColumnClick(int column);
    // `index`: the row's display position.
    void ListView2SelectItem(std::size_t index, bool selected);
    void ListView2DblClick();

    // The display position of the selected row (the first, if several are).
    std::optional<std::size_t> SelectedIndex() const;
    // Selects and focuses the row at `index` (and nothing else), as a click on it would.
    void Select(std::size_t index);
    // Flips a row's tick as the user's mouse or space bar does.
    void ToggleTick(std::size_t index);

private:
    struct ShownRow {
        RowId id;
        std::wstring caption;
        bool ticked;
    };

    void OnGetDispInfo(NMLVDISPINFOW* info);
    void OnClick(const NMITEMACTIVATE* click);
    void OnKeyDown(const NMLVKEYDOWN* key);
    void OnItemChanged(const NMLISTVIEW* change);
    void RedrawRow(std::size_t index);
    void SetCount(std::size_t count, DWORD flags);
    static void CALLBACK CountTimer(HWND list, UINT message, UINT_PTR id, DWORD time);
    std::vector<ShownRow> VisibleRows(std::size_t& top) const;

    ResultModel& model_;
    const Dispatch& nameSpace_;
    HWND list_ = nullptr;
    HWND memo_ = nullptr;
    std::size_t shownCount_ = 0;        // the item count the control was last given
    std::uint64_t shownGeneration_ = 0; // the model's generation at that time
    std::size_t shownTop_ = 0;
    std::vector<ShownRow> shownRows_;   // the rows on screen at the last refresh
    bool selecting_ = false;            // our own selection changes preview nothing
    ULONGLONG countSetAt_ = 0;          // when the control last got a new row count
    bool countTimer_ = false;
};

} // namespace gleaner
