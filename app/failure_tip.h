#pragma once
// The balloon tip under the address field that says why a resolution failed.
#include <windows.h>

#include <string>

namespace quorlin {

// Shows text in a balloon pointing at MainWindow.addressEdit; it goes away at
// the next keystroke or click in the program, or at the next request.
void ShowFailureTip(const std::string& text);
void HideFailureTip();

// The tip window (null until a first failure) and what it shows now; empty
// when it is hidden. For tests.
HWND FailureTipWindow();
std::string FailureTipText();

}  // namespace quorlin
