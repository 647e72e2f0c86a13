// The compiled help file beside the program, read back page by page through ITSS, and the
// help file's name for an executable of any name.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "ReportTestSupport.h"
#include "platform/ComInit.h"
#include "platform/ComPtr.h"
#include "support/HelpCommands.h"
#include "support/Links.h"

using namespace gleaner;
using namespace gleaner::test;

// ITSS, the system's reader of compiled help files; not in the SDK headers. Outside the anonymous
// namespace: there GCC may assume no object implements it and devirtualize the calls away.
const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

namespace {

std::wstring WindowsPath(const char* unixPath)
{
    std::wstring path = L"Z:" + std::wstring(unixPath, unixPath + std::strlen(unixPath));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The compiled file opened as a storage; its pages are streams named by their paths.
ComPtr<IStorage> OpenHelpFile(const std::wstring& chm)
{
    ComPtr<IITStorage> itss;
    ComPtr<IStorage> storage;
    if (FAILED(::CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                  reinterpret_cast<void**>(itss.put()))))
        return storage;
    itss->StgOpenStorage(chm.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.put());
    return storage;
}

std::optional<std::string> ReadPage(IStorage* storage, const wchar_t* page)
{
    ComPtr<IStream> stream;
    if (FAILED(storage->OpenStream(page, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put())))
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    ULONG read = 0;
    while (stream->Read(buffer, sizeof(buffer), &read) == S_OK && read > 0) bytes.append(buffer, read);
    return bytes;
}

} // namespace

TEST(HelpFileTest, PagesReadBackFromTheCompiledFile)
{
    ComInit com;
    const std::wstring chm = WindowsPath(GLEANER_HELP_FILE);
    ASSERT_TRUE(Exists(chm)) << Utf8(chm);
    ComPtr<IStorage> storage = OpenHelpFile(chm);
    ASSERT_TRUE(storage) << "ITSS cannot open " << Utf8(chm);
    std::map<std::wstring, std::string> pages;
    const struct {
        const wchar_t* page;
        const char* mustHold;
    } expected[] = {
        {L"index.html", "<title>Gleaner Help</title>"},
        {L"folders.html", "Only ticked folders are searched."},
        {L"search_options.html", "Search for only same folder duplicates"},
        {L"original_item.html", "Oldest creation time"},
        {L"removal.html", "Delete (permanetly)"},
        {L"fast_search.html", "Fast Search"},
        {L"hint.html", "Don&#39;t show this message again."},
        {L"support_report.html", "Gleaner.sys.log"},
        {L"keyboard.html", "<b>Alt+S</b> moves to the folder tree"},
        {L"toc.hhc", "removal.html"},
    };
    for (const auto& e : expected) {
        const auto page = ReadPage(storage.get(), e.page);
        ASSERT_TRUE(page) << Utf8(e.page);
        EXPECT_NE(page->find(e.mustHold), std::string::npos) << Utf8(e.page);
        // Every page leads back to the contents.
        if (std::wstring(e.page) != L"toc.hhc" && std::wstring(e.page) != L"index.html")
            EXPECT_NE(page->find("href=\"index.html\""), std::string::npos) << Utf8(e.page);
        pages[e.page] = *page;
    }
    // The four removal actions, each with what it does.
    const std::string& removal = pages.at(L"removal.html");
    for (const char* action : {"Delete (move to deleted items)", "Delete (permanetly)", "Move to folder",
                               "Modify subject for duplicates"})
        EXPECT_NE(removal.find(action), std::string::npos) << action;
}

TEST(HelpFileTest, TheHelpFileTakesTheExecutablesOwnName)
{
    const std::wstring exe = ExecutablePath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(HelpFilePath(exe), exe.substr(0, exe.size() - 4) + L".chm");
    EXPECT_NE(HelpFilePath(exe).find(L"\\report_tests.chm"), std::wstring::npos) << Utf8(exe);
}
