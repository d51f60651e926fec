#pragma once
// How many GDI and USER objects, threads and kernel handles this process
// holds, for leak tests.
//
// GetGuiResources answers 0 under Wine, so where it does, the GDI count asks
// GetObjectType about every handle index of the process's 16-bit GDI handle
// space (a handle whose high word is 0 names its table entry whatever the
// entry's reuse counter), and the USER count is the number of windows the
// process owns.
namespace quorlin::test {

unsigned long GdiObjectCount();
unsigned long UserObjectCount();

// True when both counters see objects come and go: a few brushes and a window
// are made and freed around two readings. A leak check built on a counter that
// cannot see objects compares 0 with 0 and proves nothing.
bool CountersSeeObjects();

// Threads of this process (a Toolhelp snapshot) and the kernel handles it
// holds (GetProcessHandleCount).
unsigned long ThreadCount();
unsigned long KernelHandleCount();
// True when both see a thread and a few events come and go, as above.
bool KernelCountersSeeObjects();

}  // namespace quorlin::test
