#pragma once
// How many GDI and USER objects this process holds, for leak tests.
//
// GetGuiResources answers 0 under Wine, so where it does, the GDI count is
// read from the process's GDI handle table (the PEB's GdiSharedHandleTable,
// 24-byte entries whose type byte is non-zero while the handle lives) and
// the USER count is the number of windows the process owns.
namespace quorlin::test {

unsigned long GdiObjectCount();
unsigned long UserObjectCount();

}  // namespace quorlin::test
