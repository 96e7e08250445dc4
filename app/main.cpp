// The program entry: the one application object, its message loop until the main window
// has been closed, and the end. No arguments, no environment, no files.
#include "config_application.h"

#ifndef _WIN32
#  include <cstdio>
#endif

namespace {

void RunTool()
{
    // Static storage, built on first use, after the runtime and the resources are up.
    static ConfigApplication tool;
    tool.Run();
}

}  // namespace

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RunTool();
    return 0;
}
#else
int main()
{
    // A window nobody can see or close would only hang here.
    if (GetSystemMetrics(SM_CMONITORS) == 0) {
        std::fputs("meq-config: no screen is available; the main window cannot be shown\n", stderr);
        return 1;
    }
    RunTool();
    return 0;
}
#endif
