// The values of the profile's items: kinds by message class, member types, dates as the
// profile writes them, and the order a store keeps a folder's items in.
#include "Model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Members.h"

namespace standin {

namespace {

bool StartsWithClass(std::wstring_view messageClass, std::wstring_view prefix)
{
    if (messageClass.size() < prefix.size()) return false;
    if (!SameName(messageClass.substr(0, prefix.size()), prefix)) return false;
    return messageClass.size() == prefix.size() || messageClass[prefix.size()] == L'.';
}

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

constexpr long long kOleEpochDays = -25569; // 1899-12-30 relative to 1970-01-01

// Reads exactly `count` digits at `pos`.
bool Digits(std::string_view t, size_t& pos, size_t count, int& value)
{
    if (pos + count > t.size()) return false;
    value = 0;
    for (size_t i = 0; i < count; ++i, ++pos) {
        char c = t[pos];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool Expect(std::string_view t, size_t& pos, char c)
{
    if (pos >= t.size() || t[pos] != c) return false;
    ++pos;
    return true;
}

} // namespace

std::uint64_t HashText(std::wstring_view text, std::uint64_t seed)
{
    std::uint64_t h = seed;
    for (wchar_t c : text) {
        h ^= static_cast<std::uint64_t>(c);
        h *= 1099511628211ull;
    }
    return h;
}

const std::wstring* FindFault(const FailMap& fail, std::wstring_view member)
{
    for (auto& [name, message] : fail) {
        if (SameName(name, member)) return &message;
    }
    return nullptr;
}

Kind KindOfClass(std::wstring_view c)
{
    if (StartsWithClass(c, L"IPM.Schedule.Meeting")) return Kind::Meeting;
    if (StartsWithClass(c, L"IPM.Note")) return Kind::Mail;
    if (StartsWithClass(c, L"IPM.Appointment")) return Kind::Appointment;
    if (StartsWithClass(c, L"IPM.Contact")) return Kind::Contact;
    if (StartsWithClass(c, L"IPM.Activity")) return Kind::Journal;
    if (StartsWithClass(c, L"IPM.StickyNote")) return Kind::Note;
    if (StartsWithClass(c, L"IPM.Task")) return Kind::Task;
    if (StartsWithClass(c, L"IPM.Post")) return Kind::Post;
    if (StartsWithClass(c, L"IPM.DistList")) return Kind::DistList;
    return Kind::Other;
}

const wchar_t* RoleOfDefaultFolder(int folderType)
{
    switch (folderType) {
    case 3: return L"deletedItems";
    case 4: return L"outbox";
    case 5: return L"sentMail";
    case 6: return L"inbox";
    case 9: return L"calendar";
    case 10: return L"contacts";
    case 11: return L"journal";
    case 12: return L"notes";
    case 13: return L"tasks";
    case 16: return L"drafts";
    default: return nullptr;
    }
}

bool IsDateMember(int id)
{
    switch (id) {
    case M_Start: case M_End: case M_StartDate: case M_DueDate: case M_CreationTime: case M_LastModificationTime:
    case M_ReceivedTime: case M_SentOn: case M_DateCompleted: return true;
    default: return false;
    }
}

bool IsIntMember(int id)
{
    switch (id) {
    case M_Size: case M_TotalWork: case M_ActualWork: case M_Importance: case M_Sensitivity: case M_Duration:
    case M_BusyStatus: case M_Status: case M_PercentComplete: return true;
    default: return false;
    }
}

bool IsBoolMember(int id)
{
    switch (id) {
    case M_UnRead: case M_NoAging: case M_AllDayEvent: case M_Complete: return true;
    default: return false;
    }
}

bool ParseDate(std::string_view t, double& oleDate)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    size_t pos = 0;
    if (!Digits(t, pos, 4, y) || !Expect(t, pos, '-') || !Digits(t, pos, 2, mo) || !Expect(t, pos, '-') ||
        !Digits(t, pos, 2, d))
        return false;
    double fraction = 0;
    if (pos < t.size()) {
        if (t[pos] != 'T' && t[pos] != ' ') return false;
        ++pos;
        if (!Digits(t, pos, 2, h) || !Expect(t, pos, ':') || !Digits(t, pos, 2, mi) || !Expect(t, pos, ':') ||
            !Digits(t, pos, 2, s))
            return false;
        if (pos < t.size()) {
            if (!Expect(t, pos, '.') || pos == t.size()) return false;
            double scale = 0.1;
            for (; pos < t.size(); ++pos) {
                if (t[pos] < '0' || t[pos] > '9') return false;
                fraction += (t[pos] - '0') * scale;
                scale /= 10;
            }
        }
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 100) return false;
    long long days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - kOleEpochDays;
    double secondsOfDay = h * 3600.0 + mi * 60.0 + s + fraction;
    // OLE dates before 1899-12-30 count the day backwards but the time forwards.
    oleDate = days >= 0 ? days + secondsOfDay / 86400.0 : days - secondsOfDay / 86400.0;
    return true;
}

std::string FormatDate(double oleDate)
{
    double whole = oleDate >= 0 ? std::floor(oleDate) : std::ceil(oleDate);
    long long ms = std::llround(std::fabs(oleDate - whole) * 86400000.0);
    long long days = static_cast<long long>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += oleDate >= 0 ? 1 : -1;
    }
    int y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(days + kOleEpochDays, y, m, d);
    char buffer[40];
    int n = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02lld:%02lld:%02lld", y, m, d, ms / 3600000,
                          ms / 60000 % 60, ms / 1000 % 60);
    if (ms % 1000) std::snprintf(buffer + n, sizeof buffer - n, ".%03lld", ms % 1000);
    return buffer;
}

const Value* Item::find(int id) const
{
    for (auto& [key, value] : props) {
        if (key == id) return &value;
    }
    return nullptr;
}

void Item::set(int id, Value value)
{
    if (id == M_MessageClass) {
        messageClass = value.text;
        return;
    }
    for (auto& [key, existing] : props) {
        if (key == id) {
            existing = std::move(value);
            return;
        }
    }
    props.emplace_back(id, std::move(value));
}

std::int32_t Item::size() const
{
    if (const Value* given = find(M_Size); given && given->type == Value::Int) return static_cast<std::int32_t>(given->number);
    long long total = 256 + 2 * static_cast<long long>(messageClass.size());
    for (auto& [id, value] : props) total += value.type == Value::Text ? 2 * static_cast<long long>(value.text.size()) : 8;
    for (auto& name : attachments) total += 1024 + 2 * static_cast<long long>(name.size());
    return static_cast<std::int32_t>(std::min<long long>(total, INT32_MAX));
}

std::vector<std::shared_ptr<Item>> Folder::storeOrder() const
{
    std::vector<std::shared_ptr<Item>> out = items;
    if (order == Order::NewestFirst) {
        auto created = [](const Item& item) {
            const Value* v = item.find(M_CreationTime);
            return v && v->type == Value::Date ? v->number : kDefaultDate;
        };
        std::stable_sort(out.begin(), out.end(), [&](const auto& a, const auto& b) { return created(*a) > created(*b); });
    } else if (order == Order::Shuffled) {
        // By a hash of the entry ID: a new or moved item takes a place of its own and the rest
        // keep theirs, as in a store that keeps no particular order.
        auto rank = [this](const Item& item) {
            // FNV-1a, then SplitMix64's finaliser, so that every bit of the seed moves the order.
            std::uint64_t z = HashText(item.entryId, 14695981039346656037ull) + (seed + 1) * 0x9E3779B97F4A7C15ull;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        };
        std::stable_sort(out.begin(), out.end(), [&](const auto& a, const auto& b) { return rank(*a) < rank(*b); });
    }
    return out;
}

Folder* Store::folderByRole(std::wstring_view role) const
{
    std::vector<Folder*> pending{top.get()};
    for (size_t next = 0; next < pending.size(); ++next) {
        Folder* f = pending[next];
        if (SameName(f->role, role)) return f;
        for (auto& sub : f->folders) pending.push_back(sub.get());
    }
    return nullptr;
}

} // namespace standin
