#pragma once
// Joins the parts of an item signature. Each part is framed (its length, then the text)
// so that no two different sequences of values join to the same text; the rules that
// look at the text (nothing to compare, the "notsupported" marker) look at the values
// themselves, unframed. Portable.
#include <string>
#include <string_view>

namespace gleaner {

inline constexpr std::wstring_view kNotSupported = L"notsupported";

class SignatureText {
public:
    // The path of the item's folder, in front of the values (same-folder option).
    void setFolderPath(std::wstring_view path);
    void appendValue(std::wstring_view value);

    // The unframed text: folder path and values put one directly after the other.
    const std::wstring& plain() const noexcept { return plain_; }

    // True when the plain text is empty: the item has nothing to compare and must match
    // nothing (the caller puts a fresh GUID in its place).
    bool empty() const noexcept { return plain_.empty(); }

    // The signature: kNotSupported when the plain text is exactly that marker, else the
    // framed parts. Items whose values are all empty keep only their folder path, so in
    // one folder they all match however many rows are ticked (the search keys still keep
    // kinds apart, see KeyWithKind).
    // Not meaningful when empty() (framing must not turn "nothing" into a comparable text).
    std::wstring finish() const;

private:
    std::wstring plain_;
    std::wstring folderFrame_;
    std::wstring valueFrames_;
    bool hasValueText_ = false;
};

// Length-prefixed form of one part: decimal length, ':', the text.
void AppendFramed(std::wstring& out, std::wstring_view text);

// A search key: the item's kind (its folder's item type number) in front of its signature or
// row key, so that items of different kinds whose values read alike never match.
std::wstring KeyWithKind(int kind, std::wstring_view signature);

} // namespace gleaner
