#pragma once
// The steps the standard and the fast search share, apart from how items are read and keys
// are built. Kept out of StandardSearch.h: the main window sees the settings' own names for
// the original-item rule, which the match engine's would clash with.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

#include "detect/MatchEngine.h"
#include "detect/RemovalDestinations.h"
#include "detect/StandardSearch.h"
#include "folders/FolderTree.h"
#include "platform/Dispatch.h"

namespace gleaner {

// Answers the match engine for both searches: the rule as it stood at the start, rows
// filled from a fresh fetch of the item, failures to the error log.
class SearchRun;

class SearchMatchHost : public MatchHost {
public:
    SearchMatchHost(const Dispatch& nameSpace, SearchRun& run);

    OriginalRule Rule() override { return rule_; }
    void FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole role, RowContent& row) override;
    void Failed(const std::exception& error, MatchFailure where) override;

    // A folder the search is about to read; the number goes with each of its items.
    std::uint32_t AddFolder(const std::wstring& storeId);
    const std::wstring& StoreOf(std::uint32_t folder) const { return folderStores_.at(folder); }

protected:
    const Dispatch& nameSpace_;

private:
    SearchRun& run_;
    const OriginalRule rule_;
    // Per folder number: the store identifier its items are fetched again with.
    std::vector<std::wstring> folderStores_;
};

// The steps both searches share around reading items: the start steps (taking the rule once),
// the walk over the ticked folders with its failure level, each folder's status text and
// progress, cancel, handing an examined item to the lists with the window's turn and the
// re-sync, and the closing steps with the hint dialog.
class SearchRun {
public:
    // Runs the start steps.
    explicit SearchRun(const SearchSurface& surface);
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    const SearchSurface& Surface() const noexcept { return s_; }
    const OriginalRule& Rule() const noexcept { return rule_; }

    // Hands each ticked node to `searchFolder`, in tree order; a failure there gives up the
    // rest of that folder (" line 220") and the walk goes on. The closing steps run after the
    // walk, also when an error escapes it (which then passes on).
    void Run(const std::function<void(const FolderTree::Node& node)>& searchFolder);

    // "Searching for duplicates in " and the folder's path in the status bar.
    void ShowFolder(const std::wstring& folderPath);
    // The progress bar at 0 of the folder's item count.
    void StartProgress(std::int32_t itemCount);

    // Advances the progress bar for the next item; false when the search was cancelled, the
    // rows then re-synced: the caller leaves the folder.
    bool NextItem();

    // The lists take the item and its matches; then the window handles its pending messages,
    // and the rows are re-synced.
    void AddItem(const ExaminedItem& item, MatchHost& host);

    // Logs a failure; when it is Outlook's guard refusing access to the items, the search
    // ends there and says why, since every further item would fail the same way.
    void Failed(const std::exception& error, std::wstring_view location);
    bool GuardRefused() const noexcept { return guardRefused_; }

    // Whether the node's folder is where processing puts duplicates (fixed at the start).
    bool InDestination(const FolderTree::Node& node);

private:
    void Finish();

    const SearchSurface& s_;
    OriginalRule rule_;
    std::optional<RemovalDestinations> destinations_;
    bool guardRefused_ = false;
};

} // namespace gleaner
