#include "detect/MatchEngine.h"

#include <functional>
#include <stdexcept>
#include <utility>

namespace gleaner {
namespace {

wchar_t FoldChar(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
}

// Hashes the folded text without building it.
std::size_t HashFolded(std::wstring_view id)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t ch : id) {
        hash ^= static_cast<std::uint64_t>(FoldChar(ch));
        hash *= 1099511628211ull;
    }
    return static_cast<std::size_t>(hash);
}

bool EqualFolded(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

// Room for one more entry, so that the appends that follow cannot throw halfway.
template <typename Vector>
void RoomForOne(Vector& v)
{
    if (v.size() == v.capacity())
        v.reserve(v.size() < 8 ? 16 : v.size() * 2);
}

} // namespace

bool EarlierIsDuplicate(const OriginalRule& rule, std::int32_t earlierSize, std::int32_t currentSize)
{
    if (rule.newestCreationTime)
        return true;
    if (rule.oldestCreationTime)
        return false;
    if (rule.smallestSize)
        return earlierSize >= currentSize;
    if (rule.largestSize)
        return earlierSize < currentSize;
    return true;
}

bool EarlierIsDuplicate(const OriginalRule& rule, std::int32_t earlierSize, bool earlierInDestination,
                        std::int32_t currentSize, bool currentInDestination)
{
    if (earlierInDestination != currentInDestination)
        return earlierInDestination;
    return EarlierIsDuplicate(rule, earlierSize, currentSize);
}

std::wstring_view LocationText(MatchFailure where)
{
    switch (where) {
    case MatchFailure::Comparison: return L" line 208";
    case MatchFailure::Match: return L" line 205";
    case MatchFailure::EarlierRow: return L" line 188";
    case MatchFailure::CurrentRow: return L" line 201";
    }
    return L" line 205";
}

std::size_t MatchEngine::FoldedIdHash::operator()(std::uint32_t position) const
{
    return HashFolded(engine->EntryIDList[position]);
}
std::size_t MatchEngine::FoldedIdHash::operator()(std::wstring_view id) const
{
    return HashFolded(id);
}
bool MatchEngine::FoldedIdEqual::operator()(std::uint32_t a, std::uint32_t b) const
{
    return EqualFolded(engine->EntryIDList[a], engine->EntryIDList[b]);
}
bool MatchEngine::FoldedIdEqual::operator()(std::wstring_view a, std::uint32_t b) const
{
    return EqualFolded(a, engine->EntryIDList[b]);
}
bool MatchEngine::FoldedIdEqual::operator()(std::uint32_t a, std::wstring_view b) const
{
    return EqualFolded(engine->EntryIDList[a], b);
}

std::size_t MatchEngine::KeyHash::operator()(std::uint32_t key) const
{
    return std::hash<std::string_view>{}(engine->KeyText(key));
}
std::size_t MatchEngine::KeyHash::operator()(std::string_view key) const
{
    return std::hash<std::string_view>{}(key);
}
bool MatchEngine::KeyEqual::operator()(std::uint32_t a, std::uint32_t b) const
{
    return a == b || engine->KeyText(a) == engine->KeyText(b);
}
bool MatchEngine::KeyEqual::operator()(std::string_view a, std::uint32_t b) const
{
    return a == engine->KeyText(b);
}
bool MatchEngine::KeyEqual::operator()(std::uint32_t a, std::string_view b) const
{
    return engine->KeyText(a) == b;
}

MatchEngine::MatchEngine(ResultModel& rows)
    : rows_(rows),
      keys_(0, KeyHash{this}, KeyEqual{this}),
      firstPositions_(0, FoldedIdHash{this}, FoldedIdEqual{this}),
      rowsGeneration_(rows.Generation())
{
}

std::wstring MatchEngine::Caption(Mark mark)
{
    return std::wstring(mark == Mark::Duplicate ? kDuplicateCaption : kOriginalCaption);
}

std::string_view MatchEngine::KeyText(std::uint32_t key) const
{
    const std::size_t start = keyStart_[key];
    const std::size_t end = key + 1 < keyStart_.size() ? keyStart_[key + 1] : keyText_.size();
    return std::string_view(keyText_).substr(start, end - start);
}

void MatchEngine::ClearLists()
{
    firstPositions_.clear();
    keys_.clear();
    EntryIDList.clear();
    SignatureList.clear();
    MarkList.clear();
    SizeList.clear();
    inDestination_.clear();
    folder_.clear();
    keyText_.clear();
    keyStart_.clear();
    keyFirst_.clear();
    keyLast_.clear();
    nextSame_.clear();
    hasRow_.clear();
    // Positions of the old lists mean nothing now; rows waiting for a re-sync still wait.
    markChanged_.clear();
    newFirsts_.clear();
}

void MatchEngine::ForgetRowsIfCleared()
{
    if (rows_.Generation() == rowsGeneration_)
        return;
    hasRow_.assign(hasRow_.size(), false);
    newRows_.clear();
    rowsGeneration_ = rows_.Generation();
}

std::size_t MatchEngine::AddItem(const ExaminedItem& item, MatchHost& host)
{
    ForgetRowsIfCleared();
    if (EntryIDList.size() >= kNone)
        throw std::length_error("too many items for one search");
    const auto current = static_cast<std::uint32_t>(EntryIDList.size());

    // Seen before in this scope: the same item met again, never a copy of itself.
    const bool examinedBefore = firstPositions_.find(std::wstring_view(item.entryId)) != firstPositions_.end();
    std::uint32_t key = kNone;
    if (item.comparable && !examinedBefore) {
        const auto found = keys_.find(std::string_view(item.key));
        if (found != keys_.end()) {
            key = *found;
        } else {
            RoomForOne(keyStart_);
            RoomForOne(keyFirst_);
            RoomForOne(keyLast_);
            keyText_ += item.key;
            key = static_cast<std::uint32_t>(keyStart_.size());
            keyStart_.push_back(keyText_.size() - item.key.size());
            keyFirst_.push_back(kNone);
            keyLast_.push_back(kNone);
            keys_.insert(key);
        }
    }

    // The four lists take the item together or not at all.
    std::wstring entryId = item.entryId;
    RoomForOne(EntryIDList);
    RoomForOne(SignatureList);
    RoomForOne(MarkList);
    RoomForOne(SizeList);
    RoomForOne(nextSame_);
    RoomForOne(newFirsts_);
    hasRow_.reserve(EntryIDList.capacity());
    inDestination_.reserve(EntryIDList.capacity());
    RoomForOne(folder_);
    EntryIDList.push_back(std::move(entryId));
    try {
        if (firstPositions_.insert(current).second)
            newFirsts_.push_back(current);
    } catch (...) {
        EntryIDList.pop_back();
        throw;
    }
    SignatureList.push_back(key);
    MarkList.push_back(Mark::Original);
    SizeList.push_back(item.size);
    nextSame_.push_back(kNone);
    hasRow_.push_back(false);
    inDestination_.push_back(item.inDestination);
    folder_.push_back(item.folder);

    if (key == kNone)
        return current;
    if (keyFirst_[key] == kNone)
        keyFirst_[key] = current;
    else
        nextSame_[keyLast_[key]] = current;
    keyLast_[key] = current;

    for (std::uint32_t earlier = keyFirst_[key]; earlier != current; earlier = nextSame_[earlier]) {
        bool match = false;
        try {
            match = host.Confirm(earlier);
        } catch (const std::exception& error) {
            host.Failed(error, MatchFailure::Comparison);
        }
        if (match)
            HandleMatch(earlier, current, host);
    }
    return current;
}

void MatchEngine::HandleMatch(std::size_t earlier, std::size_t current, MatchHost& host)
{
    try {
        const OriginalRule rule = host.Rule();
        const bool earlierIsDuplicate = EarlierIsDuplicate(rule, SizeList[earlier], inDestination_[earlier],
                                                           SizeList[current], inDestination_[current]);
        SetDuplicate(earlierIsDuplicate ? earlier : current);
        // Both looked up before either row is added.
        const bool earlierNeedsRow = !HasRow(earlier);
        const bool currentNeedsRow = !HasRow(current);
        if (earlierNeedsRow)
            AddRow(earlier, RowRole::Earlier, host);
        if (currentNeedsRow)
            AddRow(current, RowRole::Current, host);
    } catch (const std::exception& error) {
        host.Failed(error, MatchFailure::Match);
    }
}

void MatchEngine::SetDuplicate(std::size_t position)
{
    if (MarkList[position] == Mark::Duplicate)
        return;
    markChanged_.push_back(static_cast<std::uint32_t>(position));
    MarkList[position] = Mark::Duplicate;
}

bool MatchEngine::HasRow(std::size_t position)
{
    if (hasRow_[position])
        return true;
    // Exact comparison here; only the re-sync ignores letter case.
    if (!rows_.HasRowWithExactId(EntryIDList[position]))
        return false;
    hasRow_[position] = true;
    return true;
}

void MatchEngine::AddRow(std::size_t position, RowRole role, MatchHost& host)
{
    const Mark mark = MarkList[position];
    RoomForOne(newRows_);
    const RowId id = rows_.Append(Caption(mark), mark == Mark::Duplicate);
    newRows_.push_back(id);

    RowContent content;
    try {
        host.FillRow(EntryIDList[position], folder_[position], role, content);
    } catch (const std::exception& error) {
        host.Failed(error, role == RowRole::Earlier ? MatchFailure::EarlierRow : MatchFailure::CurrentRow);
    }
    for (std::wstring& text : content.subItems)
        rows_.AddSubItem(id, std::move(text));
    if (content.entryId)
        rows_.SetEntryId(id, std::move(*content.entryId));
    if (!content.storeId.empty())
        rows_.SetStoreId(id, std::move(content.storeId));
}

void MatchEngine::Resync()
{
    ForgetRowsIfCleared();
    auto resyncRowsOf = [this](std::uint32_t position) {
        const auto first = firstPositions_.find(position);
        if (first == firstPositions_.end() || *first != position)
            return;   // rows with this identifier follow an earlier entry, whose mark stands
        for (RowId id : rows_.RowsWithIdIgnoringCase(EntryIDList[position]))
            ResyncRow(id);
    };
    for (std::uint32_t position : markChanged_)
        resyncRowsOf(position);
    for (std::uint32_t position : newFirsts_)
        resyncRowsOf(position);
    for (RowId id : newRows_)
        ResyncRow(id);
    for (RowId id : rows_.TakeUserTicked())
        ResyncRow(id);
    markChanged_.clear();
    newFirsts_.clear();
    newRows_.clear();
}

void MatchEngine::ResyncRow(RowId id)
{
    const ResultRow& row = rows_.Row(id);
    if (!row.entryId)
        return;
    const auto first = firstPositions_.find(std::wstring_view(*row.entryId));
    if (first == firstPositions_.end())
        return;
    const Mark mark = MarkList[*first];
    rows_.SetCaption(id, Caption(mark));
    // Never unticks: a tick the user gave an original stays.
    if (mark == Mark::Duplicate)
        rows_.SetTicked(id, true);
}

} // namespace gleaner
