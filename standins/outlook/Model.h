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
// The folder role ("deletedItems", "inbox", ...) of an OlDefaultFolders value; null for others.
const wchar_t* RoleOfDefaultFolder(int folderType);

// What a date member reads as when the item has no value for it: 2009-01-01, stable across runs.
inline constexpr double kDefaultDate = 39814.0;

// FNV-1a over the text's characters, from `seed`.
std::uint64_t HashText(std::wstring_view text, std::uint64_t seed);

// Dates as OLE automation dates, from and to the profile's local-time text.
bool ParseDate(std::string_view text, double& oleDate);
std::string FormatDate(double oleDate);

struct Folder;
struct Store;

inline constexpr HRESULT kMapiNotSupported = static_cast<HRESULT>(0x80040102);

// How this Outlook answers its clients, as the profile sets it: a number of calls rejected as
// by a busy Outlook, and the object-model guard's prompt answered "No". The session starts
// from the profile's and the control object changes the session's copy.
struct Answers {
    long long rejectCalls = 0;
    HRESULT rejectCode = RPC_E_CALL_REJECTED;
    bool guardRefuses = false;
    HRESULT guardCode = kMapiNotSupported;
};

struct Item {
    std::wstring entryId;
    std::wstring messageClass;
    std::vector<std::pair<int, Value>> props; // member id -> value, in profile order
    std::vector<std::wstring> attachments;
    FailMap fail;
    Folder* parent = nullptr;
    std::uint32_t moves = 0; // moves and deletions so far: an item object made before one is stale

    const Value* find(int id) const;
    void set(int id, Value value);
    // The size in bytes: the profile's `Size`, else one computed from the contents.
    std::int32_t size() const;
};

// The order a store keeps a folder's items in: as listed (new ones first), newest first by
// CreationTime (as Exchange in cached mode gives them), or shuffled by a seed.
enum class Order { AsListed, NewestFirst, Shuffled };

// Items that come into a folder once it has been called this many times, as new mail does.
struct Arrival {
    long long afterCalls = 0;
    std::vector<std::shared_ptr<Item>> items;
};

struct Folder {
    std::wstring name;
    std::wstring entryId;
    std::wstring role;
    int defaultItemType = 0;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<std::shared_ptr<Item>> items; // as listed; `order` says how the store hands them out
    Folder* parent = nullptr; // null for a store's top-level folder
    Store* store = nullptr;
    FailMap fail;
    Order order = Order::AsListed;
    std::uint32_t seed = 0;
    std::vector<Arrival> arrivals; // still to come, in order
    long long calls = 0;           // calls into the folder, its items collections and items since load
    std::uint64_t version = 0;     // changes whenever `items` does

    // The items in the order the store keeps them.
    std::vector<std::shared_ptr<Item>> storeOrder() const;
};

struct Store {
    std::wstring storeId;
    std::wstring uid; // the store's part of the entry IDs it gives
    std::unique_ptr<Folder> top;
    // Look-ups by entry ID alone do not find its folders and items (delegate mailboxes,
    // public folders, some PSTs).
    bool requiresStoreId = false;
    // Store.GetDefaultFolder of a folder the store lacks answers Nothing instead of failing.
    bool missingDefaultFolderIsNothing = false;

    // The first folder of the store (breadth first) with that role; null when none has it.
    Folder* folderByRole(std::wstring_view role) const;
    Folder* deletedItems() const { return folderByRole(L"deletedItems"); }
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
    Answers answers;
    std::vector<AddIn> addins;
    std::vector<Store> stores;
    FailMap applicationFail, namespaceFail;
    bool unavailable = false;

    std::shared_ptr<Item> findItem(std::wstring_view entryId) const;
    Folder* findFolder(std::wstring_view entryId) const;
    const Store* findStore(std::wstring_view storeId) const;
    // The default (first) store; null when the profile has none.
    Store* defaultStore() { return stores.empty() ? nullptr : &stores.front(); }
    // The major version, e.g. 12 for Outlook 2007's "12.0.0.6423".
    int majorVersion() const;

    // Durable changes: applied, then appended to the journal before returning.
    void setValues(Item& item, const std::vector<std::pair<int, Value>>& values);
    // The item goes to the end of the destination's list with a new entry ID.
    void move(Item& item, Folder& destination);
    // To its store's Deleted Items; for good when it is there already or the store has none.
    void remove(Item& item);
    // A call into the folder (itself, its items collections, its items): arrivals due come first.
    void enter(Folder& folder)
    {
        if (!folder.arrivals.empty()) arriveDue(folder);
        ++folder.calls;
    }

    // Writes the whole profile back and empties the journal, when anything changed.
    void fold();

private:
    void parse(const std::string& text);
    void replayJournal();
    void appendJournal(const std::string& line);
    void replayLine(const std::string& line);
    void applySet(Item& item, const std::vector<std::pair<int, Value>>& values);
    void applyMove(Item& item, Folder& destination, const std::wstring& newId);
    void applyRemove(Item& item);
    void applyArrival(Folder& folder);
    void arriveDue(Folder& folder);
    std::wstring newEntryId(const Item& item, const Folder& destination) const;
    void index();
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
