#include "ProfileTools.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "platform/Dispatch.h"
#include "support/OutlookStandIn.h"

namespace reliability {

namespace {

std::string Quoted(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        }
    }
    return out + "\"";
}

std::string ItemJson(const ItemDef& item)
{
    // The entry ID doubles as the TestKey, which follows the item when a move changes its ID.
    std::string json = "{ \"entryID\": " + Quoted(item.entryId) + ", \"TestKey\": " + Quoted(item.entryId);
    if (!item.messageClass.empty()) json += ", \"messageClass\": " + Quoted(item.messageClass);
    for (const auto& [name, text] : item.texts) json += ", " + Quoted(name) + ": " + Quoted(text);
    for (const auto& [name, values] : item.lists) {
        json += ", " + Quoted(name) + ": [";
        for (std::size_t i = 0; i < values.size(); ++i) json += (i ? ", " : "") + Quoted(values[i]);
        json += "]";
    }
    if (item.attachments > 0) {
        json += ", \"attachments\": [";
        for (int i = 0; i < item.attachments; ++i) json += (i ? ", \"a" : "\"a") + std::to_string(i) + ".txt\"";
        json += "]";
    }
    if (!item.fail.empty()) json += ", \"fail\": " + item.fail;
    return json + " }";
}

std::string FolderJson(const FolderDef& folder)
{
    std::string json = "{ \"name\": " + Quoted(folder.name) + ", \"defaultItemType\": " +
                       std::to_string(folder.defaultItemType);
    if (!folder.role.empty()) json += ", \"role\": \"" + folder.role + "\"";
    if (!folder.fail.empty()) json += ", \"fail\": " + folder.fail;
    json += ", \"items\": [";
    for (std::size_t i = 0; i < folder.items.size(); ++i) json += (i ? ",\n  " : "") + ItemJson(folder.items[i]);
    json += "], \"folders\": [";
    for (std::size_t i = 0; i < folder.folders.size(); ++i) json += (i ? ", " : "") + FolderJson(folder.folders[i]);
    return json + "] }";
}

} // namespace

std::string ProfileJson(const std::vector<StoreDef>& stores, const std::string& namespaceFail,
                        const std::string& applicationFail)
{
    std::string json = "{ ";
    if (!namespaceFail.empty()) json += "\"namespace\": { \"fail\": " + namespaceFail + " }, ";
    if (!applicationFail.empty()) json += "\"application\": { \"fail\": " + applicationFail + " }, ";
    json += "\"stores\": [";
    for (std::size_t s = 0; s < stores.size(); ++s) {
        json += (s ? ", " : "") + std::string("{ \"name\": ") + Quoted(stores[s].name) + ", \"folders\": [";
        for (std::size_t f = 0; f < stores[s].folders.size(); ++f)
            json += (f ? ",\n" : "") + FolderJson(stores[s].folders[f]);
        json += "] }";
    }
    return json + "] }";
}

std::wstring EntryIdFor(unsigned number)
{
    wchar_t tail[16];
    std::swprintf(tail, 16, L"%08X", number);
    return std::wstring(56, L'E') + tail;
}

void DisarmFaults(const std::wstring& profilePath, const std::string& message)
{
    std::string text;
    {
        std::ifstream in(profilePath.c_str(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        text = bytes.str();
    }
    const std::regex entry("\"[^\"]*\"(\\s*:\\s*\"" + std::regex_replace(message, std::regex("[.]"), "\\.") + "\")");
    text = std::regex_replace(text, entry, "\"NoSuchMember\"$1");
    std::ofstream(profilePath.c_str(), std::ios::binary | std::ios::trunc) << text;
}

std::map<std::wstring, ItemState> ReadProfileItems()
{
    std::map<std::wstring, ItemState> items;
    gleaner::Dispatch outlook = gleaner::test::CreateOutlook();
    gleaner::Dispatch nameSpace = outlook.callObject(L"GetNamespace", L"MAPI");
    std::function<void(const gleaner::Dispatch&, const std::wstring&)> walk = [&](const gleaner::Dispatch& folders,
                                                                                const std::wstring& parentPath) {
        const int count = folders.get(L"Count").toInt();
        for (int i = 1; i <= count; ++i) {
            gleaner::Dispatch folder = folders.callObject(L"Item", i);
            const std::wstring path = parentPath + L"\\" + folder.get(L"Name").toText();
            gleaner::Dispatch folderItems = folder.getObject(L"Items");
            const int itemCount = folderItems.get(L"Count").toInt();
            for (int n = 1; n <= itemCount; ++n) {
                gleaner::Dispatch item = folderItems.callObject(L"Item", n);
                items[gleaner::test::TestKeyOf(item)] = {path, item.get(L"Subject").toText()};
            }
            walk(folder.getObject(L"Folders"), path);
        }
    };
    walk(nameSpace.getObject(L"Folders"), L"");
    return items;
}

} // namespace reliability
