// The Windows version names of the system log, and the help file's path.
#include <gtest/gtest.h>

#include "support/Links.h"
#include "support/WindowsVersion.h"

using namespace gleaner;

TEST(WindowsVersionTest, NamesFromPlatformVersionAndServicePack)
{
    struct Case {
        unsigned long platform, major, minor, build;
        const wchar_t* servicePack;
        const wchar_t* name;
    } cases[] = {
        {kPlatformWin9x, 4, 0, 950, L"", L"Windows 95"},
        {kPlatformWin9x, 4, 10, 2222, L" A ", L"Windows 98SE"},
        {kPlatformWin9x, 4, 10, 1998, L" B", L"Windows 98"},
        {kPlatformWin9x, 4, 10, 1998, L"A", L"Windows 98"}, // "A" must be the second character
        {kPlatformWin9x, 4, 10, 1998, L"", L"Windows 98"},
        {kPlatformWin9x, 4, 90, 3000, L"", L"Windows ME"},
        {kPlatformWin9x, 4, 3, 0, L"", L"Unknown"},
        {kPlatformWin9x, 5, 0, 0, L"", L"Unknown"},
        {kPlatformNt, 3, 51, 1057, L"", L"Windows NT"},
        {kPlatformNt, 4, 0, 1381, L"Service Pack 6", L"Windows NT"},
        {kPlatformNt, 5, 0, 2195, L"", L"Windows 2000"},
        {kPlatformNt, 5, 1, 2600, L"Service Pack 3", L"Windows XP"},
        {kPlatformNt, 5, 2, 3790, L"", L"Unknown"},
        {kPlatformNt, 6, 0, 6002, L"", L"Windows Vista"},
        {kPlatformNt, 6, 1, 7601, L"Service Pack 1", L"Windows Vista"},
        {kPlatformNt, 6, 2, 9200, L"", L"Windows Vista"},
        {kPlatformNt, 6, 3, 9600, L"", L"Windows Vista"},
        {kPlatformNt, 7, 0, 0, L"", L"Unknown"},
        {kPlatformNt, 10, 0, 19045, L"", L"Windows 10"},
        {kPlatformNt, 10, 0, 21999, L"", L"Windows 10"},
        {kPlatformNt, 10, 0, 22000, L"", L"Windows 11"},
        {kPlatformNt, 10, 0, 26100, L"", L"Windows 11"},
        {0, 6, 1, 7601, L"", L"Unknown"}, // Win32s
        {3, 10, 0, 0, L"", L"Unknown"},   // CE
    };
    for (const Case& c : cases) {
        WindowsVersionInfo v{c.platform, c.major, c.minor, c.build, c.servicePack};
        EXPECT_EQ(WindowsVersionName(WindowsVersionCode(v)), c.name)
            << c.platform << " " << c.major << "." << c.minor << "." << c.build;
    }
    EXPECT_EQ(WindowsVersionCode(std::nullopt), -1);
    EXPECT_EQ(WindowsVersionName(-1), L"Unknown");
    EXPECT_EQ(WindowsVersionCode(WindowsVersionInfo{kPlatformWin9x, 4, 0, 0, L""}), 0);
    EXPECT_EQ(WindowsVersionCode(WindowsVersionInfo{kPlatformNt, 6, 1, 0, L""}), 7);
}

TEST(HelpFilePathTest, TheExecutablesPathWithChm)
{
    EXPECT_EQ(HelpFilePath(L"C:\\Program Files\\Ostrel\\gleaner.exe"), L"C:\\Program Files\\Ostrel\\gleaner.chm");
    EXPECT_EQ(HelpFilePath(L"C:\\tools\\Renamed.Copy.EXE"), L"C:\\tools\\Renamed.Copy.chm");
    EXPECT_EQ(HelpFilePath(L"C:\\my.tools\\gleaner"), L"C:\\my.tools\\gleaner.chm");
    EXPECT_EQ(HelpFilePath(L"gleaner.exe"), L"gleaner.chm");
}
