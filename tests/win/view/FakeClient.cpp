// Stands in for drovana.exe when the sign-in link starts "the client": it only counts its starts.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (HANDLE starts = ::OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, L"PellicorViewTestClientStarts"))
    {
        ::ReleaseSemaphore(starts, 1, nullptr);
        ::CloseHandle(starts);
    }
    return 0;
}
