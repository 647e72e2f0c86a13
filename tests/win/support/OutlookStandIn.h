#pragma once
// Test support for the Outlook stand-in (standins/outlook): profiles written to temporary
// files, and the stand-in's control object. See standins/outlook/README.md.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Dispatch.h"

namespace gleaner::test {

// A stand-in profile in a temporary file, named by OUTLOOK_STANDIN_PROFILE for as long as
// this object lives. The stand-in reads it when an Application is created (while no other
// Application of the process is alive), so release every Outlook object before this one
// goes: the file, its journal and the previous value of the variable are then cleaned up.
class StandInProfile {
public:
    // `json`: the profile text, UTF-8.
    explicit StandInProfile(std::string_view json);
    // A copy of a profile file, e.g. SourcePath("standins/profiles/demo.json").
    static StandInProfile CopyOf(const std::wstring& windowsPath);
    // The same, every item given a TestKey of its own (see WithTestKeys).
    static StandInProfile TaggedCopyOf(const std::wstring& windowsPath);
    ~StandInProfile();
    StandInProfile(StandInProfile&& other) noexcept;
    StandInProfile(const StandInProfile&) = delete;
    StandInProfile& operator=(const StandInProfile&) = delete;
    StandInProfile& operator=(StandInProfile&&) = delete;

    // The Windows path of the profile file; the journal is this path + ".journal".
    const std::wstring& path() const noexcept { return path_; }
    std::wstring journalPath() const { return path_ + L".journal"; }
    // The file's current text (after the stand-in folded its journal into it, say).
    std::string text() const;

private:
    StandInProfile() = default;
    void point();

    std::wstring path_;
    std::wstring previous_;
    bool hadPrevious_ = false;
    bool owner_ = false;
};

// A new Outlook.Application (the stand-in, as the registry says).
Dispatch CreateOutlook();
// Application.StandIn of an Application.
Dispatch StandInControl(const Dispatch& application);
// Calls and reads of a member (any object, name without regard to case) since the last reset.
long CallCount(const Dispatch& application, std::wstring_view member);
// A file of the source tree as a Windows path (Wine maps / to Z:).
std::wstring SourcePath(std::wstring_view relative);

// Moving an item, and so deleting it into Deleted Items, gives it a new entry ID, as Outlook
// does. Tests that follow an item across such changes give it a property of their own,
// "TestKey", which the program never reads.
inline constexpr wchar_t kTestKey[] = L"TestKey";
// Profile text (UTF-8) whose every item gets the TestKey "K00001", "K00002", ... in file order.
// Items are told apart from folders by their "messageClass", which each item must carry.
std::string WithTestKeys(std::string_view json);
// An item's TestKey, else (an item given none) its entry ID.
std::wstring TestKeyOf(const Dispatch& item);

} // namespace gleaner::test
