#pragma once
// The search lists and the matching of both searches: every examined item is compared with
// the items examined before it in the current scope, each equal pair is decided by the
// original-item rule, and every item that takes part in a match gets one row. A hash index
// from key to the positions that hold it replaces comparing with every stored key; matches
// are still handled for each earlier position in ascending order. Portable: keys are opaque
// bytes (the search passes digests of the signatures).
#include "results/ResultModel.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace gleaner {

// The radio buttons of "Original item is the item with". Tested in this order; the first
// that is on decides, and with none on the earlier item is the duplicate.
struct OriginalRule {
    bool newestCreationTime = false;   // RadioButton3
    bool oldestCreationTime = true;    // RadioButton2, on in a new dialog
    bool smallestSize = false;         // RadioButton4
    bool largestSize = false;          // RadioButton8
};

// Whether the earlier item (rather than the current one) is the duplicate. The order of
// examination stands for the order of creation.
bool EarlierIsDuplicate(const OriginalRule& rule, std::int32_t earlierSize, std::int32_t currentSize);

// The same, when either item may lie where duplicates are put (Deleted Items, the move-to
// folder): of a pair with one item there and one elsewhere, the one there is the duplicate,
// whatever the rule, so a set never keeps only the copy that is already on its way out.
bool EarlierIsDuplicate(const OriginalRule& rule, std::int32_t earlierSize, bool earlierInDestination,
                        std::int32_t currentSize, bool currentInDestination);

enum class RowRole { Earlier, Current };

// Where a failure inside the matching was caught; each gives up only what the caller's
// log line says.
enum class MatchFailure {
    Comparison,   // one comparison with an earlier item; counts as no match
    Match,        // the rule or the rows of one match; the rest of that match
    EarlierRow,   // filling the earlier item's row; the row stays as far as it was filled
    CurrentRow,   // filling the current item's row; likewise
};

// The location text that follows the error's message in the log.
std::wstring_view LocationText(MatchFailure where);

// What one item's examination produced. Built completely before the engine sees it, so an
// item whose examination fails leaves no entries in any of the lists.
struct ExaminedItem {
    std::wstring entryId;
    std::string key;          // compared byte for byte
    std::int32_t size = 0;
    bool comparable = true;   // false for "notsupported": stored, never matched
    bool inDestination = false; // in a folder that processing moves duplicates to
    std::uint32_t folder = 0;   // the search's own number for the item's folder, handed back to FillRow
};

// What filling a row produced: the subject, then the folder path, then the identifier read
// from the fetched item. A failure leaves whatever was put in up to then.
struct RowContent {
    std::vector<std::wstring> subItems;
    std::optional<std::wstring> entryId;
    std::wstring storeId; // of the item's folder, when known
};

// Supplied by the search that drives the engine. Any of these may throw; the engine catches
// at the level of MatchFailure and reports through Failed.
class MatchHost {
public:
    virtual ~MatchHost() = default;
    // Read at every match: the user may change the options while the search runs.
    virtual OriginalRule Rule() = 0;
    // A further condition on an equal key (the fast search's body check); false is no match.
    virtual bool Confirm(std::size_t earlierPosition) { (void)earlierPosition; return true; }
    // Fetches the item again by entryId (examined in the search's folder number `folder`)
    // and fills its new row.
    virtual void FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole role, RowContent& row) = 0;
    virtual void Failed(const std::exception& error, MatchFailure where) = 0;
};

// Holds EntryIDList, SignatureList, MarkList and SizeList (moved in step: position p in all
// four is one examined item), the key index, and what the next re-sync must look at. It
// adds rows to, and re-syncs, a result model it does not own.
//
// A search drives it so: ClearLists() at its start (and at each folder when only same-folder
// duplicates are wanted); per item, AddItem() once everything read from the item succeeded,
// then the window handles its messages, then Resync(); a cancelled or failed item gets the
// Resync() alone.
class MatchEngine {
public:
    enum class Mark : char { Original = 'n', Duplicate = 'c' };

    explicit MatchEngine(ResultModel& rows);
    MatchEngine(const MatchEngine&) = delete;
    MatchEngine& operator=(const MatchEngine&) = delete;

    // Empties the four lists: at the start of a search, and at every folder when only
    // same-folder duplicates are wanted. Rows stay.
    void ClearLists();

    // Appends the item's entries to all four lists, then handles its matches with every
    // earlier item of the scope holding an equal key, in the order of their examination.
    // An item whose identifier was already examined in the scope (the collection shifted
    // under the walk) is stored but never compared, so it can never match itself.
    // Returns the item's position.
    std::size_t AddItem(const ExaminedItem& item, MatchHost& host);

    // Gives each row the mark of the first entry of EntryIDList equal to its identifier
    // (letter case ignored) and ticks it when that is a duplicate; never unticks, leaves
    // rows not in the lists alone. Looks only at rows whose outcome may have changed since
    // the last re-sync, which gives the same rows as re-syncing every row.
    void Resync();

    std::size_t size() const noexcept { return EntryIDList.size(); }
    const std::wstring& EntryID(std::size_t position) const { return EntryIDList.at(position); }
    Mark MarkAt(std::size_t position) const { return MarkList.at(position); }
    std::int32_t SizeAt(std::size_t position) const { return SizeList.at(position); }
    std::uint32_t FolderAt(std::size_t position) const { return folder_.at(position); }

    static std::wstring Caption(Mark mark);

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    // Sets of positions or key numbers, hashed by the text they stand for, so that no text
    // is held twice. Lookups by text are heterogeneous.
    struct FoldedIdHash {
        using is_transparent = void;
        const MatchEngine* engine;
        std::size_t operator()(std::uint32_t position) const;
        std::size_t operator()(std::wstring_view id) const;
    };
    struct FoldedIdEqual {
        using is_transparent = void;
        const MatchEngine* engine;
        bool operator()(std::uint32_t a, std::uint32_t b) const;
        bool operator()(std::wstring_view a, std::uint32_t b) const;
        bool operator()(std::uint32_t a, std::wstring_view b) const;
    };
    struct KeyHash {
        using is_transparent = void;
        const MatchEngine* engine;
        std::size_t operator()(std::uint32_t key) const;
        std::size_t operator()(std::string_view key) const;
    };
    struct KeyEqual {
        using is_transparent = void;
        const MatchEngine* engine;
        bool operator()(std::uint32_t a, std::uint32_t b) const;
        bool operator()(std::string_view a, std::uint32_t b) const;
        bool operator()(std::uint32_t a, std::string_view b) const;
    };

    std::string_view KeyText(std::uint32_t key) const;
    void HandleMatch(std::size_t earlier, std::size_t current, MatchHost& host);
    bool HasRow(std::size_t position);
    void AddRow(std::size_t position, RowRole role, MatchHost& host);
    void SetDuplicate(std::size_t position);
    void ResyncRow(RowId id);
    void ForgetRowsIfCleared();

    ResultModel& rows_;

    std::vector<std::wstring> EntryIDList;
    std::vector<std::uint32_t> SignatureList;   // key number, or kNone when not comparable
    std::vector<Mark> MarkList;
    std::vector<std::int32_t> SizeList;
    std::vector<bool> inDestination_;   // in step with the four lists
    std::vector<std::uint32_t> folder_;  // likewise

    // Distinct keys of the scope, one after the other in keyText_.
    std::string keyText_;
    std::vector<std::size_t> keyStart_;
    std::vector<std::uint32_t> keyFirst_;    // first and last position holding the key
    std::vector<std::uint32_t> keyLast_;
    std::vector<std::uint32_t> nextSame_;    // per position: next position with its key
    std::unordered_set<std::uint32_t, KeyHash, KeyEqual> keys_;

    // First position of every entry identifier, letter case ignored.
    std::unordered_set<std::uint32_t, FoldedIdHash, FoldedIdEqual> firstPositions_;

    // Since the last re-sync: positions whose mark went to "c", positions that became the
    // first of their identifier, rows the engine added.
    std::vector<std::uint32_t> markChanged_;
    std::vector<std::uint32_t> newFirsts_;
    std::vector<RowId> newRows_;

    // Per position: a row with exactly this identifier is known to exist. Rows are never
    // removed one by one, so this holds until the rows are cleared.
    std::vector<bool> hasRow_;
    std::uint64_t rowsGeneration_;
};

} // namespace gleaner
