// For tests only: switches of the stand-in's kernel part that real Windows has no way to
// set, for fuzzing and for failure paths. The system code never includes this header.
#pragma once

namespace testing_kernel {

// Scales every comm timeout of ReadFile and WriteFile (1 = as set, 0 = return at once
// with what is there), so a fuzzer can run short replies without waiting.
void SetCommTimeoutScale(double scale);
double CommTimeoutScale();

// While set, VirtualAlloc fails as when the system has no memory left.
void SetVirtualAllocFails(bool fails);

}  // namespace testing_kernel
