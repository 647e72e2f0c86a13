#include "BenchOutlook.h"

#include <algorithm>
#include <stdexcept>

#include "BenchClock.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace standin_bench {

namespace {

void WriteWholeFile(const std::wstring& path, const std::string& text)
{
    gleaner::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) throw std::runtime_error("cannot write " + gleaner::ToUtf8(path));
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        if (!::WriteFile(file.get(), text.data() + done, chunk, &written, nullptr) || !written)
            throw std::runtime_error("cannot write " + gleaner::ToUtf8(path));
        done += written;
    }
}

} // namespace

std::string ReadProfileFile(const std::wstring& path)
{
    gleaner::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) throw std::runtime_error("cannot read " + gleaner::ToUtf8(path));
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    return text;
}

BenchOutlook::BenchOutlook(const std::string& profileText, bool outOfProcess)
{
    wchar_t dir[MAX_PATH] = {}, path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    ::GetTempFileNameW(dir, L"obp", 0, path);
    path_ = path;
    WriteWholeFile(path_, profileText);
    // The MAPI-table stand-in asks Outlook for its profile; the in-process stand-in reads this.
    ::SetEnvironmentVariableW(L"OUTLOOK_STANDIN_PROFILE", path);
    const double start = Now();
    if (outOfProcess) {
        host_.emplace(path_);
        application_ = host_->application();
    } else {
        application_ = gleaner::Dispatch::Create(L"Outlook.Application");
    }
    control_ = application_.getObject(L"StandIn");
    control_.get(L"ProfilePath");
    startSeconds_ = Now() - start;
}

BenchOutlook::~BenchOutlook()
{
    control_.reset();
    application_.reset();
    host_.reset();
    ::DeleteFileW(path_.c_str());
    ::DeleteFileW((path_ + L".journal").c_str());
}

} // namespace standin_bench
