// Huge values: a 10 MB body, a 32 KB subject, 5,000 attachments, folders nested 200 deep. The
// standard search completes with the right rows, and the process's peak working set grows by
// less than 20 times the profile's size (plus a fixed allowance). ctest runs each test in a process of its own, so each
// peak is its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "SearchHarness.h"

using search_test::SearchHarness;

namespace {

// Generous: the growth may be 20 times the profile's size, beyond what the search's windows,
// tree and stand-in cost whatever the data (a few MB).
constexpr std::size_t kGrowthBound = 20;
constexpr std::size_t kFixedCost = 16 * 1024 * 1024;

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PeakWorkingSetSize;
}

std::string Mail(const std::string& subject, const std::string& body, std::size_t attachments = 0)
{
    std::string json = R"({ "Subject": ")" + subject + R"(", "Body": ")" + body + R"(", "attachments": [)";
    for (std::size_t i = 0; i < attachments; ++i) json += (i ? ",\"a" : "\"a") + std::to_string(i) + ".txt\"";
    return json + "] }";
}

std::string Profile(const std::string& inboxItems, const std::string& moreFolders = "")
{
    return R"({ "stores": [ { "name": "Personal Folders", "folders": [
        { "name": "Inbox", "defaultItemType": 0, "items": [)" +
           inboxItems + R"(] }, { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems" })" +
           moreFolders + "] } ] }";
}

// Searches `profile` with the given Mail rows ticked; checks the rows' captions in list order
// and the memory the whole run took.
void SearchAndMeasure(const std::string& profile, std::initializer_list<std::size_t> mailRows,
                      const std::vector<std::wstring>& captions)
{
    const SIZE_T before = PeakWorkingSet();
    {
        SearchHarness h(profile);
        for (std::size_t row : mailRows) h.profiles.setTicked(gleaner::ItemKind::Mail, row, true);
        h.showFoundMessage = false;
        h.Run();
        EXPECT_TRUE(h.LogLines().empty());
        ASSERT_EQ(h.rows.size(), captions.size());
        for (std::size_t i = 0; i < captions.size(); ++i) EXPECT_EQ(h.rows.At(i).caption, captions[i]) << i;
        EXPECT_EQ(h.Status(1), std::to_wstring(captions.size()) + L" duplicated items found.");
    }
    const SIZE_T growth = PeakWorkingSet() - before;
    std::printf("profile %zu bytes, peak working set grew by %zu bytes (%.1fx)\n", profile.size(),
                static_cast<std::size_t>(growth), static_cast<double>(growth) / static_cast<double>(profile.size()));
    EXPECT_LT(growth, kGrowthBound * profile.size() + kFixedCost);
}

TEST(HugeValues, TenMegabyteBodies)
{
    const std::string body(10 * 1024 * 1024, 'b');
    std::string other = body;
    other.back() = 'c'; // differs in its last character only
    SearchAndMeasure(Profile(Mail("Big", body) + "," + Mail("Big", other) + "," + Mail("Big", body)), {0, 1},
                     {L"n", L"c"});
}

TEST(HugeValues, ThirtyTwoKilobyteSubjects)
{
    // In the profile's JSON each unit is 21 characters; Outlook hands over 11.
    constexpr std::size_t kUnits = 32 * 1024 / 11 + 1;
    std::string subject;
    for (std::size_t i = 0; i < kUnits; ++i) subject += "Subject \\u00c4\\u20ac ";
    const std::string profile = Profile(Mail(subject, "x") + "," + Mail(subject, "x"));
    SearchAndMeasure(profile, {0}, {L"n", L"c"});
    // The row holds the whole subject.
    SearchHarness h(profile);
    h.CompareMailSubjects();
    h.showFoundMessage = false;
    h.Run();
    ASSERT_EQ(h.rows.size(), 2u);
    const std::wstring shown = h.rows.At(0).subItems.at(0);
    EXPECT_EQ(shown.size(), kUnits * 11);
    EXPECT_EQ(shown.substr(0, 10), L"Subject \u00c4\u20ac");
}

TEST(HugeValues, FiveThousandAttachments)
{
    // Subject and the attachment count: only the two with 5,000 attachments match.
    SearchAndMeasure(Profile(Mail("Files", "", 5000) + "," + Mail("Files", "", 4999) + "," + Mail("Files", "", 5000)),
                     {0, 6}, {L"n", L"c"});
}

TEST(HugeValues, FoldersNestedTwoHundredDeep)
{
    // One equal mail in each of 200 nested folders: one set of 200 rows, one original.
    std::string nested;
    for (int level = 199; level >= 0; --level) {
        const std::string children = nested.empty() ? "" : R"(, "folders": [)" + nested + "]";
        nested = R"({ "name": "Level )" + std::to_string(level) + R"(", "defaultItemType": 0, "items": [)" +
                 Mail("Deep", "same") + "]" + children + " }";
    }
    std::vector<std::wstring> captions(200, L"c");
    captions[0] = L"n";
    SearchAndMeasure(Profile("", "," + nested), {0, 1}, captions);
}

} // namespace
