#pragma once
// Where the application hands its main window to the skin engine.

namespace quorlin {

// The engine's start values, set once during program start.
void SetSkinStartValues();
// Runs once MainWindow and all its controls exist.
void OnMainWindowCreated();

}  // namespace quorlin
