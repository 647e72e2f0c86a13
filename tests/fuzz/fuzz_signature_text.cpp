// Signature framing: two different sequences of values (and folder paths) never give the
// same signature, however their texts are split or what characters they hold.
#include <vector>

#include "FuzzInput.h"
#include "detect/SignatureText.h"

using namespace gleaner;

namespace {

struct Parts {
    std::wstring folder;
    bool hasFolder = false;
    std::vector<std::wstring> values;
    bool operator==(const Parts&) const = default;
};

SignatureText Build(const Parts& parts)
{
    SignatureText text;
    for (const std::wstring& value : parts.values) text.appendValue(value);
    // The search sets the path after the values; the order must not matter.
    if (parts.hasFolder) text.setFolderPath(parts.folder);
    return text;
}

// The same characters cut into parts at the places the input chooses.
Parts Cut(const std::wstring& all, fuzz::FuzzInput& in)
{
    Parts parts;
    std::size_t at = 0;
    if (in.Byte() & 1) {
        parts.hasFolder = true;
        const std::size_t length = in.Byte() % (all.size() + 1);
        parts.folder = all.substr(0, length);
        at = length;
    }
    const std::size_t count = in.Byte() % 6;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t length = i + 1 == count ? all.size() - at : in.Byte() % (all.size() - at + 1);
        parts.values.push_back(all.substr(at, length));
        at += length;
    }
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    std::wstring all = in.Text();
    if (in.Byte() & 1) all = std::wstring(kNotSupported) + all.substr(0, in.Byte() % 4);
    const Parts a = Cut(all, in);
    const Parts b = Cut(all, in);
    const SignatureText first = Build(a);
    const SignatureText second = Build(b);

    // The rules that look at the text see the values themselves, unframed.
    std::wstring plain = a.folder;
    for (const std::wstring& value : a.values) plain += value;
    FUZZ_CHECK(first.plain() == plain);
    FUZZ_CHECK(first.empty() == plain.empty());
    if (first.empty() || second.empty()) return 0;
    if (plain == kNotSupported) {
        FUZZ_CHECK(first.finish() == kNotSupported);
        return 0;
    }
    FUZZ_CHECK(first.finish() != kNotSupported);

    // Items whose values are all empty compare by folder alone, however many values they have.
    auto allEmpty = [](const Parts& p) {
        for (const std::wstring& value : p.values)
            if (!value.empty()) return false;
        return true;
    };
    const bool sameMeaning = allEmpty(a) && allEmpty(b) ? a.hasFolder == b.hasFolder && a.folder == b.folder : a == b;
    if (second.plain() != kNotSupported) FUZZ_CHECK((first.finish() == second.finish()) == sameMeaning);
    return 0;
}
