// The X11 presenter of the stand-in (x11.cpp). It stays off, and the stand-in never
// touches an X server, until the program asks for the screen (GetSystemMetrics with
// SM_CMONITORS); the tests' in-process windows therefore never reach one.
#pragma once

namespace winapi_posix::user {

// Connects to the display named by DISPLAY, once; the number of screens (0 without one).
int ScreenConnect();
// The connection's descriptor for the queue's wait; -1 while the presenter is off.
int ScreenFd();
// Turns the X events that have arrived into the queue's input, close requests and repaints.
void ScreenPump();
// Brings the X windows in line with the top-level windows: made, titled, placed, mapped,
// and their pictures sent where they changed or were exposed. True when X events were
// read meanwhile, so the wait must not sleep on the connection now.
bool ScreenSync();

}  // namespace winapi_posix::user
