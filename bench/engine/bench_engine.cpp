// Times a whole search's matching, re-syncs included, for the match engine and for the
// pairwise search, on generated items: 48-character entry identifiers, 32-byte keys (as
// digests are), 10% of the items equal to an earlier one. No Outlook call is made: row
// filling only copies text.
//
//   bench_engine [pairwise-budget-seconds]   (default 60)
#include "detect/MatchEngine.h"
#include "pairwise_search.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

struct Item {
    std::wstring entryId;
    std::string key;
    int size;
};

std::vector<Item> MakeItems(std::size_t count)
{
    std::mt19937_64 rng(42);
    std::vector<Item> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        wchar_t id[64];
        std::swprintf(id, 64, L"00000000%016llX%08zX%016llX", static_cast<unsigned long long>(rng()), i,
                      static_cast<unsigned long long>(rng()));
        std::string key;
        if (i > 0 && rng() % 10 == 0) {
            key = items[rng() % i].key;
        } else {
            key.resize(32);
            for (char& ch : key)
                ch = static_cast<char>(rng());
        }
        items.push_back(Item{id, key, static_cast<int>(rng() % 100000)});
    }
    return items;
}

struct Host : gleaner::MatchHost {
    gleaner::OriginalRule Rule() override { return {}; }
    void FillRow(const std::wstring& entryId, std::uint32_t, gleaner::RowRole, gleaner::RowContent& row) override
    {
        row.subItems.push_back(L"Subject");
        row.subItems.push_back(L"\\Personal Folders\\Inbox");
        row.entryId = entryId;
    }
    void Failed(const std::exception&, gleaner::MatchFailure) override {}
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

long StatusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::char_traits<char>::length(field), nullptr, 10);
    }
    return -1;
}

struct EngineRun {
    double seconds;
    std::size_t rows;
    long kilobytes;   // resident memory the engine and the rows added
};

EngineRun RunEngine(const std::vector<Item>& items, gleaner::ResultModel& rows)
{
    const long before = StatusKilobytes("VmRSS:");
    gleaner::MatchEngine engine(rows);
    Host host;
    const auto start = Clock::now();
    for (const Item& item : items) {
        engine.AddItem(gleaner::ExaminedItem{item.entryId, item.key, item.size, true}, host);
        engine.Resync();
    }
    const double seconds = Seconds(start);
    return {seconds, rows.size(), StatusKilobytes("VmRSS:") - before};
}

// Returns the seconds taken, or a negative number when the budget ran out first.
double RunPairwise(const std::vector<Item>& items, double budget, pairwise::PairwiseSearch& search,
                   std::size_t& reached)
{
    Host host;
    const auto start = Clock::now();
    for (reached = 0; reached < items.size(); ++reached) {
        const Item& item = items[reached];
        search.Examine(item.entryId, item.key, item.size, host);
        search.Resync();
        if (reached % 64 == 0 && Seconds(start) > budget)
            return -Seconds(start);
    }
    return Seconds(start);
}

bool SameRows(const pairwise::PairwiseSearch& search, const gleaner::ResultModel& rows)
{
    if (search.rows.size() != rows.size())
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& a = search.rows[i];
        const auto& b = rows.At(i);
        if (a.caption != b.caption || a.ticked != b.ticked || a.entryId != b.entryId)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const double budget = argc > 1 ? std::atof(argv[1]) : 60.0;
    std::printf("%10s %12s %8s %14s %14s %8s\n", "items", "engine s", "rows", "pairwise s", "ratio", "same");
    bool pairwiseFinished = true;
    long engineKilobytes = 0;
    for (std::size_t count : {1000u, 10000u, 100000u, 1000000u}) {
        const auto items = MakeItems(count);
        gleaner::ResultModel rows([](const std::wstring& a, const std::wstring& b) { return a.compare(b); });
        const EngineRun engine = RunEngine(items, rows);
        engineKilobytes = engine.kilobytes;
        std::printf("%10zu %12.3f %8zu", count, engine.seconds, engine.rows);
        if (count <= 100000 && pairwiseFinished) {
            pairwise::PairwiseSearch search;
            std::size_t reached = 0;
            const double seconds = RunPairwise(items, budget, search, reached);
            if (seconds < 0) {
                pairwiseFinished = false;
                std::printf(" %14s %14s %8s  (stopped after %.0f s at item %zu)\n", "-", "-", "-", -seconds, reached);
            } else {
                std::printf(" %14.3f %14.1f %8s\n", seconds, seconds / engine.seconds,
                            SameRows(search, rows) ? "yes" : "NO");
            }
        } else {
            std::printf(" %14s %14s %8s\n", "-", "-", "-");
        }
        std::fflush(stdout);
    }
    std::printf("largest run: engine and rows grew the resident memory by %ld KB; peak of the process %ld KB\n",
                engineKilobytes, StatusKilobytes("VmHWM:"));
    return 0;
}
