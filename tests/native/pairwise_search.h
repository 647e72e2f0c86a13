#pragma once
// The search lists and rows done the plain way: every signature compared with every stored
// one, every row looked through on each match, every row re-synced against the whole
// EntryIDList after each item. Slow on purpose; it is what MatchEngine must agree with.
#include "detect/MatchEngine.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pairwise {

struct Row {
    std::wstring caption;
    bool ticked = false;
    std::vector<std::wstring> subItems;
    std::optional<std::wstring> entryId;
};

inline bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    auto lower = [](wchar_t ch) { return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch + 32) : ch; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

class PairwiseSearch {
public:
    std::vector<std::wstring> EntryIDList;
    std::vector<std::string> SignatureList;
    std::vector<std::wstring> MarkList;
    std::vector<std::wstring> SizeList;   // decimal, as the lists keep it
    std::vector<bool> inDestination;      // beside the lists: where duplicates are put
    std::vector<bool> metAgain;           // beside the lists: never compared either way
    std::vector<std::uint32_t> folders;   // beside the lists: the folder number given back to FillRow
    std::vector<Row> rows;

    void ClearLists()
    {
        EntryIDList.clear();
        SignatureList.clear();
        MarkList.clear();
        SizeList.clear();
        inDestination.clear();
        metAgain.clear();
        folders.clear();
    }

    // One examined item: its entries, then a comparison with every stored signature.
    // Signature "notsupported" never matches, and neither does an item whose identifier was
    // examined before in the scope.
    void Examine(const std::wstring& entryId, const std::string& signature, int size, gleaner::MatchHost& host,
                 bool inDest = false, std::uint32_t folder = 0)
    {
        bool seenBefore = false;
        for (const std::wstring& earlier : EntryIDList)
            seenBefore = seenBefore || EqualIgnoringCase(earlier, entryId);
        EntryIDList.push_back(entryId);
        MarkList.push_back(L"n");
        SizeList.push_back(std::to_wstring(size));
        inDestination.push_back(inDest);
        metAgain.push_back(seenBefore);
        folders.push_back(folder);
        const std::size_t c = EntryIDList.size() - 1;
        for (std::size_t j = 0; j < SignatureList.size() && !seenBefore; ++j) {
            if (metAgain[j])
                continue;
            try {
                if (signature != "notsupported" && signature == SignatureList[j] && host.Confirm(j))
                    HandleMatch(j, c, host);
            } catch (const std::exception& error) {
                host.Failed(error, gleaner::MatchFailure::Comparison);
            }
        }
        // Nothing reads the lists while the window handles its messages, so the signature
        // can go in right away.
        SignatureList.push_back(signature);
    }

    void Resync()
    {
        for (Row& row : rows) {
            if (!row.entryId)
                continue;
            for (std::size_t p = 0; p < EntryIDList.size(); ++p) {
                if (EqualIgnoringCase(EntryIDList[p], *row.entryId)) {
                    row.caption = MarkList[p];
                    if (row.caption == L"c")
                        row.ticked = true;
                    break;
                }
            }
        }
    }

private:
    void HandleMatch(std::size_t j, std::size_t c, gleaner::MatchHost& host)
    {
        try {
            const gleaner::OriginalRule rule = host.Rule();
            const int sizeJ = std::stoi(SizeList[j]);
            const int sizeC = std::stoi(SizeList[c]);
            std::size_t duplicate = j;
            if (inDestination[j] != inDestination[c])
                duplicate = inDestination[j] ? j : c;
            else if (rule.newestCreationTime)
                duplicate = j;
            else if (rule.oldestCreationTime)
                duplicate = c;
            else if (rule.smallestSize)
                duplicate = sizeJ >= sizeC ? j : c;
            else if (rule.largestSize)
                duplicate = sizeJ < sizeC ? j : c;
            MarkList[duplicate] = L"c";

            bool earlierNeedsRow = true;
            bool currentNeedsRow = true;
            for (const Row& row : rows) {
                if (!row.entryId)
                    continue;
                if (*row.entryId == EntryIDList[j])
                    earlierNeedsRow = false;
                if (*row.entryId == EntryIDList[c])
                    currentNeedsRow = false;
            }
            if (earlierNeedsRow)
                AddRow(j, gleaner::RowRole::Earlier, host);
            if (currentNeedsRow)
                AddRow(c, gleaner::RowRole::Current, host);
        } catch (const std::exception& error) {
            host.Failed(error, gleaner::MatchFailure::Match);
        }
    }

    void AddRow(std::size_t p, gleaner::RowRole role, gleaner::MatchHost& host)
    {
        rows.push_back(Row{MarkList[p], MarkList[p] == L"c", {}, std::nullopt});
        gleaner::RowContent content;
        try {
            host.FillRow(EntryIDList[p], folders[p], role, content);
        } catch (const std::exception& error) {
            host.Failed(error, role == gleaner::RowRole::Earlier ? gleaner::MatchFailure::EarlierRow
                                                                 : gleaner::MatchFailure::CurrentRow);
        }
        rows.back().subItems = content.subItems;
        rows.back().entryId = content.entryId;
    }
};

} // namespace pairwise
