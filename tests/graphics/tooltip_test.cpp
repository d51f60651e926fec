#include <doctest/doctest.h>

#include "graphics/tooltip.h"

#include <commctrl.h>

#include <string>

using quorlin::graphics::Tooltip;

namespace {

struct OwnerWindow {
  HWND hwnd = nullptr;
  OwnerWindow() {
    hwnd = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320,
                           200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    REQUIRE(hwnd != nullptr);
  }
  ~OwnerWindow() { DestroyWindow(hwnd); }
};

// Reads a tool back from the control.
bool QueryTool(HWND tip, HWND owner, UINT_PTR id, TOOLINFOA* info, char* text) {
  *info = TOOLINFOA{};
  info->cbSize = TTTOOLINFOA_V1_SIZE;
  info->hwnd = owner;
  info->uId = id;
  info->lpszText = text;
  return SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(info)) != 0;
}

}  // namespace

TEST_CASE("Create gives a rectangular or balloon tip, unowned, wrapping at 600") {
  OwnerWindow owner;
  struct Case {
    bool balloon;
    LONG_PTR style;
  } cases[] = {{false, 0x01}, {true, 0x41}};
  for (const Case& c : cases) {
    CAPTURE(c.balloon);
    Tooltip tip;
    HWND h = c.balloon ? tip.Create(owner.hwnd, true) : tip.Create(owner.hwnd);
    REQUIRE(h != nullptr);
    CHECK(tip.GetHandle() == h);
    CHECK(tip.GetOwner() == owner.hwnd);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    CHECK(std::string(cls) == "tooltips_class32");
    CHECK((GetWindowLongPtrA(h, GWL_STYLE) & 0xFF) == c.style);
    CHECK(GetParent(h) == nullptr);
    CHECK(GetWindow(h, GW_OWNER) == nullptr);
    CHECK(SendMessageA(h, TTM_GETMAXTIPWIDTH, 0, 0) == 600);
    CHECK(tip.SetMaxWidth(300) == 600);  // the previous width
    DestroyWindow(h);  // tests tidy up; the program leaves tips to process end
  }
}

TEST_CASE("tools: add, query, update, delete") {
  OwnerWindow owner;
  Tooltip tip;
  REQUIRE(tip.Create(owner.hwnd));
  CHECK(tip.GetToolCount() == 0);

  // useRect false: the owner's client area, written back to the caller.
  RECT whole{1, 2, 3, 4};
  tip.AddTool(whole, false, "整个窗口", 1);
  RECT client{};
  GetClientRect(owner.hwnd, &client);
  CHECK(EqualRect(&whole, &client));
  CHECK(whole.right > 100);

  RECT part{10, 20, 60, 40};
  tip.AddTool(part, true, "关闭", 2);
  CHECK(part.left == 10);  // left alone
  CHECK(part.bottom == 40);
  CHECK(tip.GetToolCount() == 2);

  TOOLINFOA info;
  char text[80] = {};
  REQUIRE(QueryTool(tip.GetHandle(), owner.hwnd, 2, &info, text));
  CHECK((info.uFlags & TTF_SUBCLASS) != 0);
  CHECK(EqualRect(&info.rect, &part));
  CHECK(std::string(text) == "关闭");

  // The control copied the text: changing the caller's buffer changes nothing.
  char buffer[16] = "最小化";
  tip.SetToolText(2, buffer);
  buffer[0] = 'x';
  REQUIRE(QueryTool(tip.GetHandle(), owner.hwnd, 2, &info, text));
  CHECK(std::string(text) == "最小化");

  RECT moved{100, 5, 140, 25};
  tip.SetToolRect(2, moved);
  REQUIRE(QueryTool(tip.GetHandle(), owner.hwnd, 2, &info, text));
  CHECK(EqualRect(&info.rect, &moved));

  tip.AddCallbackTool(RECT{0, 0, 5, 5}, 3);
  CHECK(tip.GetToolCount() == 3);
  REQUIRE(QueryTool(tip.GetHandle(), owner.hwnd, 3, &info, text));
  CHECK(info.lpszText == LPSTR_TEXTCALLBACKA);

  tip.DeleteTool(2);
  CHECK(tip.GetToolCount() == 2);
  CHECK_FALSE(QueryTool(tip.GetHandle(), owner.hwnd, 2, &info, text));

  tip.SetBackColor(RGB(1, 2, 3));
  CHECK(SendMessageA(tip.GetHandle(), TTM_GETTIPBKCOLOR, 0, 0) == RGB(1, 2, 3));
  tip.SetTextColor(RGB(4, 5, 6));
  CHECK(SendMessageA(tip.GetHandle(), TTM_GETTIPTEXTCOLOR, 0, 0) == RGB(4, 5, 6));

  // Copies address the same window.
  Tooltip copy = tip;
  CHECK(copy.GetHandle() == tip.GetHandle());
  CHECK(copy.GetToolCount() == 2);
  DestroyWindow(tip.GetHandle());
}

TEST_CASE("a Tooltip before Create sends to no window") {
  Tooltip tip;
  CHECK(tip.GetHandle() == nullptr);
  RECT r{0, 0, 1, 1};
  tip.AddTool(r, true, "x", 1);
  tip.DeleteTool(1);
  CHECK(tip.GetToolCount() == 0);
}

TEST_CASE("a long tip wraps at the maximum width") {
  OwnerWindow owner;
  Tooltip tip;
  REQUIRE(tip.Create(owner.hwnd));
  std::string longText;
  for (int i = 0; i < 40; ++i) longText += "wrapping words ";
  RECT r{0, 0, 50, 50};
  tip.AddTool(r, true, longText.c_str(), 7);
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = owner.hwnd;
  info.uId = 7;
  // Showing the tip makes the control lay out its text; then it reports the
  // bubble's size.
  SendMessageA(tip.GetHandle(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  LRESULT size = SendMessageA(tip.GetHandle(), TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&info));
  RECT shown{};
  GetWindowRect(tip.GetHandle(), &shown);
  SendMessageA(tip.GetHandle(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
  CHECK(shown.right - shown.left <= 620);
  const int width = LOWORD(size), height = HIWORD(size);
  CHECK(width <= 620);
  CHECK(height > 30);  // several lines
  DestroyWindow(tip.GetHandle());
}
