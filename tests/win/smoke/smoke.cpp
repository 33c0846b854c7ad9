#include <gtest/gtest.h>
#include <windows.h>
TEST(Smoke, LoadsLibrary) {
  HMODULE m = LoadLibraryW(L"PellicorOverlays_x64_10060.dll");
  ASSERT_NE(m, nullptr);
  EXPECT_NE(GetProcAddress(m, "DllCanUnloadNow"), nullptr);
  FreeLibrary(m);
}
