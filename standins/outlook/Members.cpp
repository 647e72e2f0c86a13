#include "Members.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>
#include <deque>
#include <vector>

namespace standin {

namespace {

struct Registry {
    std::mutex lock;
    std::deque<std::wstring> names; // deque: MemberName hands out references
    std::unordered_map<std::wstring, int> ids;

    Registry()
    {
        static const wchar_t* const kNames[] = {
#define STANDIN_NAME(name) L## #name,
            STANDIN_MEMBERS(STANDIN_NAME)
#undef STANDIN_NAME
        };
        for (const wchar_t* name : kNames) add(name);
    }
    int add(std::wstring_view name)
    {
        int id = static_cast<int>(names.size());
        names.emplace_back(name);
        ids.emplace(Folded(name), id);
        return id;
    }
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

std::wstring Folded(std::wstring_view name)
{
    std::wstring folded(name);
    if (!folded.empty()) ::CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && Folded(a) == Folded(b);
}

int FindMember(std::wstring_view name)
{
    Registry& r = TheRegistry();
    std::wstring folded = Folded(name);
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.ids.find(folded);
    return found == r.ids.end() ? -1 : found->second;
}

int RegisterMember(std::wstring_view name)
{
    Registry& r = TheRegistry();
    std::wstring folded = Folded(name);
    std::lock_guard<std::mutex> guard(r.lock);
    auto found = r.ids.find(folded);
    if (found != r.ids.end()) return found->second;
    return r.add(name);
}

const std::wstring& MemberName(int id)
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.names.at(static_cast<size_t>(id));
}

std::size_t MemberCount()
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.names.size();
}

} // namespace standin
