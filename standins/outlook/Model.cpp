#include "Model.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "Members.h"
#include "platform/Text.h"

using nlohmann::ordered_json;

namespace standin {

namespace {

// Ordered: objects are vectors, far fewer allocations than maps, and keys keep their order.
using json = nlohmann::ordered_json;

[[noreturn]] void Fail(std::wstring message)
{
    throw Fault{std::move(message)};
}

std::wstring Wide(const std::string& text)
{
    // Most profile text is ASCII; widen it directly instead of a round through the system.
    for (unsigned char c : text) {
        if (c >= 0x80) return gleaner::FromUtf8(text);
    }
    return std::wstring(text.begin(), text.end());
}
std::string Narrow(std::wstring_view text) { return gleaner::ToUtf8(text); }

FailMap ParseFail(const json& node)
{
    FailMap fail;
    if (node.is_null()) return fail;
    if (!node.is_object()) Fail(L"\"fail\" must map member names to messages");
    for (auto& [key, message] : node.items()) {
        if (!message.is_string()) Fail(L"\"fail\" of " + Wide(key) + L" must be a message text");
        fail.emplace_back(Wide(key), Wide(message.get<std::string>()));
    }
    return fail;
}

ordered_json FailJson(const FailMap& fail)
{
    ordered_json node = ordered_json::object();
    for (auto& [member, message] : fail) node[Narrow(member)] = Narrow(message);
    return node;
}

Value ValueFromJson(int id, const json& node, std::wstring_view what)
{
    switch (node.type()) {
    case json::value_t::string: {
        const std::string& text = node.get_ref<const std::string&>();
        if (IsDateMember(id)) {
            double date = 0;
            if (!ParseDate(text, date)) Fail(L"bad date for " + std::wstring(what) + L": " + Wide(text));
            return Value::OfDate(date);
        }
        return Value::OfText(Wide(text));
    }
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: {
        long long n = node.get<long long>();
        if (n < INT32_MIN || n > INT32_MAX) Fail(L"number out of range for " + std::wstring(what));
        if (IsDateMember(id)) return Value::OfDate(static_cast<double>(n));
        return Value::OfInt(static_cast<std::int32_t>(n));
    }
    case json::value_t::number_float:
        if (IsDateMember(id)) return Value::OfDate(node.get<double>());
        return Value{Value::Double, {}, node.get<double>()};
    case json::value_t::boolean: return Value::OfBool(node.get<bool>());
    case json::value_t::null: return Value{Value::Null, {}, 0};
    case json::value_t::array: {
        // Multi-valued texts (Categories) as Outlook shows them: joined by ", ".
        std::wstring joined;
        for (auto& part : node) {
            if (!part.is_string()) Fail(L"only texts may be listed for " + std::wstring(what));
            if (!joined.empty()) joined += L", ";
            joined += Wide(part.get<std::string>());
        }
        return Value::OfText(std::move(joined));
    }
    default: Fail(L"unsupported value for " + std::wstring(what));
    }
}

ordered_json ValueJson(const Value& value)
{
    switch (value.type) {
    case Value::Text: return Narrow(value.text);
    case Value::Int: return static_cast<std::int32_t>(value.number);
    case Value::Bool: return value.number != 0;
    case Value::Date: return FormatDate(value.number);
    case Value::Double: return value.number;
    case Value::Null: return nullptr;
    }
    return nullptr;
}

bool SameKey(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

const json* JsonMember(const json& object, const char* name)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (SameKey(it.key(), name)) return &*it;
    }
    return nullptr;
}

std::string Hex(std::uint64_t value, int digits)
{
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value; --i, value >>= 4) text[static_cast<size_t>(i)] = "0123456789ABCDEF"[value & 15];
    return text;
}

// Builds the object tree; entry IDs that the profile leaves out are given afterwards, so
// that a generated one never takes an ID that a later item fixes for itself.
struct Builder {
    std::unordered_set<std::wstring> taken;
    std::vector<std::string> uids; // per store
    std::vector<std::pair<Item*, size_t>> itemsWithoutId;     // item, store index
    std::vector<std::pair<Folder*, size_t>> foldersWithoutId; // folder, store index

    // Profiles repeat a few property names many times: look each spelling up once.
    std::unordered_map<std::string, int> memberIds;
    int memberOf(const std::string& key)
    {
        auto found = memberIds.find(key);
        if (found != memberIds.end()) return found->second;
        int id = RegisterMember(Wide(key));
        memberIds.emplace(key, id);
        return id;
    }

    void takeId(const std::wstring& id)
    {
        if (!taken.insert(id).second) Fail(L"the entry ID " + id + L" is used twice");
    }

    std::shared_ptr<Item> item(const json& node, Folder* parent, size_t uid)
    {
        if (!node.is_object()) Fail(L"an item must be an object");
        auto item = std::make_shared<Item>();
        item->parent = parent;
        item->props.reserve(node.size());
        for (auto& [key, value] : node.items()) {
            if (SameKey(key, "messageClass")) {
                if (!value.is_string()) Fail(L"messageClass must be a text");
                item->messageClass = Wide(value.get<std::string>());
            } else if (SameKey(key, "entryID")) {
                if (!value.is_string()) Fail(L"entryID must be a text");
                item->entryId = Wide(value.get<std::string>());
            } else if (SameKey(key, "attachments")) {
                if (!value.is_array()) Fail(L"attachments must be a list of names");
                for (auto& a : value) {
                    if (!a.is_string()) Fail(L"attachments must be a list of names");
                    item->attachments.push_back(Wide(a.get<std::string>()));
                }
            } else if (SameKey(key, "fail")) {
                item->fail = ParseFail(value);
            } else {
                int id = memberOf(key);
                item->set(id, ValueFromJson(id, value, MemberName(id)));
            }
        }
        if (item->messageClass.empty()) item->messageClass = DefaultClass(parent->defaultItemType);
        if (item->entryId.empty()) itemsWithoutId.emplace_back(item.get(), uid);
        else takeId(item->entryId);
        return item;
    }

    static std::wstring DefaultClass(int defaultItemType)
    {
        static const wchar_t* const kClasses[] = {L"IPM.Note",     L"IPM.Appointment", L"IPM.Contact", L"IPM.Task",
                                                  L"IPM.Activity", L"IPM.StickyNote",  L"IPM.Post",    L"IPM.DistList"};
        return defaultItemType >= 0 && defaultItemType < 8 ? kClasses[defaultItemType] : L"IPM.Note";
    }

    static void folderKeys(const json& node, Folder& f)
    {
        const json* name = JsonMember(node, "name");
        if (!name || !name->is_string()) Fail(L"every folder and store needs a \"name\"");
        f.name = Wide(name->get<std::string>());
        if (const json* id = JsonMember(node, "entryID")) f.entryId = Wide(id->get<std::string>());
        if (const json* type = JsonMember(node, "defaultItemType")) {
            if (!type->is_number_integer()) Fail(L"defaultItemType of " + f.name + L" must be an integer");
            f.defaultItemType = type->get<int>();
        }
        if (const json* role = JsonMember(node, "role")) f.role = Wide(role->get<std::string>());
        if (const json* fail = JsonMember(node, "fail")) f.fail = ParseFail(*fail);
        if (const json* order = JsonMember(node, "order")) {
            const std::string text = order->is_string() ? order->get<std::string>() : "";
            if (SameKey(text, "newestFirst")) f.order = Order::NewestFirst;
            else if (SameKey(text, "shuffled")) f.order = Order::Shuffled;
            else if (!SameKey(text, "asListed")) Fail(L"order of " + f.name + L" must be asListed, newestFirst or shuffled");
        }
        if (const json* seed = JsonMember(node, "seed")) f.seed = seed->get<std::uint32_t>();
    }

    void arrivals(const json& node, Folder& f, size_t uid)
    {
        if (!node.is_array()) Fail(L"arrivals of " + f.name + L" must be a list");
        for (auto& entry : node) {
            const json* after = entry.is_object() ? JsonMember(entry, "afterCalls") : nullptr;
            const json* list = entry.is_object() ? JsonMember(entry, "items") : nullptr;
            if (!after || !after->is_number_integer() || !list || !list->is_array())
                Fail(L"every arrival of " + f.name + L" needs \"afterCalls\" and \"items\"");
            Arrival arrival{after->get<long long>(), {}};
            for (auto& i : *list) arrival.items.push_back(item(i, &f, uid));
            f.arrivals.push_back(std::move(arrival));
        }
    }

    void folder(const json& node, Folder& f, Folder* parent, Store* store, size_t uid)
    {
        if (!node.is_object()) Fail(L"a folder must be an object");
        f.parent = parent;
        f.store = store;
        folderKeys(node, f);
        if (f.entryId.empty()) foldersWithoutId.emplace_back(&f, uid);
        else takeId(f.entryId);
        if (const json* items = JsonMember(node, "items")) {
            if (!items->is_array()) Fail(L"items of " + f.name + L" must be a list");
            f.items.reserve(items->size());
            for (auto& i : *items) f.items.push_back(item(i, &f, uid));
        }
        if (const json* list = JsonMember(node, "arrivals")) arrivals(*list, f, uid);
        if (const json* folders = JsonMember(node, "folders")) {
            if (!folders->is_array()) Fail(L"folders of " + f.name + L" must be a list");
            for (auto& sub : *folders) {
                f.folders.push_back(std::make_unique<Folder>());
                folder(sub, *f.folders.back(), &f, store, uid);
            }
        }
    }

    void assignIds()
    {
        std::uint64_t seq = 1;
        // `taken` holds the IDs the profile fixed; generated ones never repeat among themselves.
        auto next = [&](size_t uid, const char* tag) {
            std::string id = "00000000" + uids[uid] + tag + "0000000000000000";
            for (;;) {
                std::uint64_t n = seq++;
                for (size_t i = id.size(); n; n >>= 4) id[--i] = "0123456789ABCDEF"[n & 15];
                std::wstring wide(id.begin(), id.end());
                if (!taken.count(wide)) return wide;
            }
        };
        for (auto& [f, uid] : foldersWithoutId) f->entryId = next(uid, "01000000");
        for (auto& [i, uid] : itemsWithoutId) i->entryId = next(uid, "07000000");
    }
};

ordered_json ItemJson(const Item& item)
{
    ordered_json i = ordered_json::object();
    i["messageClass"] = Narrow(item.messageClass);
    i["entryID"] = Narrow(item.entryId);
    for (auto& [id, value] : item.props) i[Narrow(MemberName(id))] = ValueJson(value);
    if (!item.attachments.empty()) {
        ordered_json names = ordered_json::array();
        for (auto& a : item.attachments) names.push_back(Narrow(a));
        i["attachments"] = std::move(names);
    }
    if (!item.fail.empty()) i["fail"] = FailJson(item.fail);
    return i;
}

void SerializeFolder(const Folder& f, ordered_json& node)
{
    node["name"] = Narrow(f.name);
    node["entryID"] = Narrow(f.entryId);
    node["defaultItemType"] = f.defaultItemType;
    if (!f.role.empty()) node["role"] = Narrow(f.role);
    if (!f.fail.empty()) node["fail"] = FailJson(f.fail);
    if (f.order != Order::AsListed) node["order"] = f.order == Order::NewestFirst ? "newestFirst" : "shuffled";
    if (f.seed) node["seed"] = f.seed;
    ordered_json items = ordered_json::array();
    for (auto& item : f.items) items.push_back(ItemJson(*item));
    if (!f.arrivals.empty()) {
        ordered_json list = ordered_json::array();
        for (auto& arrival : f.arrivals) {
            ordered_json due = ordered_json::array();
            for (auto& item : arrival.items) due.push_back(ItemJson(*item));
            list.push_back({{"afterCalls", arrival.afterCalls}, {"items", std::move(due)}});
        }
        node["arrivals"] = std::move(list);
    }
    node["items"] = std::move(items);
    ordered_json folders = ordered_json::array();
    for (auto& sub : f.folders) {
        ordered_json s = ordered_json::object();
        SerializeFolder(*sub, s);
        folders.push_back(std::move(s));
    }
    node["folders"] = std::move(folders);
}

// An HRESULT as a profile gives it: a number, a hexadecimal text, or one of the names below.
HRESULT ParseCode(const json& node, const char* what)
{
    static const std::pair<const char*, HRESULT> kNames[] = {
        {"RPC_E_CALL_REJECTED", RPC_E_CALL_REJECTED},
        {"RPC_E_SERVERCALL_RETRYLATER", RPC_E_SERVERCALL_RETRYLATER},
        {"MAPI_E_NOT_SUPPORTED", kMapiNotSupported},
        {"E_ABORT", E_ABORT},
    };
    if (node.is_number_integer()) return static_cast<HRESULT>(static_cast<std::uint32_t>(node.get<long long>()));
    const std::string text = node.is_string() ? node.get<std::string>() : "";
    for (auto& [name, code] : kNames) {
        if (SameKey(text, name)) return code;
    }
    if (text.size() > 2 && SameKey(text.substr(0, 2), "0x")) {
        char* end = nullptr;
        unsigned long value = std::strtoul(text.c_str() + 2, &end, 16);
        if (end && *end == '\0') return static_cast<HRESULT>(value);
    }
    Fail(L"the profile's " + Wide(what) + L" is no error code: " + Wide(node.dump()));
}

std::string CodeText(HRESULT code)
{
    return "0x" + Hex(static_cast<std::uint32_t>(code), 8);
}

Answers ParseAnswers(const json& root)
{
    Answers answers;
    if (const json* v = JsonMember(root, "rejectCalls")) answers.rejectCalls = v->get<long long>();
    if (const json* v = JsonMember(root, "rejectCode")) answers.rejectCode = ParseCode(*v, "rejectCode");
    if (const json* v = JsonMember(root, "guardAnswer")) {
        const std::string answer = v->get<std::string>();
        if (!SameKey(answer, "yes") && !SameKey(answer, "no")) Fail(L"guardAnswer must be \"yes\" or \"no\"");
        answers.guardRefuses = SameKey(answer, "no");
    }
    if (const json* v = JsonMember(root, "guardCode")) answers.guardCode = ParseCode(*v, "guardCode");
    return answers;
}

void AnswersJson(const Answers& answers, ordered_json& root)
{
    const Answers plain;
    if (answers.rejectCalls) root["rejectCalls"] = answers.rejectCalls;
    if (answers.rejectCode != plain.rejectCode) root["rejectCode"] = CodeText(answers.rejectCode);
    if (answers.guardRefuses) root["guardAnswer"] = "no";
    if (answers.guardCode != plain.guardCode) root["guardCode"] = CodeText(answers.guardCode);
}

std::string ReadWholeFile(const std::wstring& path, bool mustExist)
{
    gleaner::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (!mustExist) return {};
        Fail(L"cannot open the profile " + path);
    }
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file.get(), &size);
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(file.get(), text.data() + done, chunk, &read, nullptr) || read == 0) break;
        done += read;
    }
    text.resize(done);
    return text;
}

void WriteAll(HANDLE file, const std::string& text, const std::wstring& path)
{
    size_t done = 0;
    while (done < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, text.data() + done, chunk, &written, nullptr) || written == 0)
            Fail(L"cannot write " + path);
        done += written;
    }
}

void ParseStore(const json& node, size_t i, Store& store, Builder& builder)
{
    const json* name = node.is_object() ? JsonMember(node, "name") : nullptr;
    std::wstring storeName = name && name->is_string() ? Wide(name->get<std::string>()) : L"";
    std::wstring seed = storeName + L"#" + std::to_wstring(i);
    builder.uids.push_back(Hex(HashText(seed, 14695981039346656037ull), 16) + Hex(HashText(seed, 1099511628211ull), 16));
    store.uid = Wide(builder.uids[i]);
    store.top = std::make_unique<Folder>();
    builder.folder(node, *store.top, nullptr, &store, i);
    if (const json* id = JsonMember(node, "storeID")) store.storeId = Wide(id->get<std::string>());
    else store.storeId = Wide("0000000038A1BB1005E5101AA1BB08002B2A56C20000" + builder.uids[i]);
    if (const json* v = JsonMember(node, "requiresStoreID")) store.requiresStoreId = v->get<bool>();
    if (const json* v = JsonMember(node, "missingDefaultFolder")) {
        const std::string answer = v->get<std::string>();
        if (!SameKey(answer, "nothing") && !SameKey(answer, "fail"))
            Fail(L"missingDefaultFolder of " + storeName + L" must be \"fail\" or \"nothing\"");
        store.missingDefaultFolderIsNothing = SameKey(answer, "nothing");
    }
}

} // namespace

Profile::~Profile()
{
    try {
        fold();
    } catch (...) {
        // Nothing is lost: the journal stays and is replayed at the next load.
    }
}

void Profile::load(const std::wstring& path)
{
    path_ = path;
    journalPath_ = path + L".journal";
    parse(ReadWholeFile(path, true));
    replayJournal();
}

void Profile::loadReadOnly(const std::wstring& path)
{
    readOnly_ = true;
    load(path);
}

void Profile::parse(const std::string& text)
{
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {
        Fail(L"the profile " + path_ + L" is not valid JSON: " + Wide(e.what()));
    }
    if (!root.is_object()) Fail(L"the profile must be a JSON object");
    Builder builder;
    try {
        if (const json* v = JsonMember(root, "version")) version = Wide(v->get<std::string>());
        if (const json* u = JsonMember(root, "unavailable")) unavailable = u->get<bool>();
        if (const json* a = JsonMember(root, "application"); a && JsonMember(*a, "fail"))
            applicationFail = ParseFail(*JsonMember(*a, "fail"));
        if (const json* n = JsonMember(root, "namespace"); n && JsonMember(*n, "fail"))
            namespaceFail = ParseFail(*JsonMember(*n, "fail"));
        answers = ParseAnswers(root);
        if (const json* list = JsonMember(root, "addins")) {
            for (auto& node : *list) {
                AddIn addin;
                if (const json* v = JsonMember(node, "description")) addin.description = Wide(v->get<std::string>());
                if (const json* v = JsonMember(node, "progId")) addin.progId = Wide(v->get<std::string>());
                if (const json* v = JsonMember(node, "guid")) addin.guid = Wide(v->get<std::string>());
                if (const json* v = JsonMember(node, "connect")) addin.connect = v->get<bool>();
                if (const json* v = JsonMember(node, "fail")) addin.fail = ParseFail(*v);
                addins.push_back(std::move(addin));
            }
        }
        if (const json* list = JsonMember(root, "stores")) {
            if (!list->is_array()) Fail(L"\"stores\" must be a list");
            stores.resize(list->size());
            for (size_t i = 0; i < list->size(); ++i) ParseStore((*list)[i], i, stores[i], builder);
        }
    } catch (const json::exception& e) {
        Fail(L"the profile " + path_ + L" has a value of the wrong type: " + Wide(e.what()));
    }
    builder.assignIds();
    itemsById_.reserve(builder.itemsWithoutId.size() + builder.taken.size());
    index();
}


// Every folder and item that can be found by its entry ID; items still to arrive are not.
void Profile::index()
{
    std::vector<Folder*> pending;
    for (auto& store : stores) pending.push_back(store.top.get());
    while (!pending.empty()) {
        Folder* f = pending.back();
        pending.pop_back();
        foldersById_.emplace(f->entryId, f);
        for (auto& item : f->items) itemsById_.emplace(item->entryId, item);
        for (auto& sub : f->folders) pending.push_back(sub.get());
    }
}

std::shared_ptr<Item> Profile::findItem(std::wstring_view entryId) const
{
    auto found = itemsById_.find(std::wstring(entryId));
    return found == itemsById_.end() ? nullptr : found->second;
}

Folder* Profile::findFolder(std::wstring_view entryId) const
{
    auto found = foldersById_.find(std::wstring(entryId));
    return found == foldersById_.end() ? nullptr : found->second;
}

const Store* Profile::findStore(std::wstring_view storeId) const
{
    for (auto& store : stores) {
        if (store.storeId == storeId) return &store;
    }
    return nullptr;
}

int Profile::majorVersion() const
{
    int major = 0;
    for (wchar_t c : version) {
        if (c < L'0' || c > L'9') break;
        major = major * 10 + (c - L'0');
    }
    return major;
}

void Profile::applySet(Item& item, const std::vector<std::pair<int, Value>>& values)
{
    for (auto& [id, value] : values) item.set(id, value);
}

void Profile::applyMove(Item& item, Folder& destination, const std::wstring& newId)
{
    auto& from = item.parent->items;
    auto it = std::find_if(from.begin(), from.end(), [&](auto& p) { return p.get() == &item; });
    if (it == from.end()) return;
    std::shared_ptr<Item> keep = *it;
    from.erase(it);
    ++item.parent->version;
    if (!newId.empty() && newId != item.entryId) {
        // The old entry ID no longer finds the item.
        itemsById_.erase(item.entryId);
        item.entryId = newId;
        itemsById_[newId] = keep;
    }
    destination.items.push_back(std::move(keep));
    ++destination.version;
    item.parent = &destination;
    ++item.moves;
}

void Profile::applyRemove(Item& item)
{
    auto& from = item.parent->items;
    auto it = std::find_if(from.begin(), from.end(), [&](auto& p) { return p.get() == &item; });
    if (it != from.end()) from.erase(it);
    ++item.parent->version;
    ++item.moves;
    itemsById_.erase(item.entryId);
}

void Profile::applyArrival(Folder& folder)
{
    if (folder.arrivals.empty()) return;
    Arrival arrival = std::move(folder.arrivals.front());
    folder.arrivals.erase(folder.arrivals.begin());
    // New mail comes in at the top of the list, shifting every position after it.
    folder.items.insert(folder.items.begin(), arrival.items.begin(), arrival.items.end());
    for (auto& item : arrival.items) itemsById_[item->entryId] = item;
    ++folder.version;
}

// A moved item's new entry ID: the destination store's prefix and a tail derived from the old
// ID and the destination, so the same moves give the same IDs in every run.
std::wstring Profile::newEntryId(const Item& item, const Folder& destination) const
{
    const std::wstring seed = item.entryId + L">" + destination.entryId;
    for (std::uint64_t salt = 0;; ++salt) {
        std::wstring id = L"00000000" + destination.store->uid + L"07000000" +
                          Wide(Hex(HashText(seed, 14695981039346656037ull ^ salt), 16));
        if (!itemsById_.count(id) && !foldersById_.count(id)) return id;
    }
}

void Profile::replayJournal()
{
    std::string text = ReadWholeFile(journalPath_, false);
    size_t start = 0;
    bool any = false;
    // Only complete lines count: a change whose line was cut short by a kill never returned.
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        replayLine(text.substr(start, end - start));
        any = true;
    }
    if (any) changed_ = true;
    if (start < text.size() && !readOnly_) {
        // Drop the torn tail so that the next change starts on a line of its own.
        changed_ = true;
        gleaner::UniqueFile file(::CreateFileW(journalPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            LARGE_INTEGER at{};
            at.QuadPart = static_cast<LONGLONG>(start);
            ::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
            ::SetEndOfFile(file.get());
        }
    }
}

// One journal line. A "move" without "newId" (journals written before moves changed entry
// IDs) keeps the ID; "delete" is a deletion for good.
void Profile::replayLine(const std::string& line)
{
    json op = json::parse(line, nullptr, false);
    if (!op.is_object() || !op.contains("op")) return;
    const std::string kind = op["op"].is_string() ? op["op"].get<std::string>() : "";
    if (kind == "arrive") {
        if (Folder* folder = op.contains("folder") ? findFolder(Wide(op["folder"].get<std::string>())) : nullptr)
            applyArrival(*folder);
        return;
    }
    if (!op.contains("id")) return;
    std::shared_ptr<Item> item = findItem(Wide(op["id"].get<std::string>()));
    if (!item) return;
    if (kind == "set" && op.contains("values")) {
        std::vector<std::pair<int, Value>> values;
        for (auto& [key, value] : op["values"].items()) {
            std::wstring name = Wide(key);
            int id = RegisterMember(name);
            values.emplace_back(id, ValueFromJson(id, value, name));
        }
        applySet(*item, values);
    } else if (kind == "move" && op.contains("to")) {
        std::wstring newId = op.contains("newId") ? Wide(op["newId"].get<std::string>()) : item->entryId;
        if (Folder* to = findFolder(Wide(op["to"].get<std::string>()))) applyMove(*item, *to, newId);
    } else if (kind == "delete") {
        applyRemove(*item);
    }
}

void Profile::appendJournal(const std::string& line)
{
    if (readOnly_) Fail(L"the profile " + path_ + L" is open for reading only");
    if (!journal_) {
        journal_.reset(::CreateFileW(journalPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!journal_) Fail(L"cannot open the journal " + journalPath_);
    }
    // One write per change: once WriteFile returns, the system holds it even if this
    // process is killed.
    WriteAll(journal_.get(), line + "\n", journalPath_);
    changed_ = true;
}

void Profile::setValues(Item& item, const std::vector<std::pair<int, Value>>& values)
{
    ordered_json op = {{"op", "set"}, {"id", Narrow(item.entryId)}};
    ordered_json v = ordered_json::object();
    for (auto& [id, value] : values) v[Narrow(MemberName(id))] = ValueJson(value);
    op["values"] = std::move(v);
    appendJournal(op.dump());
    applySet(item, values);
}

void Profile::move(Item& item, Folder& destination)
{
    const std::wstring newId = newEntryId(item, destination);
    ordered_json op = {{"op", "move"}, {"id", Narrow(item.entryId)}, {"to", Narrow(destination.entryId)},
                       {"newId", Narrow(newId)}};
    appendJournal(op.dump());
    applyMove(item, destination, newId);
}

void Profile::remove(Item& item)
{
    Folder* bin = item.parent->store->deletedItems();
    if (bin && bin != item.parent) {
        move(item, *bin);
        return;
    }
    ordered_json op = {{"op", "delete"}, {"id", Narrow(item.entryId)}};
    appendJournal(op.dump());
    applyRemove(item);
}

void Profile::arriveDue(Folder& folder)
{
    while (!folder.arrivals.empty() && folder.calls >= folder.arrivals.front().afterCalls) {
        appendJournal(ordered_json({{"op", "arrive"}, {"folder", Narrow(folder.entryId)}}).dump());
        applyArrival(folder);
    }
}

std::string Profile::serialize() const
{
    ordered_json root = ordered_json::object();
    root["version"] = Narrow(version);
    if (unavailable) root["unavailable"] = true;
    if (!applicationFail.empty()) root["application"] = {{"fail", FailJson(applicationFail)}};
    if (!namespaceFail.empty()) root["namespace"] = {{"fail", FailJson(namespaceFail)}};
    AnswersJson(answers, root);
    ordered_json list = ordered_json::array();
    for (auto& a : addins) {
        ordered_json node = {{"description", Narrow(a.description)},
                             {"progId", Narrow(a.progId)},
                             {"guid", Narrow(a.guid)},
                             {"connect", a.connect}};
        if (!a.fail.empty()) node["fail"] = FailJson(a.fail);
        list.push_back(std::move(node));
    }
    root["addins"] = std::move(list);
    ordered_json storeList = ordered_json::array();
    for (auto& store : stores) {
        ordered_json node = ordered_json::object();
        SerializeFolder(*store.top, node);
        node["storeID"] = Narrow(store.storeId);
        if (store.requiresStoreId) node["requiresStoreID"] = true;
        if (store.missingDefaultFolderIsNothing) node["missingDefaultFolder"] = "nothing";
        storeList.push_back(std::move(node));
    }
    root["stores"] = std::move(storeList);
    return root.dump(1, '\t') + "\n";
}

void Profile::fold()
{
    if (!changed_ || path_.empty() || readOnly_) return;
    std::wstring temp = path_ + L".tmp";
    {
        gleaner::UniqueFile file(
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Fail(L"cannot write " + temp);
        WriteAll(file.get(), serialize(), temp);
    }
    if (!::MoveFileExW(temp.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail(L"cannot replace " + path_);
    journal_.reset();
    ::DeleteFileW(journalPath_.c_str());
    changed_ = false;
}

} // namespace standin
