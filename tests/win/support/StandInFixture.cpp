#include "tests/win/support/StandInFixture.h"

#include <windows.h>

namespace pellicor::test
{

void StandInFixture::SetUp()
{
    std::wstring error;
    ASSERT_TRUE(server.Start(&error)) << Utf8(error);
}

void StandInFixture::TearDown()
{
    server.Stop();
}

void StandInFixture::RestartStandIn(bool neverReads)
{
    server.Stop();
    server.ClearHandlers();
    server.ClearRequests();
    server.SetNeverReads(neverReads);
    std::wstring error;
    ASSERT_TRUE(server.Start(&error)) << Utf8(error);
}

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

} // namespace pellicor::test
