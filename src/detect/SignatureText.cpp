#include "detect/SignatureText.h"

namespace gleaner {

void AppendFramed(std::wstring& out, std::wstring_view text)
{
    out += std::to_wstring(text.size());
    out += L':';
    out += text;
}

void SignatureText::setFolderPath(std::wstring_view path)
{
    plain_.insert(0, path);
    folderFrame_.clear();
    // The 'F' keeps a folder path apart from a first value of the same text.
    folderFrame_ += L'F';
    AppendFramed(folderFrame_, path);
}

void SignatureText::appendValue(std::wstring_view value)
{
    plain_ += value;
    if (!value.empty()) hasValueText_ = true;
    AppendFramed(valueFrames_, value);
}

std::wstring KeyWithKind(int kind, std::wstring_view signature)
{
    std::wstring key = L"K" + std::to_wstring(kind) + L":";
    key += signature;
    return key;
}

std::wstring SignatureText::finish() const
{
    if (plain_ == kNotSupported) return std::wstring(kNotSupported);
    // Every value empty: only the folder path is left to compare (plain_ is not empty).
    if (!hasValueText_) return folderFrame_;
    return folderFrame_ + valueFrames_;
}

} // namespace gleaner
