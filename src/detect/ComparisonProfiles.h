#pragma once
// What is compared per item kind: the property catalogue, the six ordered profile lists
// with their ticks, and the same-folder option. Portable; the Options dialog holds one
// instance and mirrors it in its check lists, and the searches read it at each use.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gleaner {

// In tab order of the Options dialog: kind k is shown by CheckListBox(k + 1).
enum class ItemKind { Calendar, Contact, Mail, Journal, Note, Task };
inline constexpr std::size_t kItemKindCount = 6;
inline constexpr std::array<ItemKind, kItemKindCount> kItemKinds = {
    ItemKind::Calendar, ItemKind::Contact, ItemKind::Mail, ItemKind::Journal, ItemKind::Note, ItemKind::Task};

// How a property's value becomes signature text.
enum class ValueForm { Text, DateTime, Number, Flag, AttachmentCount };

struct PropertyInfo {
    std::wstring_view caption; // exactly as the check list shows it
    std::wstring_view member;  // read late-bound by this name
    ValueForm form;
    std::wstring_view column;  // the fast-search column (Mail's "Attachments" row aside)
};

struct ItemKindInfo {
    ItemKind kind;
    std::wstring_view tabCaption;
    std::wstring_view messageClass;
    std::int32_t defaultItemType; // Outlook's item-type number of a folder of this kind
};

const ItemKindInfo& KindInfo(ItemKind kind);

// The kind of an exact, case-sensitive message class, tried in the order Calendar, Contact,
// Mail, Journal, Note, Task; empty for every other class.
std::optional<ItemKind> KindFromMessageClass(std::wstring_view messageClass);

// The kind a folder's DefaultItemType names; empty for any other number.
std::optional<ItemKind> KindFromDefaultItemType(std::int32_t defaultItemType);

// The rows of a kind's list, in their fixed order.
std::span<const PropertyInfo* const> ProfileRows(ItemKind kind);

// The fast-search column of one row of a kind's list.
std::wstring_view ColumnName(ItemKind kind, std::size_t row);

class ComparisonProfiles {
public:
    // A new dialog's state: no row ticked, same-folder option off.
    ComparisonProfiles();

    std::size_t rowCount(ItemKind kind) const { return ticks_[Index(kind)].size(); }
    // Throws std::out_of_range for a row the kind's list does not have.
    bool ticked(ItemKind kind, std::size_t row) const { return ticks_[Index(kind)].at(row) != 0; }
    void setTicked(ItemKind kind, std::size_t row, bool on) { ticks_[Index(kind)].at(row) = on ? 1 : 0; }

    // "Search for only same folder duplicates".
    bool sameFolder() const { return sameFolder_; }
    void setSameFolder(bool on) { sameFolder_ = on; }

    // The reset behind "Check default properties*" (the dialog's Button2 forwards here):
    // same-folder off, exactly the starred rows ticked. Nothing else on the dialog changes.
    void Button2Click();

    // The ticks used when no stored settings exist.
    void ApplyFirstStart();

    // Fills `columnList` with the fast-search columns of the ticked rows of the kind that a
    // folder's DefaultItemType names; any number outside 0-5 gives "Subject", "Body".
    void CheckedProps(std::int32_t defaultItemType, std::vector<std::wstring>& columnList) const;

private:
    static std::size_t Index(ItemKind kind) { return static_cast<std::size_t>(kind); }
    void clearAll();

    // char rather than bool: vector<bool> hands out no references and is slower to walk.
    std::array<std::vector<char>, kItemKindCount> ticks_;
    bool sameFolder_ = false;
};

} // namespace gleaner
