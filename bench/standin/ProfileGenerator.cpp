#include "ProfileGenerator.h"

#include <cstdio>
#include <vector>

namespace standin_bench {

namespace {

// Small, fixed generator so that a seed gives the same profile on every platform.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    std::uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    double unit() { return next() / 4294967296.0; }

private:
    std::uint32_t state_;
};

const char* const kWords[] = {"meeting", "report",  "budget", "project", "review", "draft",   "invoice", "travel",
                              "summary", "minutes", "update", "plan",    "agenda", "contract", "offer",  "order",
                              "team",    "status",  "weekly", "launch",  "client", "design",  "notes",   "call"};
const char* const kNames[] = {"Anna", "Boris", "Chen", "Dora", "Emil", "Fatima", "Georg", "Hanna", "Ivan", "Jana"};
const char* const kLast[] = {"Schmidt", "Novak", "Li", "Garcia", "Kowalski", "Berg", "Rossi", "Meyer"};

struct Kind {
    const char* folder;
    const char* messageClass;
    int defaultItemType;
};
const Kind kKinds[] = {{"Mail", "IPM.Note", 0},          {"Calendar", "IPM.Appointment", 1},
                       {"Contacts", "IPM.Contact", 2},   {"Journal", "IPM.Activity", 4},
                       {"Notes", "IPM.StickyNote", 5},   {"Tasks", "IPM.Task", 3}};

std::string Words(Random& r, int chars)
{
    std::string text;
    while (static_cast<int>(text.size()) < chars) {
        if (!text.empty()) text += ' ';
        text += kWords[r.below(24)];
    }
    return text;
}

std::string Date(Random& r)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "\"20%02d-%02d-%02dT%02d:%02d:%02d\"", 5 + r.below(5), 1 + r.below(12),
                  1 + r.below(28), r.below(24), r.below(60), r.below(60));
    return buffer;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; } // generated text needs no escapes

// The properties of one item, without its entry ID, as JSON members.
std::string ItemBody(const Kind& kind, Random& r, const GeneratorOptions& o)
{
    std::string subject = Words(r, 12 + r.below(30));
    std::string s = "\"messageClass\": \"" + std::string(kind.messageClass) + "\", \"Subject\": " + Quoted(subject) +
                    ", \"Body\": " + Quoted(Words(r, o.bodySize)) + ", \"CreationTime\": " + Date(r) +
                    ", \"LastModificationTime\": " + Date(r);
    std::string person = std::string(kNames[r.below(10)]) + " " + kLast[r.below(8)];
    switch (kind.defaultItemType) {
    case 0:
        s += ", \"SenderName\": " + Quoted(person) + ", \"To\": " + Quoted("Team") + ", \"UnRead\": " +
             (r.below(2) ? "true" : "false");
        break;
    case 1:
        s += ", \"Location\": " + Quoted("Room " + std::to_string(r.below(40))) + ", \"Start\": " + Date(r) +
             ", \"End\": " + Date(r);
        break;
    case 2:
        s += ", \"FullName\": " + Quoted(person) + ", \"FirstName\": " + Quoted(person.substr(0, person.find(' '))) +
             ", \"LastName\": " + Quoted(person.substr(person.find(' ') + 1)) + ", \"Email1Address\": " +
             Quoted("user" + std::to_string(r.below(100000)) + "@example.com") +
             ", \"BusinessTelephoneNumber\": " + Quoted("+49 30 " + std::to_string(1000000 + r.below(8999999)));
        break;
    case 4: s += ", \"Start\": " + Date(r) + ", \"End\": " + Date(r); break;
    case 5: break;
    default:
        s += ", \"StartDate\": " + Date(r) + ", \"DueDate\": " + Date(r) + ", \"Owner\": " + Quoted(person) +
             ", \"TotalWork\": " + std::to_string(r.below(600)) + ", \"ActualWork\": " + std::to_string(r.below(600));
        break;
    }
    if (kind.defaultItemType != 5 && r.below(10) == 0) s += ", \"attachments\": [\"report.pdf\"]";
    return s;
}

} // namespace

std::string GenerateProfile(const GeneratorOptions& o)
{
    Random r(o.seed);
    std::string out = "{ \"version\": \"12.0.0.6423\", \"addins\": [], \"stores\": [ { \"name\": \"Personal Folders\", "
                      "\"folders\": [\n";
    for (int f = 0; f < o.folders; ++f) {
        const Kind& kind = kKinds[f % 6];
        out += "{ \"name\": \"" + std::string(kind.folder) + " " + std::to_string(f / 6 + 1) +
               "\", \"defaultItemType\": " + std::to_string(kind.defaultItemType) + ", \"items\": [\n";
        std::vector<std::string> bodies;
        bodies.reserve(static_cast<size_t>(o.itemsPerFolder));
        for (int i = 0; i < o.itemsPerFolder; ++i) {
            bool copy = !bodies.empty() && r.unit() < o.duplicateShare;
            bodies.push_back(copy ? bodies[static_cast<size_t>(r.below(static_cast<int>(bodies.size())))]
                                  : ItemBody(kind, r, o));
            out += (i ? ",\n{ " : "{ ") + bodies.back() + " }";
        }
        out += "] },\n";
    }
    out += "{ \"name\": \"Deleted Items\", \"defaultItemType\": 0, \"role\": \"deletedItems\", \"items\": [] } ] } ] }\n";
    return out;
}

} // namespace standin_bench
