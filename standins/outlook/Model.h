#pragma once
// The profile the stand-in serves: stores, folders, items and add-ins loaded from a JSON
// file, with every change appended to a journal beside it and folded back on close.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Handles.h"

namespace standin {

// A failure raised to the client as DISP_E_EXCEPTION with this text.
struct Fault {
    std::wstring message;
    HRESULT code = static_cast<HRESULT>(0x80004005); // E_FAIL
};

struct Value {
    enum Type { Text, Int, Bool, Date, Double, Null } type = Text;
    std::wstring text;
    double number = 0; // Int, Bool (0/1), Date (OLE date), Double

    static Value OfText(std::wstring t) { return {Text, std::move(t), 0}; }
    static Value OfInt(std::int32_t n) { return {Int, {}, static_cast<double>(n)}; }
    static Value OfBool(bool b) { return {Bool, {}, b ? 1.0 : 0.0}; }
    static Value OfDate(double d) { return {Date, {}, d}; }
};

// Member name (as the profile spells it) to the message that reading or calling it raises.
using FailMap = std::vector<std::pair<std::wstring, std::wstring>>;
const std::wstring* FindFault(const FailMap& fail, std::wstring_view member);

enum class Kind { Mail, Appointment, Contact, Journal, Note, Task, Meeting, Post, DistList, Other };
Kind KindOfClass(std::wstring_view messageClass);
bool IsDateMember(int id);
bool IsIntMember(int id);
bool IsBoolMember(int id);

// Dates as OLE automation dates, from and to the profile's local-time text.
bool ParseDate(std::string_view text, double& oleDate);
std::string FormatDate(double oleDate);

struct Folder;
struct Store;

struct Item {
    std::wstring entryId;
    std::wstring messageClass;
    std::vector<std::pair<int, Value>> props; // member id -> value, in profile order
    std::vector<std::wstring> attachments;
    FailMap fail;
    Folder* parent = nullptr;
    bool deleted = false;

    const Value* find(int id) const;
    void set(int id, Value value);
    // The size in bytes: the profile's `Size`, else one computed from the contents.
    std::int32_t size() const;
};

struct Folder {
    std::wstring name;
    std::wstring entryId;
    std::wstring role;
    int defaultItemType = 0;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<std::shared_ptr<Item>> items;
    Folder* parent = nullptr; // null for a store's top-level folder
    Store* store = nullptr;
    FailMap fail;
};

struct Store {
    std::wstring storeId;
    std::unique_ptr<Folder> top;
};

struct AddIn {
    std::wstring description, progId, guid;
    bool connect = false;
    FailMap fail;
};

class Profile {
public:
    Profile() = default;
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
    ~Profile();

    // Loads the file and replays its journal. Throws Fault with the reason.
    void load(const std::wstring& path);
    // The same for a reader beside the Outlook that serves the file (as a MAPI client beside
    // Outlook): neither the file nor its journal is ever written, and changes are refused.
    void loadReadOnly(const std::wstring& path);

    const std::wstring& path() const { return path_; }
    std::wstring version = L"12.0.0.6423";
    std::vector<AddIn> addins;
    std::vector<Store> stores;
    FailMap applicationFail, namespaceFail;
    bool unavailable = false;

    std::shared_ptr<Item> findItem(std::wstring_view entryId) const;
    Folder* findFolder(std::wstring_view entryId) const;
    const Store* findStore(std::wstring_view storeId) const;
    Folder* folderByRole(std::wstring_view role) const;

    // Durable changes: applied, then appended to the journal before returning.
    void setValues(Item& item, const std::vector<std::pair<int, Value>>& values);
    void move(Item& item, Folder& destination);
    void remove(Item& item);

    // Writes the whole profile back and empties the journal, when anything changed.
    void fold();

private:
    void parse(const std::string& text);
    void replayJournal();
    void appendJournal(const std::string& line);
    void applySet(Item& item, const std::vector<std::pair<int, Value>>& values);
    void applyMove(Item& item, Folder& destination);
    void applyRemove(Item& item);
    std::string serialize() const;

    std::wstring path_;
    std::wstring journalPath_;
    gleaner::UniqueFile journal_;
    bool changed_ = false;
    bool readOnly_ = false;
    std::unordered_map<std::wstring, std::shared_ptr<Item>> itemsById_;
    std::unordered_map<std::wstring, Folder*> foldersById_;
};

} // namespace standin
