// A small handle object around one Win32 tooltip control window.
#pragma once

#include <windows.h>

namespace quorlin::graphics {

// Holds the tooltip window and the owner window whose client rectangles the
// tools describe. Copies share the same window; neither the object nor its
// owner destroys the tooltip window, which lives until the process ends.
// No operation checks results: before a successful Create every message goes
// to window 0, which the system ignores.
class Tooltip {
 public:
  // Creates a top-level (unowned) tooltip window, TTS_ALWAYSTIP, plus
  // TTS_BALLOON when balloon is true; tips wrap at 600 pixels.
  HWND Create(HWND owner, bool balloon = false);
  // When useRect is false the owner's client rectangle is used and written
  // back to rect. text is copied by the control.
  void AddTool(RECT& rect, bool useRect, const char* text, UINT_PTR id);
  // The control asks the owner for the text (TTN_GETDISPINFO).
  void AddCallbackTool(const RECT& rect, UINT_PTR id);
  LRESULT SetBackColor(COLORREF colour);
  LRESULT SetTextColor(COLORREF colour);
  LRESULT SetMaxWidth(int width);
  void DeleteTool(UINT_PTR id);
  int GetToolCount() const;
  void SetToolRect(UINT_PTR id, const RECT& rect);
  void SetToolText(UINT_PTR id, const char* text);
  HWND GetHandle() const { return tooltip_; }
  HWND GetOwner() const { return owner_; }

 private:
  void SendTool(UINT message, UINT_PTR id, const RECT* rect, const char* text) const;

  HWND tooltip_ = nullptr;
  HWND owner_ = nullptr;
};

}  // namespace quorlin::graphics
