// Placeholder entry until the main window exists: it says so and does nothing else.
#include "winapi.h"

#include <cstdio>

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "MEQ config: the main window is not built yet.", "MEQ config",
                MB_OK | MB_ICONINFORMATION);
    return 1;
}
#else
int main()
{
    std::fputs("meq-config: the main window is not built yet; try scripts/demo\n", stderr);
    return 1;
}
#endif
