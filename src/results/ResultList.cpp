#include "results/ResultList.h"

#include <algorithm>
#include <stdexcept>

#include "app/AppException.h"
#include "app/ErrorLog.h"
#include "platform/ComError.h"
#include "platform/OutlookLookup.h"
#include "results/Preview.h"

namespace gleaner {

namespace {

// The state-image indexes of the two check-box pictures.
constexpr UINT kUntickedImage = 1;
constexpr UINT kTickedImage = 2;

constexpr UINT_PTR kCountTimerId = 0x5247;
constexpr wchar_t kSelfProperty[] = L"GleanerResultList";

Dispatch ItemOfRow(const Dispatch& nameSpace, const ResultRow& row)
{
    // A row whose filling failed before its identifier was read fails here, as any unknown one.
    const Variant noStore;
    return ItemFromId(nameSpace, row.entryId.value_or(std::wstring()), row.storeId, &noStore);
}

void LogWith(const std::exception& error, const wchar_t* location) { LogError(ExceptionMessage(error) + location); }

} // namespace

int CompareLocaleText(const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()); }

ResultList::ResultList(ResultModel& model, const Dispatch& nameSpace) : model_(model), nameSpace_(nameSpace) {}

ResultList::~ResultList()
{
    if (list_ && ::IsWindow(list_)) {
        if (countTimer_) ::KillTimer(list_, kCountTimerId);
        ::RemovePropW(list_, kSelfProperty);
    }
}

void ResultList::Attach(HWND listView, HWND memo)
{
    if (!(::GetWindowLongPtrW(listView, GWL_STYLE) & LVS_OWNERDATA))
        throw std::invalid_argument("The result list needs a list view with owner data.");
    list_ = listView;
    memo_ = memo;
    ::SetPropW(list_, kSelfProperty, this);
    ListView_SetExtendedListViewStyleEx(list_, kListExStyle, kListExStyle);
    HWND header = ListView_GetHeader(list_);
    if (!header || Header_GetItemCount(header) == 0) {
        const wchar_t* captions[ResultModel::kColumnCount] = {L"", L"Subject", L"Folder"};
        for (int i = 0; i < ResultModel::kColumnCount; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(captions[i]);
            column.cx = kColumnWidths[i];
            ListView_InsertColumn(list_, i, &column);
        }
    }
    // Owner data keeps no check state: the ticks come from the model at each paint.
    ::SendMessageW(list_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    shownCount_ = 0;
    shownGeneration_ = model_.Generation();
    shownRows_.clear();
    Refresh();
}

std::vector<ResultList::ShownRow> ResultList::VisibleRows(std::size_t& top) const
{
    std::vector<ShownRow> rows;
    top = static_cast<std::size_t>(std::max(0, ListView_GetTopIndex(list_)));
    const std::size_t page = static_cast<std::size_t>(std::max(0, ListView_GetCountPerPage(list_))) + 1;
    const std::size_t end = std::min(model_.size(), top + page);
    for (std::size_t i = top; i < end; ++i) {
        const ResultRow& row = model_.At(i);
        rows.push_back({model_.IdAt(i), row.caption, row.ticked});
    }
    return rows;
}

void ResultList::Refresh()
{
    if (!list_) return;
    const std::size_t count = model_.size();
    if (model_.Generation() != shownGeneration_) {
        // The rows went away (and maybe came back): everything on screen is stale.
        SetCount(count, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
        shownGeneration_ = model_.Generation();
        shownRows_ = VisibleRows(shownTop_);
        return;
    }
    std::size_t top = 0;
    std::vector<ShownRow> rows = VisibleRows(top);
    if (count != shownCount_) {
        // Each new count redraws the scroll bar, which costs milliseconds under Wine, so rows
        // appended out of sight are counted in batches. Rows are only ever appended: the
        // rows on screen stay where they are.
        const bool onScreen = shownCount_ < top + rows.size() + 1;
        if (onScreen || ::GetTickCount64() - countSetAt_ >= kCountDelayMs) {
            SetCount(count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        } else if (!countTimer_) {
            countTimer_ = ::SetTimer(list_, kCountTimerId, kCountDelayMs, &ResultList::CountTimer) != 0;
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t index = top + i;
        const bool same = index >= shownTop_ && index - shownTop_ < shownRows_.size() &&
                          shownRows_[index - shownTop_].id == rows[i].id &&
                          shownRows_[index - shownTop_].ticked == rows[i].ticked &&
                          shownRows_[index - shownTop_].caption == rows[i].caption;
        if (!same) RedrawRow(index);
    }
    shownTop_ = top;
    shownRows_ = std::move(rows);
}

void ResultList::SetCount(std::size_t count, DWORD flags)
{
    ::SendMessageW(list_, LVM_SETITEMCOUNT, count, flags);
    shownCount_ = count;
    countSetAt_ = ::GetTickCount64();
    if (countTimer_) {
        ::KillTimer(list_, kCountTimerId);
        countTimer_ = false;
    }
}

void CALLBACK ResultList::CountTimer(HWND list, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(list, id);
    auto* self = static_cast<ResultList*>(::GetPropW(list, kSelfProperty));
    if (!self) return;
    self->countTimer_ = false;
    RunGuarded([&] { self->Refresh(); });
}

void ResultList::ClearRows()
{
    model_.Clear();
    Refresh();
    if (memo_) ::SetWindowTextW(memo_, L"");
}

bool ResultList::OnNotify(NMHDR* header, LRESULT* result)
{
    if (!list_ || header->hwndFrom != list_) return false;
    *result = 0;
    switch (header->code) {
    case LVN_GETDISPINFOW: OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header)); return true;
    case NM_CLICK: OnClick(reinterpret_cast<NMITEMACTIVATE*>(header)); return true;
    case NM_DBLCLK: ListView2DblClick(); return true;
    case LVN_KEYDOWN: OnKeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)); return true;
    case LVN_ITEMCHANGED: OnItemChanged(reinterpret_cast<NMLISTVIEW*>(header)); return true;
    case LVN_COLUMNCLICK: ListView2ColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); return true;
    case LVN_BEGINLABELEDITW: *result = TRUE; return true; // captions are marks, never edited
    default: return false;
    }
}

void ResultList::OnGetDispInfo(NMLVDISPINFOW* info)
{
    LVITEMW& item = info->item;
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= model_.size()) return;
    const ResultRow& row = model_.At(static_cast<std::size_t>(item.iItem));
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        static const std::wstring empty;
        const std::wstring* text = &empty;
        if (item.iSubItem == 0)
            text = &row.caption;
        else if (static_cast<std::size_t>(item.iSubItem) <= row.subItems.size())
            text = &row.subItems[static_cast<std::size_t>(item.iSubItem) - 1];
        const std::size_t length = std::min<std::size_t>(text->size(), static_cast<std::size_t>(item.cchTextMax) - 1);
        std::copy_n(text->data(), length, item.pszText);
        item.pszText[length] = L'\0';
    }
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.ticked ? kTickedImage : kUntickedImage);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

void ResultList::OnClick(const NMITEMACTIVATE* click)
{
    LVHITTESTINFO hit{};
    hit.pt = click->ptAction;
    const int index = ListView_HitTest(list_, &hit);
    // With whole-row selection a hit anywhere on the row may report every LVHT_ONITEM bit.
    if (index >= 0 && (hit.flags & LVHT_ONITEM) == LVHT_ONITEMSTATEICON) ToggleTick(static_cast<std::size_t>(index));
}

void ResultList::OnKeyDown(const NMLVKEYDOWN* key)
{
    if (key->wVKey != VK_SPACE) return;
    int index = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    if (index < 0) index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (index >= 0) ToggleTick(static_cast<std::size_t>(index));
}

void ResultList::OnItemChanged(const NMLISTVIEW* change)
{
    if (selecting_ || !(change->uChanged & LVIF_STATE) || change->iItem < 0) return;
    const bool was = (change->uOldState & LVIS_SELECTED) != 0;
    const bool now = (change->uNewState & LVIS_SELECTED) != 0;
    if (was != now) ListView2SelectItem(static_cast<std::size_t>(change->iItem), now);
}

void ResultList::ToggleTick(std::size_t index)
{
    if (index >= model_.size()) return;
    const RowId id = model_.IdAt(index);
    model_.SetTickByUser(id, !model_.Row(id).ticked);
    RedrawRow(index);
}

void ResultList::RedrawRow(std::size_t index)
{
    const int row = static_cast<int>(index);
    ListView_RedrawItems(list_, row, row);
}

std::optional<std::size_t> ResultList::SelectedIndex() const
{
    if (!list_) return std::nullopt;
    const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (index < 0 || static_cast<std::size_t>(index) >= model_.size()) return std::nullopt;
    return static_cast<std::size_t>(index);
}

void ResultList::Select(std::size_t index)
{
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(list_, static_cast<int>(index), state, state);
}

void ResultList::ListView2ColumnClick(int column)
{
    if (column < 0 || column >= ResultModel::kColumnCount) return;
    // The control keeps the selection by position; it follows its row, as in a list that
    // holds its own items, and moving it previews nothing again.
    std::optional<RowId> selected;
    if (auto index = SelectedIndex()) selected = model_.IdAt(*index);
    model_.ColumnClick(column);
    if (selected) {
        const auto& order = model_.Order();
        const auto found = std::find(order.begin(), order.end(), *selected);
        selecting_ = true;
        Select(static_cast<std::size_t>(found - order.begin()));
        selecting_ = false;
    }
    ::InvalidateRect(list_, nullptr, TRUE);
    shownRows_ = VisibleRows(shownTop_);
}

void ResultList::ListView2SelectItem(std::size_t index, bool selected)
{
    // Unselecting keeps the preview.
    if (!selected) return;
    try {
        const Dispatch item = ItemOfRow(nameSpace_, model_.At(index));
        const std::wstring text = BuildPreview(item);
        if (memo_) ::SetWindowTextW(memo_, text.c_str());
    } catch (const std::exception& error) {
        LogWith(error, L" line 475");
    }
}

void ResultList::ListView2DblClick()
{
    const auto index = SelectedIndex();
    if (!index) return;
    try {
        // Not modal: Outlook shows the item in its own window and the program goes on.
        ItemOfRow(nameSpace_, model_.At(*index)).call(L"Display", false);
    } catch (const std::exception& error) {
        LogWith(error, L" line 421");
    }
}

} // namespace gleaner
