// The end-to-end tests, or with "--tour <screenshot folder> <gleaner.exe>" the demo's tour,
// which drives the program with the same code.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "Tour.h"

int main(int argc, char** argv)
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (count >= 2 && std::wstring(arguments[1]) == L"--tour") {
        if (count != 4) {
            std::fputs("usage: e2e_tests --tour <screenshot folder> <gleaner.exe>\n", stderr);
            return 2;
        }
        const int result = gleaner::e2e::RunTour(arguments[3], arguments[2]);
        ::LocalFree(arguments);
        return result;
    }
    ::LocalFree(arguments);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
