// GetFolderPath against the fake hierarchy.
#include <gtest/gtest.h>

#include "FakeFolders.h"
#include "folders/FolderPath.h"
#include "platform/ComError.h"
#include "platform/ComInit.h"

using fake::FolderDef;
using gleaner::GetFolderPath;

namespace {

TEST(FolderPathTest, BackslashBeforeEachNameFromTheTopDown)
{
    gleaner::ComInit com;
    fake::World world;
    world.NameSpace({{L"Mailbox", 0, {{L"Inbox", 0, {{L"Sub-folder", 0, {{L"a\\b", 0}}}}}}},
                     {L"Personal Folders", 0}});
    EXPECT_EQ(GetFolderPath(world.Folder({L"Mailbox"})), L"\\Mailbox");
    EXPECT_EQ(GetFolderPath(world.Folder({L"Mailbox", L"Inbox", L"Sub-folder"})), L"\\Mailbox\\Inbox\\Sub-folder");
    // A backslash in a name is not escaped.
    EXPECT_EQ(GetFolderPath(world.Folder({L"Mailbox", L"Inbox", L"Sub-folder", L"a\\b"})),
              L"\\Mailbox\\Inbox\\Sub-folder\\a\\b");
    EXPECT_EQ(GetFolderPath(gleaner::Dispatch()), L"");
}

TEST(FolderPathTest, StopsWhereNameFailsAndLetsAParentFailureThrough)
{
    gleaner::ComInit com;
    fake::World world;
    world.NameSpace({{L"Store", 0,
                      {{L"Hidden", 0, {{L"Below", 0}}, {{L"Name", L"No name here."}}},
                       {L"Orphan", 0, {{L"Child", 0}}, {{L"Parent", L"The parent is gone."}}}}}});
    // Name fails on the way up: the path so far is the result.
    EXPECT_EQ(GetFolderPath(world.Folder({L"Store", L"Hidden", L"Below"})), L"\\Below");
    try {
        GetFolderPath(world.Folder({L"Store", L"Orphan", L"Child"}));
        ADD_FAILURE() << "no exception";
    } catch (const gleaner::ComError& e) {
        EXPECT_EQ(e.message(), L"The parent is gone.");
    }
}

} // namespace
