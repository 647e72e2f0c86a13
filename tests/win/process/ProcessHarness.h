#pragma once
// A processing run over a stand-in profile: the search harness's window parts, tree, rows and
// error log, with the removal choices as plain values and rows added by entry identifier.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "ProfileSnapshot.h"
#include "SearchHarness.h"
#include "process/Processing.h"

namespace process_test {

// The members a run calls on Outlook: the look-ups, then the ones per row.
inline constexpr std::wstring_view kLookUpMembers[] = {L"GetDefaultFolder", L"GetFolderFromID", L"Name", L"Parent"};
inline constexpr std::wstring_view kRowMembers[] = {L"GetItemFromID", L"Subject", L"Save", L"Move", L"Delete"};

struct Row {
    std::wstring entryId; // empty: a row whose filling failed before it got one
    bool ticked = true;
    std::wstring caption = L"c";
};

class ProcessHarness : public search_test::SearchHarness {
public:
    using SearchHarness::SearchHarness;

    gleaner::ProcessSurface ProcessSurface()
    {
        gleaner::ProcessSurface s;
        FillWorkSurface(s);
        s.removeButtons = [this] { return buttons; };
        s.subjectMark = [this] { return subjectMark; };
        s.moveFolderPath = [this] { return moveFolderPath; };
        s.processMessages = [this] {
            ++itemsPumped;
            positions.push_back(progress.Position());
            if (onPump) onPump();
        };
        return s;
    }

    void Process() { gleaner::RunProcessing(ProcessSurface()); }

    void AddRows(std::initializer_list<Row> list)
    {
        for (const Row& row : list) {
            const gleaner::RowId id = rows.Append(row.caption, row.ticked);
            rows.AddSubItem(id, row.entryId);
            if (!row.entryId.empty()) rows.SetEntryId(id, row.entryId);
        }
    }

    // Releases the harness's Outlook objects and reads the profile back from a fresh one.
    Snapshot Reload()
    {
        nameSpace.reset();
        application.reset();
        return ReloadedProfile();
    }

    // Calls of the members of kLookUpMembers or kRowMembers since the last reset.
    template <typename Members>
    long CallsOf(const Members& members) const
    {
        long sum = 0;
        for (std::wstring_view member : members) sum += Calls(member);
        return sum;
    }

    // Error-log lines that end in `tail`.
    std::vector<std::string> LinesEndingIn(const std::string& tail) const
    {
        std::vector<std::string> out;
        for (const std::string& line : LogLines()) {
            if (line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                out.push_back(line);
        }
        return out;
    }

    gleaner::RemoveButtons buttons;
    std::wstring subjectMark = L"***DUPLICATE***";
    std::wstring moveFolderPath;
    std::vector<int> positions; // the bar's position after each completed row
};

} // namespace process_test
