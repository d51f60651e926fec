// quorlin_bench: medians of the skinned main window's paints, of the range
// controls' paints, of start-up and of reply processing, each next to a baseline measured in the same run.
//
//   quorlin_bench            the full table (many repetitions)
//   quorlin_bench --quick    the same table with few repetitions
//   quorlin_bench --soak N   N rounds of repaints, hover fades, push-button
//                            hovers and presses, border drags, label changes
//                            and read-link round trips; exits 1 when GDI
//                            objects, USER objects or private bytes grew
//                            beyond a small allowance
#include "loopback_http.h"
#include "resource_counts.h"
#include "toolbar_gallery.h"

#include <windows.h>

#include <commctrl.h>
// ole2.h first: the GDI+ headers need its types.
#include <ole2.h>
#include <gdiplus.h>
#include <psapi.h>
#include <wininet.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/codecs.h"
#include "app/link_resolver.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/skin_hookup.h"
#include "assets/assets.h"
#include "graphics/drawing.h"
#include "skin/chrome/frame_paint.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/header.h"
#include "skin/controls/list.h"
#include "skin/controls/range.h"
#include "skin/chrome/picture_stretch.h"
#include "skin/controls/toolbar.h"
#include "skin/core/apply_skin.h"
#include "skin/core/button_skin.h"
#include "skin/core/gdi_handles.h"
#include "skin/core/painting.h"
#include "skin/core/skin_images.h"
#include "skin/core/skin_options.h"
#include "skin/core/skin_record.h"

namespace quorlin {
namespace bench {
// The read-link round trips of the soak go to the bench's own server on this
// port; when the port is taken the server takes a free one and the text is
// rewritten before the first request.
constexpr unsigned short ServicePort = 18620;
char ServiceAddressText[64] = "http://127.0.0.1:18620";
}  // namespace bench
const char* const ServiceBaseAddress = bench::ServiceAddressText;
}  // namespace quorlin

namespace {

using namespace quorlin;
using skin::SkinRecord;

// ---- clock and statistics ----------------------------------------------

double TicksPerMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  return perMs;
}

double NowMs() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / TicksPerMs();
}

template <typename F>
double TimeMs(F&& f) {
  const double t0 = NowMs();
  f();
  return NowMs() - t0;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool Quick = false;
int Reps(int full) { return Quick ? std::max(3, full / 25) : full; }

// ---- messages -------------------------------------------------------------

// Dispatches what is queued, then keeps doing so for about ms milliseconds.
// WM_QUIT (the main window's destruction posts one) is dropped.
void Pump(DWORD ms = 0) {
  const DWORD end = GetTickCount() + ms;
  for (int rounds = 0; rounds < 1000; ++rounds) {
    MSG m;
    for (int n = 0; n < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++n) {
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    const DWORD now = GetTickCount();
    if (ms == 0 || static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

// Paints everything invalid now, children included, and waits for GDI.
void PaintNow(HWND w) {
  UpdateWindow(w);
  GdiFlush();
}

// ---- owners -----------------------------------------------------------------

class UniqueWindow {
 public:
  UniqueWindow() = default;
  explicit UniqueWindow(HWND h) : h_(h) {}
  ~UniqueWindow() { reset(); }
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  HWND get() const { return h_; }
  void reset() {
    if (h_ && IsWindow(h_)) DestroyWindow(h_);
    h_ = nullptr;
    Pump();
  }

 private:
  HWND h_ = nullptr;
};

class UniqueHook {
 public:
  explicit UniqueHook(HHOOK h) : h_(h) {}
  ~UniqueHook() {
    if (h_) UnhookWindowsHookEx(h_);
  }
  UniqueHook(const UniqueHook&) = delete;
  UniqueHook& operator=(const UniqueHook&) = delete;

 private:
  HHOOK h_;
};

// A 32-bit DIB in a memory DC: the source of the BitBlt baselines.
class MemorySurface {
 public:
  MemorySurface(int w, int h)
      : dc_(CreateCompatibleDC(nullptr)), bitmap_(skin::CreateDib32(w, h)), select_(dc_.get(), bitmap_.get()) {
    PatBlt(dc_.get(), 0, 0, w, h, WHITENESS);
  }
  HDC dc() const { return dc_.get(); }

 private:
  skin::UniqueMemoryDc dc_;
  skin::UniqueBitmap bitmap_;
  skin::SelectedObject select_;
};

std::string Picture() {
  const auto& p = assets::BackgroundPicture;
  return std::string(reinterpret_cast<const char*>(p.data), p.size);
}

SIZE ClientSize(HWND w) {
  RECT r = {};
  GetClientRect(w, &r);
  return SIZE{r.right, r.bottom};
}

SIZE WindowSize(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// ---- where sent messages spend their time -----------------------------------------

// Inclusive time per (window class, message) of every message sent to a
// window of this thread while a profile is recording; nested messages count
// in their own entry and in the ones around them.
class MessageProfile {
 public:
  // One pair of hooks serves every profile: a pair per profile would record
  // each message once per profile alive.
  MessageProfile() {
    static UniqueHook before(SetWindowsHookExA(WH_CALLWNDPROC, Before, nullptr, GetCurrentThreadId()));
    static UniqueHook after(SetWindowsHookExA(WH_CALLWNDPROCRET, After, nullptr, GetCurrentThreadId()));
    current_ = this;
  }
  ~MessageProfile() { Stop(); }
  // Records into this profile (one profile records at a time).
  void Start() {
    current_ = this;
    open_.clear();
  }
  void Stop() {
    if (current_ == this) current_ = nullptr;
  }
  MessageProfile(const MessageProfile&) = delete;
  MessageProfile& operator=(const MessageProfile&) = delete;

  // The entries with the most time, per run of runs.
  std::string Top(size_t count, int runs) const {
    std::vector<std::pair<std::string, Entry>> sorted(totals_.begin(), totals_.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second.ms > b.second.ms; });
    std::string out;
    char line[160];
    for (size_t i = 0; i < sorted.size() && i < count; ++i) {
      std::snprintf(line, sizeof line, "%s%s %.2f ms (%.1fx)", i ? "; " : "", sorted[i].first.c_str(),
                    sorted[i].second.ms / runs, static_cast<double>(sorted[i].second.calls) / runs);
      out += line;
    }
    return out;
  }

 private:
  struct Entry {
    double ms = 0;
    long calls = 0;
  };
  struct Open {
    HWND window;
    UINT message;
    double start;
  };

  static std::string Key(HWND w, UINT m) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    static const struct {
      UINT id;
      const char* name;
    } names[] = {{WM_PAINT, "WM_PAINT"}, {WM_NCPAINT, "WM_NCPAINT"}, {WM_ERASEBKGND, "WM_ERASEBKGND"},
                 {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_SIZE, "WM_SIZE"}, {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
                 {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
                 {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_DESTROY, "WM_DESTROY"},
                 {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_CTLCOLOREDIT, "WM_CTLCOLOREDIT"},
                 {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"}, {WM_CTLCOLORBTN, "WM_CTLCOLORBTN"},
                 {WM_DRAWITEM, "WM_DRAWITEM"}, {WM_SETTEXT, "WM_SETTEXT"}, {WM_SETFOCUS, "WM_SETFOCUS"},
                 {WM_KILLFOCUS, "WM_KILLFOCUS"}, {WM_TIMER, "WM_TIMER"}, {WM_SETCURSOR, "WM_SETCURSOR"},
                 {WM_PRINTCLIENT, "WM_PRINTCLIENT"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"}};
    std::string message;
    for (const auto& n : names)
      if (n.id == m) message = n.name;
    if (message.empty()) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%04X", m);
      message = hex;
    }
    return std::string(cls) + " " + message;
  }

  static LRESULT CALLBACK Before(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && current_) {
      const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
      current_->open_.push_back(Open{m->hwnd, m->message, NowMs()});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK After(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && current_) {
      const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
      auto& open = current_->open_;
      // Close the innermost matching entry (a hook may miss a return).
      for (size_t i = open.size(); i-- > 0;) {
        if (open[i].window == m->hwnd && open[i].message == m->message) {
          Entry& e = current_->totals_[Key(m->hwnd, m->message)];
          e.ms += NowMs() - open[i].start;
          ++e.calls;
          open.resize(i);
          break;
        }
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline MessageProfile* current_ = nullptr;
  std::vector<Open> open_;
  std::map<std::string, Entry> totals_;
};

// ---- the main window, skinned or not -----------------------------------------

// Timestamps of the windows created while a main window is being made: the
// main window itself first, then its controls in creation order.
struct CreationTrace {
  bool active = false;
  bool placeholder = false;  // register a bare record so ApplySkin passes the window by
  HWND placeholderWindow = nullptr;
  std::vector<double> created;
  std::vector<std::string> classes;
  // When the first window of class cls began to be created; end when none.
  double First(const char* cls, double end) const {
    for (size_t i = 0; i < classes.size(); ++i)
      if (classes[i] == cls) return created[i];
    return end;
  }
};
CreationTrace Trace;

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && Trace.active) {
    const auto* cw = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    const HWND w = reinterpret_cast<HWND>(wParam);
    const char* cls = cw->lpcs->lpszClass;
    const bool isMain = HIWORD(reinterpret_cast<ULONG_PTR>(cls)) != 0 && std::strcmp(cls, MainWindowClass) == 0;
    if (isMain || !Trace.created.empty()) {
      Trace.created.push_back(NowMs());
      Trace.classes.push_back(HIWORD(reinterpret_cast<ULONG_PTR>(cls)) ? cls : "#atom");
    }
    if (isMain && Trace.placeholder) {
      Trace.placeholderWindow = w;
      // ApplySkin leaves a window alone that already has a record, and
      // SetWindowBackground needs the skin-id property, which this one lacks.
      auto record = std::make_unique<SkinRecord>();
      record->hwnd = w;
      skin::AppendSkinRecord(std::move(record));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Creates MainWindow the way the program does. Unskinned: no frame procedure,
// no child skins, no background (the engine's switch for child skinning is
// off meanwhile). Returns the window, not yet shown.
HWND CreateMain(bool skinned) {
  UniqueHook hook(SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId()));
  Trace = CreationTrace{};
  Trace.active = true;
  Trace.placeholder = !skinned;
  const int childSkinning = skin::ChildSkinningEnabled;
  if (!skinned) skin::ChildSkinningEnabled = 0;
  HWND w = CreateMainWindow(GetModuleHandleA(nullptr));
  Trace.active = false;
  if (!skinned) {
    skin::RemoveSkinRecord(skin::FindSkinId(Trace.placeholderWindow));
    skin::ChildSkinningEnabled = childSkinning;
  }
  return w;
}

void ShowMain(HWND w) {
  ShowWindow(w, SW_SHOWNORMAL);
  PaintNow(w);
}

// The options OnMainWindowCreated passes.
skin::SkinOptions MainWindowSkinOptions() {
  skin::SkinOptions o;
  o.resizable = 0;
  o.showTitle = 1;
  return o;
}

// A plain pop-up window of any size, skinned as the program skins its main
// window.
LRESULT CALLBACK PlainWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

bool RegisterPlainWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QuorlinBenchWindow";
    return RegisterClassExA(&wc) != 0;
  }();
  return registered;
}

HWND CreateSkinnedPlainWindow(int width, int height) {
  if (!RegisterPlainWindowClass()) return nullptr;
  HWND w = CreateWindowExA(0, "QuorlinBenchWindow", "Quorlin", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, width,
                           height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!w) return nullptr;
  skin::ApplySkin(w, MainWindowSkinOptions());
  skin::SetWindowBackground(w, Picture(), 3);
  skin::SetSkinOptions(1, 100);
  return w;
}

SkinRecord* RecordOf(HWND w) { return skin::SkinRecordById(skin::FindSkinId(w)); }

// ---- the table ------------------------------------------------------------------

struct Row {
  std::string name;
  double ms;
  std::string baselineName;
  double baselineMs;
  double target;  // the largest acceptable ratio; 0 none
};
std::vector<Row> Rows;
std::vector<std::string> Notes;

void AddRow(std::string name, double ms, std::string baselineName, double baselineMs, double target = 0) {
  Rows.push_back(Row{std::move(name), ms, std::move(baselineName), baselineMs, target});
  const Row& r = Rows.back();
  std::printf("  %-44s %10.4f ms   vs %-34s %10.4f ms   x%.2f\n", r.name.c_str(), r.ms, r.baselineName.c_str(),
              r.baselineMs, r.baselineMs > 0 ? r.ms / r.baselineMs : 0.0);
  std::fflush(stdout);
}

void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Note(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  Notes.push_back(buffer);
  std::printf("  . %s\n", buffer);
  std::fflush(stdout);
}

// Times a and b alternately, reps times each; the medians.
std::pair<double, double> Compare(int reps, const std::function<void()>& a, const std::function<void()>& b,
                                  const std::function<void()>& between = {}) {
  std::vector<double> ta, tb;
  for (int i = 0; i < reps; ++i) {
    ta.push_back(TimeMs(a));
    if (between) between();
    tb.push_back(TimeMs(b));
    if (between) between();
  }
  return {Median(ta), Median(tb)};
}

double BlitOnce(HWND w, const MemorySurface& source, int x, int y, int width, int height, bool wholeWindow = false) {
  skin::WindowDc dc(w, wholeWindow);
  return TimeMs([&] {
    BitBlt(dc.get(), x, y, width, height, source.dc(), x, y, SRCCOPY);
    GdiFlush();
  });
}

// ---- paint benchmarks ---------------------------------------------------------

// One WM_PAINT of the main window, with the repaints it asks for itself (the
// transparent labels over it). The children are not invalidated: each has
// its own paint, measured on its own below.
bool SteadyPaint(HWND w) {
  const SkinRecord* r = RecordOf(w);
  const bool steady = r && !r->fullRepaintNeeded;
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
  PaintNow(w);
  return steady;
}

// The whole window uncovered: it and every child repaint.
void UncoverPaint(HWND w) {
  InvalidateRect(w, nullptr, FALSE);
  PaintNow(w);
}

double MedianSteadyPaint(HWND w, int reps, double* blit) {
  const SIZE s = ClientSize(w);
  MemorySurface source(s.cx, s.cy);
  int fullRepaints = 0;
  std::vector<double> paint, copy;
  for (int i = 0; i < reps; ++i) {
    bool steady = true;
    paint.push_back(TimeMs([&] { steady = SteadyPaint(w); }));
    if (!steady) ++fullRepaints;
    copy.push_back(BlitOnce(w, source, 0, 0, s.cx, s.cy));
  }
  if (fullRepaints) Note("%d of %d steady-state paints found a full repaint pending", fullRepaints, reps);
  *blit = Median(copy);
  return Median(paint);
}

// A full recomposition that finds no kept background layer: the tint alpha
// flips between two values, so every repaint draws picture and outline anew.
std::pair<double, double> CompareColdPaintFrame(HWND w, int reps) {
  SkinRecord* r = RecordOf(w);
  const int id = skin::FindSkinId(w);
  const int alpha = r->tintAlpha;
  int flip = 0;
  auto result = Compare(
      reps, [&] { r->tintAlpha = alpha - (++flip & 1); skin::PaintFrame(id, false); GdiFlush(); },
      [&] { SteadyPaint(w); }, [&] { PaintNow(w); });
  r->tintAlpha = alpha;
  skin::PaintFrame(id, true);
  PaintNow(w);
  return result;
}

// The public pieces PaintFrame is made of, each timed on its own.
void NotePaintFrameParts(HWND w, int reps) {
  const int id = skin::FindSkinId(w);
  const SIZE s = ClientSize(w);
  const SkinRecord* r = RecordOf(w);
  MemorySurface target(s.cx, s.cy);
  std::vector<double> background, outline, title, buttons, region, children, dib;
  for (int i = 0; i < reps; ++i) {
    background.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(target.dc());
      skin::PaintBackground(g, id);
    }));
    outline.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(target.dc());
      skin::PaintOutline(id, g);
    }));
    title.push_back(TimeMs([&] { skin::PaintTitle(id, true); }));
    buttons.push_back(TimeMs([&] {
      for (int k = 1; k <= static_cast<int>(r->captionButtons.size()); ++k) skin::PaintCaptionButton(id, k, true, false, 0);
    }));
    dib.push_back(TimeMs([&] { skin::UniqueBitmap b(skin::CreateDib32(s.cx, s.cy)); }));
    region.push_back(TimeMs([&] { skin::SetFrameRegion(w); GdiFlush(); }));
    children.push_back(TimeMs([&] { skin::InvalidateSkinnedChildren(id); PaintNow(w); }));
  }
  Note("PaintFrame parts %dx%d: PaintBackground %.2f ms, PaintOutline %.2f ms, title %.2f ms, caption buttons %.2f ms,"
       " one %dx%d DIB %.3f ms (x3); with toWindow: SetFrameRegion %.2f ms, skinned children repaint %.2f ms",
       static_cast<int>(s.cx), static_cast<int>(s.cy), Median(background), Median(outline), Median(title),
       Median(buttons), static_cast<int>(s.cx), static_cast<int>(s.cy), Median(dib), Median(region), Median(children));
  // A full repaint copies the client area into the background layer and the
  // frame snapshot: into the surfaces it has, or into fresh ones.
  std::vector<double> keptCopy, freshCopy;
  for (int i = 0; i < reps; ++i) {
    keptCopy.push_back(TimeMs([&] {
      BitBlt(target.dc(), 0, 0, s.cx, s.cy, r->backBufferDc, 0, 0, SRCCOPY);
      GdiFlush();
    }));
    freshCopy.push_back(TimeMs([&] {
      skin::DibSurface fresh(s.cx, s.cy);
      BitBlt(fresh.dc(), 0, 0, s.cx, s.cy, r->backBufferDc, 0, 0, SRCCOPY);
      GdiFlush();
    }));
  }
  Note("a copy of the %dx%d client area: into a kept surface %.3f ms, into a fresh one %.2f ms",
       static_cast<int>(s.cx), static_cast<int>(s.cy), Median(keptCopy), Median(freshCopy));
  PaintNow(w);
}

// A five-column button-style header repainted through WM_PAINT, skinned and
// as the system paints it, side by side on one skinned window.
HWND CreateBenchHeader(HWND parent, int y) {
  HWND header = CreateWindowExA(0, WC_HEADERA, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 10, y, 440, 24, parent,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  const char* texts[] = {"名称", "大小", "格式", "时长", "网站"};
  for (int i = 0; i < 5; ++i) {
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.pszText = const_cast<char*>(texts[i]);
    item.cxy = 80;
    item.fmt = (i == 1 ? HDF_RIGHT : i == 2 ? HDF_CENTER : HDF_LEFT) | HDF_STRING;
    SendMessageA(header, HDM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  return header;
}

void BenchHeaderPaint() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  UniqueWindow window(CreateSkinnedPlainWindow(460, 120));
  HWND w = window.get();
  if (!w) return;
  HWND skinned = CreateBenchHeader(w, 40);
  skin::AttachHeaders(skin::FindSkinId(w), w);
  HWND plain = CreateBenchHeader(w, 80);  // after the attach pass: keeps the system look
  ShowWindow(w, SW_SHOWNOACTIVATE);
  Pump(50);
  PaintNow(w);
  auto repaint = [](HWND header) {
    InvalidateRect(header, nullptr, TRUE);
    PaintNow(header);
  };
  const auto [paint, system] = Compare(Reps(300), [&] { repaint(skinned); }, [&] { repaint(plain); });
  AddRow("header repaint, 5 columns 440x24", paint, "the same header unskinned", system);
}

// ---- toolbars -----------------------------------------------------------------------

// A flat toolbar of ten buttons, two of them disabled with a colourful icon.
HWND CreateBenchToolbar(HWND parent, int y, HIMAGELIST images) {
  HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_NOPARENTALIGN | CCS_NORESIZE |
                                 CCS_NODIVIDER | TBSTYLE_FLAT, 10, y, 440, 30, parent, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  const BYTE styles[10] = {BTNS_BUTTON, BTNS_CHECK, BTNS_CHECKGROUP, BTNS_CHECKGROUP, BTNS_DROPDOWN,
                           BTNS_WHOLEDROPDOWN, BTNS_BUTTON, BTNS_BUTTON, BTNS_BUTTON, BTNS_BUTTON};
  TBBUTTON buttons[10] = {};
  for (int i = 0; i < 10; ++i) {
    buttons[i].iBitmap = i < 8 ? i % 6 : quorlin::test::GalleryColourfulImage;
    buttons[i].idCommand = 900 + i;
    buttons[i].fsState = i < 8 ? TBSTATE_ENABLED : 0;
    buttons[i].fsStyle = styles[i];
  }
  buttons[2].fsState |= TBSTATE_CHECKED;
  SendMessageA(toolbar, TB_ADDBUTTONSA, 10, reinterpret_cast<LPARAM>(buttons));
  return toolbar;
}

void BenchToolbars() {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HIMAGELIST images = quorlin::test::CreateGalleryImages();
  {
    UniqueWindow window(CreateSkinnedPlainWindow(460, 120));
    HWND w = window.get();
    if (!w) return;
    HWND skinned = CreateBenchToolbar(w, 40, images);
    skin::AttachToolbars(skin::FindSkinId(w), w);
    HWND plain = CreateBenchToolbar(w, 80, images);  // after the attach pass: keeps the system look
    ShowWindow(w, SW_SHOWNOACTIVATE);
    Pump(50);
    PaintNow(w);
    auto repaint = [](HWND toolbar, bool full) {
      if (skin::ToolbarState* state = skin::ToolbarRecord(toolbar)) state->stale = full;
      InvalidateRect(toolbar, nullptr, TRUE);
      PaintNow(toolbar);
    };
    const auto [full, system] = Compare(Reps(200), [&] { repaint(skinned, true); }, [&] { repaint(plain, true); });
    AddRow("toolbar repaint, 10 buttons 440x30", full, "the same toolbar unskinned", system, 3.0);
    const auto [kept, system2] = Compare(Reps(200), [&] { repaint(skinned, false); }, [&] { repaint(plain, false); });
    AddRow("toolbar repaint from the composite 440x30", kept, "the same toolbar unskinned", system2);

    // The greyed icons against the whole repaint, and what the per-pixel GDI
    // calls of a GetPixel/SetPixel pass over one icon would cost instead.
    HICON icon = ImageList_GetIcon(images, quorlin::test::GalleryColourfulImage, ILD_TRANSPARENT);
    skin::DibSurface target(16, 16);
    std::vector<double> greyed, perPixel;
    for (int i = 0; i < Reps(200); ++i) {
      greyed.push_back(TimeMs([&] { skin::DrawGreyedIcon(target.dc(), 0, 0, icon, 0); }));
      perPixel.push_back(TimeMs([&] {
        for (int x = 0; x < 16; ++x)
          for (int y = 0; y < 16; ++y) SetPixel(target.dc(), x, y, GetPixel(target.dc(), x, y) ^ 1);
      }));
    }
    DestroyIcon(icon);
    Note("toolbar: a greyed 16x16 icon %.4f ms (two in a %.3f ms repaint, %.1f %%); a GetPixel/SetPixel pass over one"
         " icon would cost %.4f ms",
         Median(greyed), full, 200.0 * Median(greyed) / full, Median(perPixel));
  }
  ImageList_Destroy(images);
}

// ---- the glass push button ------------------------------------------------------

// The pieces of one PaintPushButton, each timed on its own over the button's
// real background: the picture behind it, a GDI+ Graphics on that picture,
// the glass (outline fill, body gradient, highlight, border), the caption,
// and the commit to the composite image and the window.
void NotePushButtonPaintParts(HWND button, int reps) {
  RECT rect;
  GetClientRect(button, &rect);
  const skin::ButtonState* state = skin::ControlRecord(button, &SkinRecord::buttons);
  if (!state) return;
  const float w = static_cast<float>(rect.right), h = static_cast<float>(rect.bottom);
  const auto argb = [](int alpha, COLORREF c) { return skin::ArgbFromColorRef(c, alpha, true); };
  std::vector<double> behind, surface, glass, caption, composite, windowCopy, compare, track;
  // Two cells of the button's size: a copy of what lies behind it, and a probe.
  skin::DibSurface cells(rect.right, 2 * rect.bottom);
  if (!cells) return;
  const size_t cell = static_cast<size_t>(rect.right) * static_cast<size_t>(rect.bottom);
  DWORD* probe = cells.bits() + cell;
  skin::CopyParentBackground(button, rect, cells.dc(), 0, 0);
  GdiFlush();
  int same = 0;
  for (int i = 0; i < reps; ++i) {
    behind.push_back(TimeMs([&] {
      skin::CachedDc image(skin::PaintParentBackground(button, rect));
      GdiFlush();
    }));
    skin::CachedDc image(skin::PaintParentBackground(button, rect));
    surface.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(image.get());
    }));
    glass.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(image.get());
      graphics::GraphicsPath outline, highlight;
      outline.Create();
      skin::AddRoundRectPath(outline, 0, 0, w - 1, h - 1, 5);
      highlight.Create();
      skin::AddTopRoundedPath(highlight, 0, 0, w - 1, static_cast<float>(static_cast<int>(h * 0.5f)), 5);
      graphics::SolidBrush white;
      white.Create(argb(120, 0xFFFFFF));
      g.FillPath(white, outline);
      graphics::LinearGradientBrush body, shine;
      body.Create(graphics::PointF(0, 0), graphics::PointF(0, h - 1), argb(0, 0xFFFFFF), argb(60, 0x808080));
      g.FillPath(body, outline);
      shine.Create(graphics::PointF(0, 0), graphics::PointF(0, h * 0.5f), argb(50, 0xFFFFFF), argb(10, 0xFFFFFF));
      g.FillPath(shine, highlight);
      graphics::Pen border;
      border.Create(argb(120, 0), 1.0f);
      g.DrawPath(border, outline);
      g.Flush(Gdiplus::FlushIntentionSync);
    }));
    caption.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(image.get());
      graphics::SolidBrush ink;
      graphics::Font font;
      graphics::StringFormat format;
      ink.Create(argb(255, 0));
      font.Create(state->fontFace.c_str(), static_cast<float>(state->fontSize), state->fontStyle, Gdiplus::UnitPixel);
      format.Create(0);
      format.SetAlign(Gdiplus::StringAlignmentCenter);
      format.SetLineAlign(Gdiplus::StringAlignmentCenter);
      g.DrawString(state->text.c_str(), font, graphics::RectF(0, 2, w, h), &format, ink);
      g.Flush(Gdiplus::FlushIntentionSync);
    }));
    composite.push_back(TimeMs([&] {
      skin::BlitToComposite(button, image.get());
      GdiFlush();
    }));
    windowCopy.push_back(TimeMs([&] {
      skin::WindowDc dc(button);
      BitBlt(dc.get(), 0, 0, rect.right, rect.bottom, image.get(), 0, 0, SRCCOPY);
      GdiFlush();
    }));
    compare.push_back(TimeMs([&] {
      GdiFlush();
      std::fill(probe, probe + cell, 0u);
      skin::CopyParentBackground(button, rect, cells.dc(), 0, rect.bottom);
      GdiFlush();
      same += std::equal(probe, probe + cell, cells.bits());
    }));
    track.push_back(TimeMs([&] {
      TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, button, 0};
      TrackMouseEvent(&tme);
    }));
  }
  Note("PaintPushButton %dx%d parts: picture behind %.4f ms, a Graphics on it %.4f ms, glass (fill, gradient,"
       " highlight, border) %.4f ms, caption %.4f ms, BlitToComposite %.4f ms, GetDC + BitBlt to the button +"
       " ReleaseDC %.4f ms; picture behind copied and compared with a kept one %.4f ms; TrackMouseEvent %.4f ms",
       static_cast<int>(rect.right), static_cast<int>(rect.bottom), Median(behind), Median(surface), Median(glass),
       Median(caption), Median(composite), Median(windowCopy), Median(compare), Median(track));
  if (same == 0) Note("(the picture behind the button never matched its copy)");
}

// An unskinned push button like the given one (size, text, font), on a plain
// window of its own just below the skinned window, so that neither covers the
// other on the screen; that window.
HWND CreatePlainTwin(HWND button, HWND* twin) {
  RECT r, top;
  GetWindowRect(button, &r);
  GetWindowRect(GetAncestor(button, GA_ROOT), &top);
  if (!RegisterPlainWindowClass()) return nullptr;
  HWND plain = CreateWindowExA(WS_EX_TOOLWINDOW, "QuorlinBenchWindow", "", WS_POPUP | WS_VISIBLE, r.left,
                               top.bottom + 20, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (!plain) return nullptr;
  char text[128] = {};
  GetWindowTextA(button, text, sizeof text);
  *twin = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, r.right - r.left,
                          r.bottom - r.top, plain, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(*twin, WM_SETFONT, static_cast<WPARAM>(SendMessageA(button, WM_GETFONT, 0, 0)), FALSE);
  PaintNow(plain);
  return plain;
}

// A hover step is the pointer entering or leaving the button. The skinned
// button repaints itself on both; the unskinned one is made to repaint on
// both, as a hot-tracking button does.
void BenchPushButtonHover(HWND button) {
  RECT rect;
  GetClientRect(button, &rect);
  const LPARAM centre = MAKELPARAM(rect.right / 2, rect.bottom / 2);
  HWND plain = nullptr;
  UniqueWindow plainTop(CreatePlainTwin(button, &plain));
  if (!plain) {
    Note("no unskinned twin of the push button; hover row skipped");
    return;
  }
  NotePushButtonPaintParts(button, Reps(100));
  int skinnedSteps = 0, plainSteps = 0;
  const auto skinnedStep = [&] {
    SendMessageA(button, (skinnedSteps++ & 1) ? WM_MOUSELEAVE : WM_MOUSEMOVE, 0, centre);
    GdiFlush();
  };
  const auto plainStep = [&] {
    SendMessageA(plain, (plainSteps++ & 1) ? WM_MOUSELEAVE : WM_MOUSEMOVE, 0, centre);
    RedrawWindow(plain, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    GdiFlush();
  };
  const auto [hover, plainHover] = Compare(Reps(400), skinnedStep, plainStep);
  char name[96];
  std::snprintf(name, sizeof name, "push button hover repaint %dx%d", static_cast<int>(rect.right),
                static_cast<int>(rect.bottom));
  AddRow(name, hover, "the same button unskinned, repainting", plainHover, 3.0);
  {
    MessageProfile profile;
    const int runs = Reps(100);
    for (int i = 0; i < runs; ++i) skinnedStep();
    profile.Stop();
    Note("skinned push button hover step, sent messages per step: %s", profile.Top(4, runs).c_str());
  }
  SendMessageA(button, WM_MOUSELEAVE, 0, 0);
  Pump(20);
}

void BenchMainWindowPaints() {
  std::printf("\nMain window paints\n");
  UniqueWindow main(CreateMain(true));
  HWND w = main.get();
  if (!w) {
    Note("CreateMainWindow failed; paint rows skipped");
    return;
  }
  ShowMain(w);
  Pump(100);
  PaintNow(w);
  const int id = skin::FindSkinId(w);
  const SIZE s = ClientSize(w);

  double blit = 0;
  const double steady = MedianSteadyPaint(w, Reps(400), &blit);
  AddRow("steady-state WM_PAINT 444x314", steady, "BitBlt of the client area", blit, 1.5);
  {
    const SIZE cs = ClientSize(w);
    MemorySurface source(cs.cx, cs.cy);
    std::vector<double> uncover, copy;
    for (int i = 0; i < Reps(100); ++i) {
      uncover.push_back(TimeMs([&] { UncoverPaint(w); }));
      copy.push_back(BlitOnce(w, source, 0, 0, cs.cx, cs.cy));
    }
    AddRow("uncovered: window and 13 children repaint", Median(uncover), "BitBlt of the client area", Median(copy));
  }

  // Where a steady paint goes: the back-buffer copy and the labels it
  // invalidates (they repaint inside the same UpdateWindow).
  {
    std::vector<double> own, labels;
    for (int i = 0; i < Reps(200); ++i) {
      own.push_back(TimeMs([&] {
        skin::WindowDc dc(w);
        skin::BlitBackBuffer(id, dc.get());
        GdiFlush();
      }));
      labels.push_back(TimeMs([&] {
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
          if (GetWindowLongPtrA(c, GWL_EXSTYLE) & WS_EX_TRANSPARENT) InvalidateRect(c, nullptr, FALSE);
        PaintNow(w);
      }));
    }
    Note("steady paint parts: BlitBackBuffer %.4f ms, repainting the transparent labels %.4f ms", Median(own),
         Median(labels));
    const int runs = Reps(100);
    {
      MessageProfile profile;
      for (int i = 0; i < runs; ++i) SteadyPaint(w);
      Note("steady paint, sent messages per paint: %s", profile.Top(6, runs).c_str());
    }
    MessageProfile profile;
    for (int i = 0; i < runs; ++i) UncoverPaint(w);
    Note("uncovered window, sent messages per paint: %s", profile.Top(8, runs).c_str());
  }

  const auto [frameOff, steady2] = Compare(
      Reps(60), [&] { skin::PaintFrame(id, false); GdiFlush(); }, [&] { SteadyPaint(w); }, [&] { PaintNow(w); });
  AddRow("PaintFrame(id, false) 444x314", frameOff, "steady-state WM_PAINT", steady2);
  const auto [frameOn, steady3] = Compare(
      Reps(60), [&] { skin::PaintFrame(id, true); GdiFlush(); }, [&] { SteadyPaint(w); }, [&] { PaintNow(w); });
  AddRow("PaintFrame(id, true) 444x314", frameOn, "steady-state WM_PAINT", steady3);
  const auto [frameCold, steady4] = CompareColdPaintFrame(w, Reps(30));
  AddRow("PaintFrame(id, false) 444x314, nothing kept", frameCold, "steady-state WM_PAINT", steady4);
  NotePaintFrameParts(w, Reps(30));

  // Caption button hover fade, through the frame procedure: onto the button,
  // hover, eight timer steps in; off the caption row, eight steps out.
  {
    const SkinRecord* r = RecordOf(w);
    const skin::CaptionButton& b = r->captionButtons.back();
    const int bx = static_cast<int>(b.rect.x) - 2, by = static_cast<int>(b.rect.y);
    const int bw = b.width + 2, bh = b.height + 1;
    const LPARAM onButton = MAKELPARAM(static_cast<int>(b.rect.x + b.rect.width / 2),
                                       static_cast<int>(b.rect.y + b.rect.height / 2));
    const LPARAM offRow = MAKELPARAM(s.cx / 2, s.cy / 2);
    MemorySurface source(s.cx, s.cy);
    std::vector<double> steps, copies;
    const WPARAM timer = reinterpret_cast<WPARAM>(w);
    for (int i = 0; i < Reps(60); ++i) {
      SendMessageA(w, WM_MOUSEMOVE, 0, onButton);
      SendMessageA(w, WM_MOUSEHOVER, 0, onButton);
      for (int k = 0; k < 8; ++k) {
        steps.push_back(TimeMs([&] { SendMessageA(w, WM_TIMER, timer, 0); GdiFlush(); }));
        copies.push_back(BlitOnce(w, source, bx, by, bw, bh));
      }
      SendMessageA(w, WM_MOUSEMOVE, 0, offRow);
      for (int k = 0; k < 8; ++k) {
        steps.push_back(TimeMs([&] { SendMessageA(w, WM_TIMER, timer, 0); GdiFlush(); }));
        copies.push_back(BlitOnce(w, source, bx, by, bw, bh));
      }
    }
    Pump(50);
    char name[96];
    std::snprintf(name, sizeof name, "hover step (WM_TIMER) %dx%d button", bw, bh);
    AddRow(name, Median(steps), "BitBlt of the button rectangle", Median(copies), 3.0);

    const int index = static_cast<int>(r->captionButtons.size());
    std::vector<double> direct, copies2;
    for (int i = 0; i < Reps(300); ++i) {
      const int alpha = 30 * (1 + i % 8);
      direct.push_back(TimeMs([&] { skin::PaintCaptionButton(id, index, false, false, alpha); GdiFlush(); }));
      copies2.push_back(BlitOnce(w, source, bx, by, bw, bh));
    }
    skin::PaintCaptionButton(id, index, false, false, 0);
    AddRow("PaintCaptionButton(id, i, false, false, a)", Median(direct), "BitBlt of the button rectangle",
           Median(copies2), 3.0);

    // What a step costs around its copy: the message itself, and a copy that
    // has to fetch the window's DC as every paint to the window does.
    std::vector<double> dispatch, dcCopy, cold;
    for (int i = 0; i < Reps(300); ++i) {
      dispatch.push_back(TimeMs([&] { SendMessageA(w, WM_TIMER, timer + 1, 0); }));
      dcCopy.push_back(TimeMs([&] {
        skin::WindowDc dc(w);
        BitBlt(dc.get(), bx, by, bw, bh, source.dc(), bx, by, SRCCOPY);
        GdiFlush();
      }));
    }
    for (int i = 0; i < Reps(20); ++i) {
      skin::PaintFrame(id, false);  // a new title snapshot forgets the composed looks
      cold.push_back(TimeMs([&] { skin::PaintCaptionButton(id, index, false, false, 30 * (1 + i % 8)); GdiFlush(); }));
    }
    skin::PaintFrame(id, true);
    PaintNow(w);
    Note("hover step around the copy: WM_TIMER of another id through the frame procedure %.4f ms;"
         " GetDC + BitBlt of the button + ReleaseDC %.4f ms; a look composed for the first time %.4f ms",
         Median(dispatch), Median(dcCopy), Median(cold));

    // Parts of one step: decoding the glyph PNG, which every step does.
    std::vector<double> decode;
    for (int i = 0; i < Reps(300); ++i)
      decode.push_back(TimeMs([&] {
        graphics::Image glyph;
        glyph.FromBytes(b.glyph.data(), b.glyph.size());
        glyph.GetWidth();
      }));
    std::vector<double> surface, draw;
    MemorySurface scratch(s.cx, s.cy);
    graphics::Image glyph;
    glyph.FromBytes(b.glyph.data(), b.glyph.size());
    for (int i = 0; i < Reps(300); ++i) {
      surface.push_back(TimeMs([&] {
        graphics::Graphics g;
        g.FromHDC(scratch.dc());
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
      }));
      draw.push_back(TimeMs([&] {
        graphics::Graphics g;
        g.FromHDC(scratch.dc());
        g.DrawImageRect(glyph, b.rect.x, b.rect.y, static_cast<float>(b.width), static_cast<float>(b.height));
      }));
    }
    Note("hover step pieces: glyph PNG decode %.4f ms, a GDI+ Graphics on a %dx%d DC %.4f ms,"
         " Graphics + one decoded glyph drawn %.4f ms",
         Median(decode), static_cast<int>(s.cx), static_cast<int>(s.cy), Median(surface), Median(draw));
  }

  // The edit field's border ring.
  {
    HWND edit = MainWindow.addressEdit;
    const SIZE e = WindowSize(edit);
    MemorySurface source(e.cx, e.cy);
    std::vector<double> frame, copies;
    for (int i = 0; i < Reps(300); ++i) {
      frame.push_back(TimeMs([&] { skin::PaintEditFrame(edit, false, true, false, true); GdiFlush(); }));
      copies.push_back(BlitOnce(edit, source, 0, 0, e.cx, e.cy, true));
    }
    char name[96];
    std::snprintf(name, sizeof name, "PaintEditFrame %dx%d", static_cast<int>(e.cx), static_cast<int>(e.cy));
    AddRow(name, Median(frame), "BitBlt of the control's size", Median(copies));
  }
  Pump(20);
  BenchHeaderPaint();
}

// ---- range controls -------------------------------------------------------------

// A window holding a trackbar, a progress bar and an up-down control; skinned
// as the program skins its windows, or left plain for the baseline.
struct RangeWindow {
  RangeWindow() = default;
  RangeWindow(const RangeWindow&) = delete;
  RangeWindow& operator=(const RangeWindow&) = delete;
  ~RangeWindow() {
    if (window && IsWindow(window)) DestroyWindow(window);
    Pump();
  }
  HWND window = nullptr;
  HWND trackbar = nullptr, progress = nullptr, upDown = nullptr;
};

LRESULT CALLBACK RangeWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

void CreateRangeWindow(RangeWindow& out, bool skinned, int x) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RangeWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "QuorlinBenchRange";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "QuorlinBenchRange", "range", WS_POPUP, x, 40, 300, 160, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  out.window = w;
  auto child = [&](const char* cls, DWORD style, int cx, int cy, int cw, int ch) {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, cx, cy, cw, ch, w, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  };
  out.trackbar = child(TRACKBAR_CLASSA, TBS_ENABLESELRANGE, 20, 40, 200, 30);
  SendMessageA(out.trackbar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
  SendMessageA(out.trackbar, TBM_SETSEL, FALSE, MAKELPARAM(20, 60));
  SendMessageA(out.trackbar, TBM_SETPOS, TRUE, 40);
  out.progress = child(PROGRESS_CLASSA, 0, 20, 80, 200, 16);
  SendMessageA(out.progress, PBM_SETPOS, 60, 0);
  out.upDown = child(UPDOWN_CLASSA, 0, 240, 40, 18, 40);
  if (skinned) {
    skin::ApplySkin(w, {});
    skin::SetWindowBackground(w, Picture(), 3);
  }
  ShowWindow(w, SW_SHOWNOACTIVATE);
  PaintNow(w);
  Pump(50);
}

double MedianRepaint(HWND control, int reps) {
  std::vector<double> t;
  for (int i = 0; i < reps; ++i)
    t.push_back(TimeMs([&] {
      InvalidateRect(control, nullptr, TRUE);
      UpdateWindow(control);
      GdiFlush();
    }));
  return Median(t);
}

void BenchRangeControls() {
  std::printf("\nRange controls\n");
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&init);
  RangeWindow skinned, plain;
  CreateRangeWindow(skinned, true, 40);
  CreateRangeWindow(plain, false, 400);
  if (!skinned.window || !plain.window) {
    Note("range windows not created; rows skipped");
    return;
  }
  struct Control {
    const char* name;
    HWND skinned, plain;
  } const controls[] = {
      {"trackbar", skinned.trackbar, plain.trackbar},
      {"progress bar", skinned.progress, plain.progress},
      {"up-down", skinned.upDown, plain.upDown},
  };
  for (const Control& c : controls) {
    const SIZE size = WindowSize(c.skinned);
    MedianRepaint(c.skinned, 5);
    MedianRepaint(c.plain, 5);
    const double own = MedianRepaint(c.skinned, Reps(300)), system = MedianRepaint(c.plain, Reps(300));
    char name[96], baseline[96];
    std::snprintf(name, sizeof name, "%s repaint %dx%d", c.name, static_cast<int>(size.cx), static_cast<int>(size.cy));
    std::snprintf(baseline, sizeof baseline, "the same %s unskinned", c.name);
    AddRow(name, own, baseline, system);
  }

  // A hover step: the mouse crosses into the other half, which repaints it.
  HWND ud = skinned.upDown;
  const SIZE u = WindowSize(ud);
  const LPARAM halves[2] = {MAKELPARAM(u.cx / 2, 2), MAKELPARAM(u.cx / 2, u.cy - 3)};
  int next = 0;
  auto step = [&] {
    SendMessageA(ud, WM_MOUSEMOVE, 0, halves[next]);
    next ^= 1;
    GdiFlush();
  };
  auto kept = [&] {
    skin::KeepUpDownGlyphs = true;
    step();
  };
  auto decoded = [&] {
    skin::KeepUpDownGlyphs = false;
    step();
  };
  kept();
  decoded();
  const auto [withKept, withDecode] = Compare(Reps(300), kept, decoded);
  skin::KeepUpDownGlyphs = true;
  SendMessageA(ud, WM_MOUSELEAVE, 0, 0);
  AddRow("up-down hover step, glyphs kept", withKept, "glyphs decoded at every paint", withDecode);
  Pump(20);
}

// The glass push button of the main window: one paint as for the frame's
// WM_DRAWITEM, its pieces, and a hover against the same button unskinned.
void BenchPushButtons() {
  std::printf("\nGlass push buttons\n");
  UniqueWindow main(CreateMain(true));
  HWND w = main.get();
  if (!w) {
    Note("CreateMainWindow failed; push button rows skipped");
    return;
  }
  ShowMain(w);
  Pump(100);
  PaintNow(w);
  HWND button = MainWindow.readLinkButton;
  RECT rect;
  GetClientRect(button, &rect);
  {
    MemorySurface source(rect.right, rect.bottom);
    std::vector<double> paint, copies;
    for (int i = 0; i < Reps(300); ++i) {
      paint.push_back(TimeMs([&] {
        skin::WindowDc dc(button);
        skin::PaintPushButton(button, dc.get(), 0, rect);
        GdiFlush();
      }));
      copies.push_back(BlitOnce(button, source, 0, 0, rect.right, rect.bottom));
    }
    char name[96];
    std::snprintf(name, sizeof name, "PaintPushButton %dx%d", static_cast<int>(rect.right),
                  static_cast<int>(rect.bottom));
    AddRow(name, Median(paint), "BitBlt of the control's size", Median(copies));
  }
  {
    // Every paint finds its kept looks made from another accent colour.
    const COLORREF accent = skin::AccentColour;
    MemorySurface source(rect.right, rect.bottom);
    std::vector<double> paint, copies;
    for (int i = 0; i < Reps(150); ++i) {
      skin::AccentColour = accent ^ static_cast<COLORREF>(1 + (i & 1));
      paint.push_back(TimeMs([&] {
        skin::WindowDc dc(button);
        skin::PaintPushButton(button, dc.get(), 0, rect);
        GdiFlush();
      }));
      copies.push_back(BlitOnce(button, source, 0, 0, rect.right, rect.bottom));
    }
    skin::AccentColour = accent;
    char name[96];
    std::snprintf(name, sizeof name, "PaintPushButton %dx%d, nothing kept", static_cast<int>(rect.right),
                  static_cast<int>(rect.bottom));
    AddRow(name, Median(paint), "BitBlt of the control's size", Median(copies));
  }
  BenchPushButtonHover(button);
}

// ---- list controls -------------------------------------------------------

struct ListBenchControls {
  HWND window = nullptr;
  HWND listBox = nullptr, listView = nullptr, treeView = nullptr;
};

// The same list box, report list view and tree view, with the same items, on
// a plain or a skinned window.
ListBenchControls CreateListBenchWindow(bool skinned, int x) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "QuorlinBenchLists";
  RegisterClassA(&wc);
  ListBenchControls c;
  c.window = CreateWindowExA(0, wc.lpszClassName, "lists", WS_POPUP, x, 20, 520, 200, nullptr, nullptr,
                             wc.hInstance, nullptr);
  auto add = [&](const char* cls, DWORD style, int left, int width) {
    return CreateWindowExA(WS_EX_CLIENTEDGE, cls, "", WS_CHILD | WS_VISIBLE | style, left, 40, width, 140, c.window,
                           nullptr, wc.hInstance, nullptr);
  };
  c.listBox = add("ListBox", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 10, 150);
  c.listView = add(WC_LISTVIEWA, LVS_REPORT, 170, 170);
  c.treeView = add(WC_TREEVIEWA, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, 350, 160);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 80;
  for (int i = 0; i < 2; ++i) {
    column.pszText = const_cast<char*>(i ? "大小" : "名称");
    SendMessageA(c.listView, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  HTREEITEM parent = TVI_ROOT;
  for (int i = 0; i < 20; ++i) {
    const std::string text = "项目 " + std::to_string(i);
    SendMessageA(c.listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(c.listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    TVINSERTSTRUCTA insert = {};
    insert.hParent = i % 4 == 0 ? TVI_ROOT : parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text.c_str());
    HTREEITEM added = reinterpret_cast<HTREEITEM>(SendMessageA(c.treeView, TVM_INSERTITEMA, 0,
                                                               reinterpret_cast<LPARAM>(&insert)));
    if (i % 4 == 0) parent = added;
    SendMessageA(c.treeView, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
  }
  if (skinned) {
    skin::TranslucentControls = 1;  // attached as under translucency
    skin::ApplySkin(c.window, {});
    const auto& picture = assets::BackgroundPicture;
    skin::SetWindowBackground(c.window, std::string(reinterpret_cast<const char*>(picture.data), picture.size), 3);
    skin::SetSkinOptions(1, 100);
  }
  ShowWindow(c.window, SW_SHOWNOACTIVATE);
  UpdateWindow(c.window);
  Pump(50);
  return c;
}

void RepaintNow(HWND control) {
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  GdiFlush();
}

void BenchListControls() {
  std::printf("\nList controls: a steady repaint, skinned against the same control unskinned\n");
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  const ListBenchControls plain = CreateListBenchWindow(false, 560);
  const ListBenchControls skinned = CreateListBenchWindow(true, 20);
  struct Family {
    const char* name;
    HWND skinnedControl, plainControl;
  };
  for (const Family& f : {Family{"list box", skinned.listBox, plain.listBox},
                          Family{"list view", skinned.listView, plain.listView},
                          Family{"tree view", skinned.treeView, plain.treeView}}) {
    const SIZE s = WindowSize(f.skinnedControl);
    const auto [ms, baseline] = Compare(
        Reps(200), [&] { RepaintNow(f.skinnedControl); }, [&] { RepaintNow(f.plainControl); });
    char name[96];
    std::snprintf(name, sizeof name, "skinned %s repaint %dx%d", f.name, static_cast<int>(s.cx),
                  static_cast<int>(s.cy));
    AddRow(name, ms, "the same control unskinned", baseline);
  }
  DestroyWindow(skinned.window);
  DestroyWindow(plain.window);
  Pump(20);
}

// The three combo-box styles on a skinned window, each repainted (the face
// and its children) against the same combo box on a plain window painting
// itself.
HWND AddBenchCombo(HWND parent, DWORD style, int x, int y, int height) {
  HWND combo = CreateWindowExA(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, x, y, 180, height,
                               parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  for (const char* item : {"高清 1080P", "标清 720P", "流畅 480P"})
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  return combo;
}

struct BenchCombos {
  HWND dropList, dropDown, simple;
};

BenchCombos AddBenchCombos(HWND parent) {
  return BenchCombos{AddBenchCombo(parent, CBS_DROPDOWNLIST, 30, 40, 200),
                     AddBenchCombo(parent, CBS_DROPDOWN, 30, 80, 200), AddBenchCombo(parent, CBS_SIMPLE, 240, 40, 120)};
}

void RepaintCombo(HWND combo) {
  RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  GdiFlush();
}

void BenchComboBoxes() {
  std::printf("\nCombo boxes\n");
  // Skinned as the program skins: attached first, then translucency on.
  if (!RegisterPlainWindowClass()) return;
  UniqueWindow window(CreateWindowExA(0, "QuorlinBenchWindow", "Quorlin", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0,
                                      0, 444, 314, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  UniqueWindow plain(CreateWindowExA(0, "QuorlinBenchWindow", "plain", WS_POPUP, 460, 0, 444, 314, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr));
  const BenchCombos ours = AddBenchCombos(window.get());
  const BenchCombos theirs = AddBenchCombos(plain.get());
  skin::ApplySkin(window.get(), MainWindowSkinOptions());
  skin::SetWindowBackground(window.get(), Picture(), 3);
  skin::SetSkinOptions(1, 100);
  ShowWindow(window.get(), SW_SHOWNOACTIVATE);
  ShowWindow(plain.get(), SW_SHOWNOACTIVATE);
  PaintNow(window.get());
  PaintNow(plain.get());
  Pump(50);
  struct Case {
    const char* style;
    HWND skinnedCombo, plainCombo;
  } const cases[] = {{"CBS_DROPDOWNLIST", ours.dropList, theirs.dropList},
                     {"CBS_DROPDOWN", ours.dropDown, theirs.dropDown},
                     {"CBS_SIMPLE", ours.simple, theirs.simple}};
  for (const Case& c : cases) {
    const SIZE size = WindowSize(c.skinnedCombo);
    const auto [skinnedMs, plainMs] =
        Compare(Reps(200), [&] { RepaintCombo(c.skinnedCombo); }, [&] { RepaintCombo(c.plainCombo); });
    char name[96];
    std::snprintf(name, sizeof name, "combo %s repaint %dx%d", c.style, static_cast<int>(size.cx),
                  static_cast<int>(size.cy));
    AddRow(name, skinnedMs, "the same combo box unskinned", plainMs);
  }
  // Where a face paint goes: the painter alone, and the hover round that
  // paints it twice.
  const int id = skin::FindSkinId(window.get());
  const int index = skin::GetIntProp(ours.dropList, skin::PropSkinId);
  std::vector<double> face, hover;
  for (int i = 0; i < Reps(200); ++i) {
    face.push_back(TimeMs([&] { skin::PaintComboBox(id, index, false, false, false); GdiFlush(); }));
    hover.push_back(TimeMs([&] {
      SendMessageA(ours.dropList, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
      SendMessageA(ours.dropList, WM_MOUSELEAVE, 0, 0);
      GdiFlush();
    }));
  }
  Note("PaintComboBox of the drop-down list %.4f ms; a hover round (enter and leave) %.4f ms", Median(face),
       Median(hover));
  // Its pieces: the text's font, made at every paint, and the two keyed
  // copies (to the window and into the composite image).
  const SIZE size = WindowSize(ours.dropList);
  MemorySurface source(size.cx, size.cy);
  std::vector<double> font, toWindow, toComposite;
  for (int i = 0; i < Reps(200); ++i) {
    font.push_back(TimeMs([&] {
      graphics::Font f;
      f.Create("宋体", 12, 0, Gdiplus::UnitWorld);
    }));
    toWindow.push_back(TimeMs([&] {
      skin::WindowDc dc(ours.dropList, true);
      TransparentBlt(dc.get(), 0, 0, size.cx, size.cy, source.dc(), 0, 0, size.cx, size.cy, RGB(255, 0, 255));
      GdiFlush();
    }));
    toComposite.push_back(TimeMs([&] { skin::BlitToCompositeKeyed(ours.dropList, source.dc(), RGB(255, 0, 255)); }));
  }
  Note("face pieces: the text font made %.4f ms; TransparentBlt to the window %.4f ms; into the composite %.4f ms",
       Median(font), Median(toWindow), Median(toComposite));
  Pump(20);
}

void BenchLargeWindow() {
  std::printf("\nA 1280x800 skinned window\n");
  UniqueWindow big(CreateSkinnedPlainWindow(1280, 800));
  HWND w = big.get();
  if (!w) {
    Note("the 1280x800 window could not be created");
    return;
  }
  ShowMain(w);
  Pump(50);
  PaintNow(w);
  const int id = skin::FindSkinId(w);
  double blit = 0;
  const double steady = MedianSteadyPaint(w, Reps(200), &blit);
  AddRow("steady-state WM_PAINT 1280x800", steady, "BitBlt of the client area", blit, 1.5);
  {
    std::vector<double> clipped, paintPair;
    for (int i = 0; i < Reps(200); ++i) {
      clipped.push_back(TimeMs([&] { ReleaseDC(w, skin::ChildClippedDc(w)); }));
      paintPair.push_back(TimeMs([&] {
        InvalidateRect(w, nullptr, FALSE);
        skin::PaintScope paint(w);
      }));
    }
    Note("steady paint overhead 1280x800: ChildClippedDc + ReleaseDC %.4f ms, InvalidateRect + BeginPaint/EndPaint"
         " %.4f ms", Median(clipped), Median(paintPair));
  }
  const auto [frameOff, steady2] = Compare(
      Reps(40), [&] { skin::PaintFrame(id, false); GdiFlush(); }, [&] { SteadyPaint(w); }, [&] { PaintNow(w); });
  AddRow("PaintFrame(id, false) 1280x800", frameOff, "steady-state WM_PAINT", steady2);
  const auto [frameOn, steady3] = Compare(
      Reps(40), [&] { skin::PaintFrame(id, true); GdiFlush(); }, [&] { SteadyPaint(w); }, [&] { PaintNow(w); });
  AddRow("PaintFrame(id, true) 1280x800", frameOn, "steady-state WM_PAINT", steady3);
  const auto [frameCold, steady4] = CompareColdPaintFrame(w, Reps(30));
  AddRow("PaintFrame(id, false) 1280x800, nothing kept", frameCold, "steady-state WM_PAINT", steady4);
  NotePaintFrameParts(w, Reps(20));
}

// ---- live resize -------------------------------------------------------------------

// A border drag the way the system's sizing loop runs it: WM_ENTERSIZEMOVE,
// then per step WM_SIZING, the new size and the repaint it causes, then
// WM_EXITSIZEMOVE and the full-quality frame it asks for.
struct ResizeStepTimes {
  std::vector<double> step, setWindowPos, paint;
};

ResizeStepTimes DragSteps(HWND w, SIZE size, int reps) {
  RECT frame;
  GetWindowRect(w, &frame);
  ResizeStepTimes t;
  for (int i = 0; i < reps; ++i) {
    const int cx = size.cx - 2 * (i % 2 + 1);  // a new size every step
    double moved = 0;
    t.step.push_back(TimeMs([&] {
      RECT proposed = {frame.left, frame.top, frame.left + cx, frame.bottom};
      SendMessageA(w, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed));
      moved = TimeMs([&] { SetWindowPos(w, nullptr, 0, 0, cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); });
      PaintNow(w);
    }));
    t.setWindowPos.push_back(moved);
    t.paint.push_back(t.step.back() - moved);
  }
  return t;
}

// The platform's share of a step: the same class, style and size unskinned,
// resized and repainting itself (the class brush erases it).
double PlainResizeStep(SIZE size, int reps) {
  if (!RegisterPlainWindowClass()) return 0;
  UniqueWindow plain(CreateWindowExA(0, "QuorlinBenchWindow", "Quorlin", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                     size.cx, size.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  HWND w = plain.get();
  if (!w) return 0;
  ShowMain(w);
  Pump(50);
  SendMessageA(w, WM_ENTERSIZEMOVE, 0, 0);
  const ResizeStepTimes t = DragSteps(w, size, reps);
  SendMessageA(w, WM_EXITSIZEMOVE, 0, 0);
  Note("resize %dx%d unskinned: SetWindowPos %.2f ms + its repaint %.2f ms = %.2f ms a step",
       static_cast<int>(size.cx), static_cast<int>(size.cy), Median(t.setWindowPos), Median(t.paint), Median(t.step));
  return Median(t.step);
}

// The full-quality frame a drag ends with, against the draft steps of the
// same drags: each drag takes two steps and ends at a size the window has
// never had (nothing kept serves it); one more drag ends where the window
// started, which it keeps the background of.
void BenchDragEnd(HWND w, SIZE size, int reps) {
  std::vector<double> steps, ends;
  auto drag = [&](int cx) {
    SendMessageA(w, WM_ENTERSIZEMOVE, 0, 0);
    const ResizeStepTimes t = DragSteps(w, SIZE{cx + 4, size.cy}, 2);  // ends at cx + 2, then cx
    steps.insert(steps.end(), t.step.begin(), t.step.end());
    SetWindowPos(w, nullptr, 0, 0, cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PaintNow(w);
    return TimeMs([&] {
      SendMessageA(w, WM_EXITSIZEMOVE, 0, 0);
      PaintNow(w);
    });
  };
  for (int i = 0; i < reps; ++i) ends.push_back(drag(static_cast<int>(size.cx) - 20 - 2 * i));
  char name[64];
  std::snprintf(name, sizeof name, "full-quality frame after a drag %dx%d", static_cast<int>(size.cx),
                static_cast<int>(size.cy));
  AddRow(name, Median(ends), "the draft step of the same drag", Median(steps), 6.0);
  std::vector<double> back;
  for (int i = 0; i < reps; ++i) {
    back.push_back(drag(static_cast<int>(size.cx)));
    drag(static_cast<int>(size.cx) - 10);
  }
  Note("the full-quality frame after a drag back to %dx%d, whose background is kept: %.2f ms",
       static_cast<int>(size.cx), static_cast<int>(size.cy), Median(back));
}

// Bytes of a 32-bit bitmap selected into a DC.
long long SurfaceBytes(HDC dc) {
  BITMAP b = {};
  if (!dc || !GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof b, &b)) return 0;
  return static_cast<long long>(b.bmWidthBytes) * b.bmHeight;
}
long long SurfaceBytes(const skin::DibSurface& s) { return 4ll * s.width() * s.height(); }

// What the window keeps of its frame, in bytes.
void NoteKeptImages(HWND w, const char* when) {
  const SkinRecord* r = RecordOf(w);
  const SIZE s = ClientSize(w);
  Note("kept images of the %dx%d window %s, bytes: back buffer %lld, frame snapshot %lld, background layer %lld,"
       " title strip %lld, hover looks %lld; for drafts: picture DIB %lld, outline pieces %lld, caption row %lld,"
       " title %lld",
       static_cast<int>(s.cx), static_cast<int>(s.cy), when, SurfaceBytes(r->backBufferDc),
       SurfaceBytes(r->frameSnapshotDc), SurfaceBytes(r->backgroundLayer), SurfaceBytes(r->captionSnapshot),
       SurfaceBytes(r->captionLookCells), SurfaceBytes(r->pictureDib), SurfaceBytes(r->outlinePieces),
       SurfaceBytes(r->draftCaptionRow), SurfaceBytes(r->draftTitle));
}

// The calls a renewal of the window region is made of, each timed on its own.
void NoteRegionParts(HWND w, int reps) {
  const SIZE s = ClientSize(w);
  std::vector<double> clear, framePos, create, set, setQuiet, box;
  for (int i = 0; i < reps; ++i) {
    clear.push_back(TimeMs([&] { SetWindowRgn(w, nullptr, TRUE); }));
    framePos.push_back(TimeMs([&] {
      SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }));
    HRGN region = nullptr;
    create.push_back(TimeMs([&] { region = CreateRoundRectRgn(0, 0, s.cx + 1, s.cy + 1, 5, 5); }));
    set.push_back(TimeMs([&] { SetWindowRgn(w, region, TRUE); }));
    region = CreateRoundRectRgn(0, 0, s.cx + 1, s.cy + 1, 5, 5);
    setQuiet.push_back(TimeMs([&] { SetWindowRgn(w, region, FALSE); }));
    box.push_back(TimeMs([&] {
      RECT b;
      skin::UniqueRegion probe(CreateRectRgn(0, 0, 0, 0));
      GetWindowRgn(w, probe.get());
      GetRgnBox(probe.get(), &b);
    }));
    PaintNow(w);
  }
  Note("window region %dx%d: SetWindowRgn(NULL, TRUE) %.2f ms, SetWindowPos(SWP_NOSIZE) %.2f ms,"
       " CreateRoundRectRgn %.3f ms, SetWindowRgn(region, TRUE) %.2f ms, SetWindowRgn(region, FALSE) %.2f ms,"
       " reading the region's box %.3f ms",
       static_cast<int>(s.cx), static_cast<int>(s.cy), Median(clear), Median(framePos), Median(create), Median(set),
       Median(setQuiet), Median(box));
}

void BenchResize() {
  std::printf("\nLive resize, step by step\n");
  for (const SIZE size : {SIZE{1280, 800}, SIZE{444, 314}}) {
    UniqueWindow window(CreateSkinnedPlainWindow(size.cx, size.cy));
    HWND w = window.get();
    if (!w) continue;
    ShowMain(w);
    Pump(50);
    PaintNow(w);
    double blit = 0;
    const double steady = MedianSteadyPaint(w, Reps(100), &blit);
    SendMessageA(w, WM_ENTERSIZEMOVE, 0, 0);
    const ResizeStepTimes t = DragSteps(w, size, Reps(40));
    {
      // The same steps again with the messages they send recorded (the
      // recording slows every message down, so these are not the row).
      MessageProfile profile;
      const int runs = Reps(10);
      DragSteps(w, size, runs);
      profile.Stop();
      Note("resize %dx%d, sent messages a step: %s", static_cast<int>(size.cx), static_cast<int>(size.cy),
           profile.Top(10, runs).c_str());
    }
    NoteKeptImages(w, "during the drag");
    RecordOf(w)->sizing = 1;
    NotePaintFrameParts(w, Reps(10));
    NoteRegionParts(w, Reps(10));
    const double end = TimeMs([&] {
      SetWindowPos(w, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(w, WM_EXITSIZEMOVE, 0, 0);
      PaintNow(w);
    });
    NoteKeptImages(w, "at rest");
    if (size.cx > 1000) BenchDragEnd(w, size, Reps(9));
    // The platform's own share of a step swings between runs as much as the
    // steady paint does, so a step is weighed against the same step of the
    // window unskinned, measured here.
    const double plain = PlainResizeStep(size, Reps(40));
    char name[64];
    std::snprintf(name, sizeof name, "resize step %dx%d", static_cast<int>(size.cx), static_cast<int>(size.cy));
    AddRow(name, Median(t.step), "the same step unskinned", plain, size.cx > 1000 ? 10.0 : 2.0);
    Note("resize %dx%d: SetWindowPos %.2f ms + the repaint %.2f ms (steady WM_PAINT %.2f ms); the first step of the"
         " drag (which makes the draft pieces) %.2f ms; the full-quality frame at the end of the drag %.2f ms",
         static_cast<int>(size.cx), static_cast<int>(size.cy), Median(t.setWindowPos), Median(t.paint), steady,
         t.step.front(), end);
  }
}


// ---- start-up ----------------------------------------------------------------------

// What the first frame of a skinned window pays that nothing painted before
// can spare it, each piece timed on its own: together the least a skinned
// start costs beyond an unskinned one.
void NoteColdFramePieces(SIZE size, int reps) {
  const std::string picture = Picture();
  std::vector<double> decode, stretch, ownStretch, glyphs, surface;
  for (int i = 0; i < reps; ++i) {
    graphics::Bitmap decoded;
    decode.push_back(TimeMs([&] {
      decoded.FromBytes(picture.data(), picture.size());
      decoded.GetPixel(0, 0);
    }));
    MemorySurface target(size.cx, size.cy);
    stretch.push_back(TimeMs([&] {
      graphics::Graphics g;
      g.FromHDC(target.dc());
      g.DrawImageRect(decoded, 0, 0, static_cast<graphics::REAL>(size.cx), static_cast<graphics::REAL>(size.cy));
    }));
    {
      // The program's own filter, from the decoded pixels as the frame keeps them.
      const int iw = static_cast<int>(decoded.GetWidth()), ih = static_cast<int>(decoded.GetHeight());
      skin::DibSurface pixels(iw, ih), out(size.cx, size.cy);
      for (int y = 0; y < ih; ++y)
        for (int x = 0; x < iw; ++x) pixels.bits()[y * iw + x] = decoded.GetPixel(x, y);
      ownStretch.push_back(TimeMs([&] {
        skin::StretchBilinear(skin::PixelRows{pixels.bits(), iw, iw, ih},
                              skin::PixelRows{out.bits(), static_cast<int>(size.cx), static_cast<int>(size.cx),
                                              static_cast<int>(size.cy)},
                              0xFF000000);
      }));
    }
    glyphs.push_back(TimeMs([&] {
      for (const assets::AssetBytes* a : {&assets::MinimizeGlyph, &assets::MaximizeGlyph, &assets::CloseGlyph}) {
        graphics::Bitmap glyph;
        glyph.FromBytes(a->data, a->size);
        glyph.GetWidth();
      }
    }));
    surface.push_back(TimeMs([&] {
      skin::DibSurface fresh(size.cx, size.cy);
      PatBlt(fresh.dc(), 0, 0, size.cx, size.cy, WHITENESS);
      GdiFlush();
    }));
  }
  Note("the first frame's own work at %dx%d: JPEG decode %.2f ms, GDI+ filtered stretch of the decoded picture %.2f ms"
       " (the program's own filter, which the frame uses: %.2f ms), three caption glyph PNG decodes %.2f ms, the first"
       " touch of a fresh surface %.2f ms (the frame takes four)",
       static_cast<int>(size.cx), static_cast<int>(size.cy), Median(decode), Median(stretch), Median(ownStretch),
       Median(glyphs), Median(surface));
}

void BenchStartUp() {
  std::printf("\nStart-up to the first painted frame\n");
  // Warm both paths once: class registration, fonts, the browser control.
  for (bool skinned : {true, false}) {
    UniqueWindow w(CreateMain(skinned));
    ShowMain(w.get());
    Pump(20);
  }
  struct Steps {
    std::vector<double> total, create, show, paint;
  } skinned, plain;
  for (int i = 0; i < Reps(25); ++i) {
    for (bool isSkinned : {true, false}) {
      Steps& steps = isSkinned ? skinned : plain;
      HWND w = nullptr;
      double create = 0, show = 0;
      steps.total.push_back(TimeMs([&] {
        create = TimeMs([&] { w = CreateMain(isSkinned); });
        show = TimeMs([&] {
          ShowWindow(w, SW_SHOWNORMAL);
          GdiFlush();
        });
        PaintNow(w);
      }));
      steps.create.push_back(create);
      steps.show.push_back(show);
      steps.paint.push_back(steps.total.back() - create - show);
      UniqueWindow owner(w);
      Pump(5);
    }
  }
  AddRow("MainWindow skinned: create+show+paint", Median(skinned.total), "unskinned (no frame, no child skins)",
         Median(plain.total), 1.5);
  Note("start-up by step, skinned vs unskinned: CreateMainWindow (skinned: with ApplySkin and SetWindowBackground)"
       " %.2f vs %.2f ms, ShowWindow (skinned: the first frame) %.2f vs %.2f ms, UpdateWindow (the children's first"
       " paints) %.2f vs %.2f ms",
       Median(skinned.create), Median(plain.create), Median(skinned.show), Median(plain.show), Median(skinned.paint),
       Median(plain.paint));
  {
    UniqueWindow w(CreateMain(true));
    NoteColdFramePieces(ClientSize(w.get()), Reps(25));
  }
}

// Where a create / skin / destroy cycle of the skinned main window goes: the
// steps of CreateMainWindow and OnMainWindowCreated, called one by one.
void BenchCycleBreakdown() {
  std::printf("\nCreate / skin / destroy cycle of the skinned main window, by step\n");
  struct Steps {
    std::vector<double> total, mainWindow, browserPane, controls, applySkin, background, show, update, destroy;
  } s;
  std::vector<double> realCycle;
  for (int i = 0; i < Reps(15); ++i) {
    // The real thing, for the total.
    realCycle.push_back(TimeMs([&] {
      HWND w = CreateMain(true);
      ShowMain(w);
      DestroyWindow(w);
    }));
    Pump(5);

    // The same steps one at a time.
    const double t0 = NowMs();
    HWND w = CreateMain(false);
    const double t1 = NowMs();
    const double host = Trace.First("QuorlinBrowserHost", t1);
    const double firstLabel = Trace.First("QuorlinLabel", t1);
    s.applySkin.push_back(TimeMs([&] { skin::ApplySkin(w, MainWindowSkinOptions()); }));
    s.background.push_back(TimeMs([&] { skin::SetWindowBackground(w, Picture(), 3); }));
    skin::SetSkinOptions(1, 100);
    s.show.push_back(TimeMs([&] { ShowWindow(w, SW_SHOWNORMAL); GdiFlush(); }));
    s.update.push_back(TimeMs([&] { PaintNow(w); }));
    s.destroy.push_back(TimeMs([&] { DestroyWindow(w); }));
    s.total.push_back(NowMs() - t0);
    s.mainWindow.push_back(host - t0);           // registration, CreateWindowEx, label font
    s.browserPane.push_back(firstLabel - host);  // the WebBrowser control and its host
    s.controls.push_back(t1 - firstLabel);       // the other twelve controls
    Pump(5);
  }
  // The same cycle again with the sent messages of each step recorded.
  {
    MessageProfile show, update, destroy, apply;
    destroy.Stop();
    const int runs = Reps(5);
    std::vector<double> frameOnly, passes[9];
    for (int i = 0; i < runs; ++i) {
      HWND w = CreateMain(false);
      apply.Start();
      // ApplySkin without its attach passes, then each pass on its own.
      skin::ChildSkinningEnabled = 0;
      frameOnly.push_back(TimeMs([&] { skin::ApplySkin(w, MainWindowSkinOptions()); }));
      skin::ChildSkinningEnabled = 1;
      const int id = skin::FindSkinId(w);
      for (int k = 0; k < 9; ++k)
        if (skin::AttachPasses[k].pass) passes[k].push_back(TimeMs([&] { skin::AttachPasses[k].pass(id, w); }));
      apply.Stop();
      skin::SetWindowBackground(w, Picture(), 3);
      skin::SetSkinOptions(1, 100);
      show.Start();
      ShowWindow(w, SW_SHOWNORMAL);
      GdiFlush();
      update.Start();
      PaintNow(w);
      destroy.Start();
      DestroyWindow(w);
      destroy.Stop();
      Pump(5);
    }
    std::string split;
    char part[96];
    for (int k = 0; k < 9; ++k)
      if (!passes[k].empty()) {
        std::snprintf(part, sizeof part, ", %s pass %.2f ms", skin::AttachPasses[k].family, Median(passes[k]));
        split += part;
      }
    Note("ApplySkin split: frame only %.2f ms%s", Median(frameOnly), split.c_str());
    Note("ApplySkin and passes, sent messages: %s", apply.Top(5, runs).c_str());
    Note("ShowWindow, sent messages: %s", show.Top(10, runs).c_str());
    Note("UpdateWindow, sent messages: %s", update.Top(14, runs).c_str());
    Note("DestroyWindow, sent messages: %s", destroy.Top(6, runs).c_str());
  }
  Note("real cycle (CreateMainWindow + ShowWindow + UpdateWindow + DestroyWindow): %.2f ms", Median(realCycle));
  Note("by step, sum %.2f ms:", Median(s.total));
  Note("  CreateWindowEx of the main window + label font  %8.2f ms", Median(s.mainWindow));
  Note("  CreateBrowserPane (WebBrowser control)          %8.2f ms", Median(s.browserPane));
  Note("  the twelve other controls                       %8.2f ms", Median(s.controls));
  Note("  ApplySkin                                       %8.2f ms", Median(s.applySkin));
  Note("  SetWindowBackground                             %8.2f ms", Median(s.background));
  Note("  ShowWindow (first PaintFrame via WM_SHOWWINDOW) %8.2f ms", Median(s.show));
  Note("  UpdateWindow (pending WM_PAINTs, children)      %8.2f ms", Median(s.update));
  Note("  DestroyWindow                                   %8.2f ms", Median(s.destroy));

  // The pieces of SetWindowBackground and of the first paint.
  const std::string picture = Picture();
  std::vector<double> average, decodeBitmap, getPixels, seeding, drawStretched;
  for (int i = 0; i < Reps(15); ++i) {
    average.push_back(TimeMs([&] { skin::AverageImageColor(picture, 2000, 0, 0); }));
    graphics::Bitmap bitmap;
    decodeBitmap.push_back(TimeMs([&] {
      bitmap.FromBytes(picture.data(), picture.size());
      bitmap.GetPixel(0, 0);
    }));
    const int bw = static_cast<int>(bitmap.GetWidth()), bh = static_cast<int>(bitmap.GetHeight());
    unsigned sink = 0;
    getPixels.push_back(TimeMs([&] {
      for (int k = 0; k < 2000; ++k) sink += bitmap.GetPixel((k * 37) % bw, (k * 53) % bh);
    }));
    // AverageImageColor seeds a fresh generator for every coordinate.
    seeding.push_back(TimeMs([&] {
      for (unsigned k = 1; k <= 4000; ++k) {
        std::minstd_rand generator(45000 + k);
        sink += static_cast<unsigned>(std::uniform_int_distribution<int>(0, 599)(generator));
      }
    }));
    if (sink == 1) std::printf(" ");
    MemorySurface target(444, 314);
    drawStretched.push_back(TimeMs([&] {
      graphics::Image image;
      image.FromBytes(picture.data(), picture.size());
      graphics::Graphics g;
      g.FromHDC(target.dc());
      g.DrawImageRect(image, 0, 0, 444, 314);
    }));
  }
  Note("AverageImageColor(picture, 2000) %.2f ms = JPEG decode to a GDI+ bitmap %.2f ms + 2000 GetPixel %.2f ms"
       " + 4000 generator seedings %.2f ms",
       Median(average), Median(decodeBitmap), Median(getPixels), Median(seeding));
  Note("PaintBackground's picture: JPEG decode + stretched draw to 444x314 %.2f ms (a full repaint that finds no"
       " kept background layer)",
       Median(drawStretched));
}

// ---- reply processing against the loopback transfer ------------------------------

std::string PercentEncode(const std::string& bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
        c == '_' || c == ':' || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '!' || c == ' ') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// A reply of exactly size bytes as the service sends it: percent-encoded
// UTF-8 XML whose title takes up the room.
std::string MakeReply(size_t size, unsigned seed) {
  // "视频" and "标题" in UTF-8, then some ASCII.
  static const char* const pieces[] = {"\xE8\xA7\x86\xE9\xA2\x91", "\xE6\xA0\x87\xE9\xA2\x98", " Quorlin ", "2024",
                                       "\xEF\xBC\x81"};
  const std::string head = "<?xml version=\"1.0\" encoding=\"utf-8\"?><video><title><![CDATA[";
  char tail[512];
  std::snprintf(tail, sizeof tail,
                "]]></title><furl><![CDATA[http://127.0.0.1/media/%u.mp4]]></furl><ftype>mp4</ftype>"
                "<size>%u</size><time>03:25</time><sites><site><![CDATA[%s]]></site></sites></video>",
                seed, 1048576u * (1 + seed % 50), PercentEncode("\xE4\xBC\x98\xE9\x85\xB7").c_str());
  std::string reply = head;
  std::mt19937 generator(seed);
  const size_t room = size - head.size() - std::strlen(tail);
  std::string title;
  for (;;) {
    const std::string piece = PercentEncode(pieces[generator() % 5]);
    if (title.size() + piece.size() > room) break;
    title += piece;
  }
  title.append(room - title.size(), 'x');
  reply += title;
  reply += tail;
  return reply;
}

// Dispatches this thread's messages until the running read-link has shown its
// reply; GetMessage sleeps until the worker's message comes.
void WaitForReadLink() {
  MSG msg;
  while (ReadLinkRunning() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// ReadLink from the press to the six texts shown, the request on its worker
// and the reply handed back by message, against the same GET made plainly
// on this thread, and against that GET with the reply shown here too (the
// whole of the old synchronous ReadLink).
void BenchReadLinkRoundTrip(const test::LoopbackHttpServer& server, const std::string& body) {
  const std::string savedAddress = bench::ServiceAddressText;
  std::snprintf(bench::ServiceAddressText, sizeof bench::ServiceAddressText, "%s", server.BaseAddress().c_str());
  UniqueWindow main(CreateMain(true));
  HWND w = main.get();
  if (!w) {
    Note("CreateMainWindow failed; the read-link row is skipped");
  } else {
    ShowMain(w);
    Pump(100);
    SetWindowTextA(MainWindow.addressEdit, "https://127.0.0.1/watch?v=1k");
    const std::string request = BuildRequestAddress("https://127.0.0.1/watch?v=1k");
    const auto readLink = [] {
      ReadLink();
      WaitForReadLink();
    };
    const auto plain = [&] { FetchUrl(request); };
    const auto synchronous = [&] {
      LinkInfo = ProcessReply(FetchUrl(request));
      ShowLinkFields(LinkInfo);
    };
    readLink();
    if (LinkInfo.furl.empty() || FetchUrl(request) != body) Note("read link: the 1 KB reply did not come back");
    // The press (ReadLink returns), the wait until the worker's message is in
    // hand, and the message's handling (reading the reply, setting the texts).
    std::vector<double> press, handOff, show, threaded, direct, shownHere, busyPaint;
    for (int i = 0; i < Reps(200); ++i) {
      const double t0 = NowMs();
      ReadLink();
      const double t1 = NowMs();
      // Only the reply is taken while waiting: the paint of the busy button
      // (timed below) waits behind it, as the worker and the hand-off are
      // what this row measures.
      MSG msg = {};
      while (ReadLinkRunning() && GetMessageA(&msg, nullptr, ReadLinkReplyMessage, ReadLinkReplyMessage) > 0) {
        const bool reply = msg.message == ReadLinkReplyMessage;
        const double t2 = NowMs();
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (reply) {
          press.push_back(t1 - t0);
          handOff.push_back(t2 - t0);
          show.push_back(NowMs() - t2);
          threaded.push_back(NowMs() - t0);
        }
      }
      busyPaint.push_back(TimeMs([&] { PaintNow(w); }));
      direct.push_back(TimeMs(plain));
      shownHere.push_back(TimeMs(synchronous));
      Pump();
    }
    AddRow("read link round trip, 1 KB reply", Median(handOff), "plain loopback GET of the same reply",
           Median(direct), 1.2);
    Note("read link: ReadLink returns in %.3f ms, the reply is in hand after %.3f ms, showing it takes %.3f ms;"
         " press to texts shown %.3f ms, the same GET and display on this thread %.3f ms; the paints the"
         " request leaves (busy and idle button, labels) %.3f ms",
         Median(press), Median(handOff), Median(show), Median(threaded), Median(shownHere), Median(busyPaint));
  }
  std::snprintf(bench::ServiceAddressText, sizeof bench::ServiceAddressText, "%s", savedAddress.c_str());
}

void BenchReplies() {
  std::printf("\nProcessReply against the loopback transfer of the same bytes\n");
  struct Case {
    const char* label;
    const char* path;
    size_t size;
    int reps;
    std::string body;
  };
  std::vector<Case> cases = {{"1 KB", "/1k", 1024, Reps(400), {}},
                             {"100 KB", "/100k", 102400, Reps(100), {}},
                             {"1 MB", "/1m", 1048576, Reps(25), {}}};
  for (Case& c : cases) c.body = MakeReply(c.size, static_cast<unsigned>(c.size));
  test::LoopbackHttpServer server([&](const std::string& head) {
    // ReadLink's request: the 1 KB reply.
    if (head.rfind("GET /url/", 0) == 0) return test::OkReply(cases[0].body);
    for (const Case& c : cases)
      if (head.rfind(std::string("GET ") + c.path + " ", 0) == 0) return test::OkReply(c.body);
    return test::OkReply("", true, "404 Not Found");
  });
  if (!server.listening()) {
    Note("the loopback server did not start; reply rows skipped");
    return;
  }
  struct Result {
    double process, transfer;
    size_t size;
  };
  std::vector<Result> results;
  for (const Case& c : cases) {
    const std::string address = server.BaseAddress() + c.path;
    if (FetchUrl(address) != c.body) Note("%s: the transfer did not bring the reply back intact", c.label);
    if (ProcessReply(c.body).furl.empty()) Note("%s: ProcessReply found no download address", c.label);
    std::vector<double> process, transfer;
    for (int i = 0; i < c.reps; ++i) {
      transfer.push_back(TimeMs([&] { FetchUrl(address); }));
      process.push_back(TimeMs([&] { ProcessReply(c.body); }));
    }
    results.push_back(Result{Median(process), Median(transfer), c.size});
    AddRow(std::string("ProcessReply ") + c.label, results.back().process,
           std::string("FetchUrl of ") + c.label + " over loopback", results.back().transfer, 0.1);
  }
  BenchReadLinkRoundTrip(server, cases[0].body);
  for (const Result& r : results) {
    const double kb = static_cast<double>(r.size) / 1024.0;
    Note("%7.0f KB: ProcessReply %.5f ms/KB, transfer %.5f ms/KB", kb, r.process / kb, r.transfer / kb);
  }
  if (results.size() == 3 && results[1].process > 0)
    Note("ProcessReply 1 MB / 100 KB = %.2f (10.24 if linear); 100 KB / 1 KB = %.2f (100 if linear)",
         results[2].process / results[1].process, results[1].process / results[0].process);

  // Where the time of the largest reply goes.
  const std::string& big = cases.back().body;
  std::vector<double> decode, cuts, size;
  for (int i = 0; i < Reps(15); ++i) {
    std::string text;
    decode.push_back(TimeMs([&] { text = PercentDecode(big, true); }));
    cuts.push_back(TimeMs([&] {
      ExtractBetween(text, "<title><![CDATA[", "]]></ti");
      ExtractBetween(text, "<furl><![CDATA[", "]]></furl>");
      ExtractBetween(text, "<ftype>", "</ftype>");
      ExtractBetween(text, "<size>", "</size>");
      ExtractBetween(text, "<time>", "</time>");
      ExtractBetween(text, "es><site><![CDATA[", "]]></sit");
    }));
    size.push_back(TimeMs([&] { FormatSizeInMegabytes("1572864"); }));
  }
  Note("ProcessReply 1 MB by step: PercentDecode + UTF-8->GBK %.2f ms, six ExtractBetween cuts %.2f ms, size %.4f ms",
       Median(decode), Median(cuts), Median(size));
  std::vector<double> unescape, convert, oneCut, copy, fresh;
  for (int i = 0; i < Reps(15); ++i) {
    std::string raw, text;
    unescape.push_back(TimeMs([&] { raw = PercentDecode(big, false); }));
    convert.push_back(TimeMs([&] { text = Utf8ToAnsi(raw); }));
    oneCut.push_back(TimeMs([&] { ExtractBetween(text, "<size>", "</size>"); }));
    copy.push_back(TimeMs([&] { ReplyText = text; }));
    fresh.push_back(TimeMs([&] { std::string block(big.size(), '\0'); }));
  }
  Note("PercentDecode 1 MB alone %.2f ms, Utf8ToAnsi of the result %.2f ms; one cut behind the title"
       " (<size>) %.2f ms; copying the text %.3f ms; a fresh zeroed 1 MB string %.3f ms",
       Median(unescape), Median(convert), Median(oneCut), Median(copy), Median(fresh));
}

void PrintTable() {
  std::printf("\n%-44s %12s  %-36s %12s %8s %8s\n", "case", "median ms", "baseline", "median ms", "ratio", "target");
  for (const Row& r : Rows) {
    const double ratio = r.baselineMs > 0 ? r.ms / r.baselineMs : 0;
    char target[32] = "";
    if (r.target > 0) std::snprintf(target, sizeof target, "<=%.1f %s", r.target, ratio <= r.target ? "ok" : "MISS");
    std::printf("%-44s %12.4f  %-36s %12.4f %8.2f %8s\n", r.name.c_str(), r.ms, r.baselineName.c_str(), r.baselineMs,
                ratio, target);
  }
  std::fflush(stdout);
}

// ---- soak --------------------------------------------------------------------------

struct Counts {
  unsigned long gdi, user;
  SIZE_T privateBytes;
};

Counts Measure() {
  Pump(20);
  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  // PrivateUsage reads 0 under Wine; PagefileUsage is the same figure there.
  return Counts{test::GdiObjectCount(), test::UserObjectCount(), pmc.PagefileUsage};
}

std::string SoakReply(const std::string& head) {
  static unsigned n = 0;
  ++n;
  std::string body = "<video><title><![CDATA[" + PercentEncode("\xE8\xA7\x86\xE9\xA2\x91 ") + std::to_string(n) +
                     "]]></title><furl><![CDATA[http://127.0.0.1/media/" + std::to_string(n) +
                     ".mp4]]></furl><ftype>mp4</ftype><size>" + std::to_string(1048576u * (n % 90 + 1)) +
                     "</size><time>0" + std::to_string(n % 10) + ":25</time><sites><site><![CDATA[loopback]]>"
                     "</site></sites></video>";
  (void)head;
  return body;
}

// One GET through WinINet's simplest path (InternetOpenUrlA on a session of
// its own), none of the program's code involved; the reply's size.
size_t PlainWinInetRoundTrip(const std::string& address) {
  static HINTERNET session = InternetOpenA("quorlin-bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!session) return 0;
  HINTERNET request = InternetOpenUrlA(session, address.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (!request) return 0;
  size_t got = 0;
  char buffer[4096];
  for (DWORD n = 0; InternetReadFile(request, buffer, sizeof buffer, &n) && n > 0;) got += n;
  InternetCloseHandle(request);
  return got;
}

// One HTTP/1.0 GET over a plain socket, without WinINet; the reply's size.
size_t RawRoundTrip(unsigned short port, const std::string& path) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return 0;
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  size_t got = 0;
  if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    char buffer[4096];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) got += static_cast<size_t>(n);
  }
  closesocket(s);
  return got;
}

// parts: empty for all, or a comma list of paint, hover, buttons, labels, read; the
// diagnostics fetch (FetchUrl alone) and raw (a socket round trip without
// WinINet) are run only when named.
int Soak(int rounds, const std::string& parts) {
  const auto has = [&](const char* part) {
    return parts.empty() || ("," + parts + ",").find(std::string(",") + part + ",") != std::string::npos;
  };
  const bool paint = has("paint"), hover = has("hover"), labelChanges = has("labels"), read = has("read");
  const bool pushButtons = has("buttons"), resize = has("resize");
  const bool fetchOnly = !parts.empty() && has("fetch"), raw = !parts.empty() && has("raw");
  const bool plain = !parts.empty() && has("wininet");
  std::printf("Soak: %d rounds of%s%s%s%s%s%s\n", rounds, paint ? " repaint," : "", hover ? " hover fade," : "",
              pushButtons ? " push-button hover and press," : "", resize ? " border drag," : "",
              labelChanges ? " label changes," : "", read ? " read-link" : "");
  if (fetchOnly || raw) std::printf("  with%s%s\n", fetchOnly ? " FetchUrl alone" : "", raw ? " raw socket round trips" : "");
  // A blind counter would let any leak pass as flat.
  if (!test::CountersSeeObjects()) {
    std::printf("Soak: FAIL: the GDI/USER object counters cannot see objects here\n");
    return 1;
  }
  std::unique_ptr<test::LoopbackHttpServer> server;
  const auto handler = [](const std::string& head) {
    if (head.rfind("GET /url/", 0) != 0) return test::OkReply("", true, "404 Not Found");
    return test::OkReply(SoakReply(head));
  };
  server = std::make_unique<test::LoopbackHttpServer>(handler, bench::ServicePort);
  if (!server->listening()) {
    server = std::make_unique<test::LoopbackHttpServer>(handler, 0);
    if (!server->listening()) {
      std::printf("soak: no loopback server\n");
      return 2;
    }
    std::snprintf(bench::ServiceAddressText, sizeof bench::ServiceAddressText, "%s", server->BaseAddress().c_str());
    std::printf("  port %u is taken; the service address is %s\n", bench::ServicePort, bench::ServiceAddressText);
  }

  UniqueWindow main(CreateMain(true));
  HWND w = main.get();
  if (!w) {
    std::printf("soak: CreateMainWindow failed\n");
    return 2;
  }
  ShowMain(w);
  Pump(100);

  const SkinRecord* r = RecordOf(w);
  const SIZE s = ClientSize(w);
  std::vector<LPARAM> buttons;
  for (const skin::CaptionButton& b : r->captionButtons)
    buttons.push_back(MAKELPARAM(static_cast<int>(b.rect.x + b.rect.width / 2),
                                 static_cast<int>(b.rect.y + b.rect.height / 2)));
  const LPARAM offRow = MAKELPARAM(s.cx / 2, s.cy / 2);
  HWND labels[] = {MainWindow.titleLabel, MainWindow.sizeLabel, MainWindow.formatLabel, MainWindow.durationLabel,
                   MainWindow.siteLabel};
  int failedReads = 0;

  const auto round = [&](int i) {
    if (paint) {
      InvalidateRect(w, nullptr, FALSE);
      PaintNow(w);
    }
    if (hover) {
      const WPARAM timer = reinterpret_cast<WPARAM>(w);
      SendMessageA(w, WM_MOUSEMOVE, 0, buttons[static_cast<size_t>(i) % buttons.size()]);
      SendMessageA(w, WM_MOUSEHOVER, 0, 0);
      for (int k = 0; k < 8; ++k) SendMessageA(w, WM_TIMER, timer, 0);
      SendMessageA(w, WM_MOUSEMOVE, 0, offRow);
      for (int k = 0; k < 8; ++k) SendMessageA(w, WM_TIMER, timer, 0);
    }
    if (pushButtons) {
      // Hover, press and a release off the button (no click), on both push
      // buttons; the copy button's text changes every round, so its kept
      // looks are emptied and composed again.
      SetWindowTextA(MainWindow.copyButton, (i & 1) ? "复制!" : "复制");
      for (HWND b : {MainWindow.readLinkButton, MainWindow.copyButton}) {
        RECT c;
        GetClientRect(b, &c);
        const LPARAM centre = MAKELPARAM(c.right / 2, c.bottom / 2);
        SendMessageA(b, WM_MOUSEMOVE, 0, centre);
        SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-30), static_cast<WORD>(-30)));
        SendMessageA(b, WM_MOUSELEAVE, 0, 0);
      }
      PaintNow(w);
    }
    if (resize) {
      // A short border drag: two draft steps, back to the first size and the
      // full-quality frame the drag's end asks for.
      RECT frame;
      GetWindowRect(w, &frame);
      const SIZE size = WindowSize(w);
      SendMessageA(w, WM_ENTERSIZEMOVE, 0, 0);
      for (const int grow : {8 + i % 5, 40}) {
        RECT proposed = {frame.left, frame.top, frame.left + size.cx + grow, frame.top + size.cy + grow / 2};
        SendMessageA(w, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
        SetWindowPos(w, nullptr, 0, 0, size.cx + grow, size.cy + grow / 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PaintNow(w);
      }
      SetWindowPos(w, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(w, WM_EXITSIZEMOVE, 0, 0);
      PaintNow(w);
    }
    char text[64];
    if (labelChanges) {
      for (size_t k = 0; k < 5; ++k) {
        std::snprintf(text, sizeof text, "第%d轮 %d", i, static_cast<int>(k));
        SetWindowTextA(labels[k], (i + static_cast<int>(k)) % 7 == 0 ? "" : text);
      }
      PaintNow(w);
    }
    if (read) {
      std::snprintf(text, sizeof text, "https://127.0.0.1/watch?v=%d", i);
      SetWindowTextA(MainWindow.addressEdit, text);
      ReadLink();
      WaitForReadLink();
      if (LinkInfo.furl.empty()) ++failedReads;
    }
    if (fetchOnly && FetchUrl(BuildRequestAddress("https://127.0.0.1/watch?v=" + std::to_string(i))).empty())
      ++failedReads;
    if (plain && PlainWinInetRoundTrip(server->BaseAddress() + "/url/" + std::to_string(i) + "=") == 0) ++failedReads;
    if (raw && RawRoundTrip(server->port(), "/url/" + std::to_string(i) + "=") == 0) ++failedReads;
    Pump();
  };

  constexpr int WarmUpRounds = 20;
  for (int i = 0; i < WarmUpRounds; ++i) round(i);
  const Counts before = Measure();
  const double t0 = NowMs();
  for (int i = 0; i < rounds; ++i) {
    round(WarmUpRounds + i);
    // The course of the counts, to tell a steady leak from a level reached once.
    if (rounds >= 1000 && (i + 1) % (rounds / 10) == 0) {
      const Counts c = Measure();
      std::printf("  after %6d rounds: GDI %lu, USER %lu, private bytes %llu\n", i + 1, c.gdi, c.user,
                  static_cast<unsigned long long>(c.privateBytes));
      std::fflush(stdout);
    }
  }
  const double elapsed = NowMs() - t0;
  const Counts after = Measure();

  // WinINet under Wine keeps a few hundred bytes for every request, whoever
  // makes it and even after its session is closed. The same number of plain
  // WinINet requests, with none of the program's code, is the baseline the
  // read-link rounds are measured against.
  long long platformGrowth = 0;
  if (read) {
    const std::string address = server->BaseAddress() + "/url/plain=";
    for (int i = 0; i < WarmUpRounds; ++i) PlainWinInetRoundTrip(address);
    const Counts plainBefore = Measure();
    for (int i = 0; i < rounds; ++i) PlainWinInetRoundTrip(address);
    platformGrowth = std::max(0ll, static_cast<long long>(Measure().privateBytes) -
                                       static_cast<long long>(plainBefore.privateBytes));
  }

  // What a round may leave behind at most, over the whole run: the counts
  // must come back to where they were after the warm-up.
  constexpr long GdiAllowance = 4;
  constexpr long UserAllowance = 2;
  constexpr long long PrivateBytesAllowance = 2ll << 20;
  const long gdiGrowth = static_cast<long>(after.gdi) - static_cast<long>(before.gdi);
  const long userGrowth = static_cast<long>(after.user) - static_cast<long>(before.user);
  const long long memoryGrowth = static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes);
  std::printf("  %d rounds in %.0f ms (%.2f ms a round), after %d warm-up rounds\n", rounds, elapsed,
              elapsed / rounds, WarmUpRounds);
  std::printf("  %-14s %12s %12s %12s %12s\n", "", "before", "after", "growth", "allowed");
  std::printf("  %-14s %12lu %12lu %12ld %12ld\n", "GDI objects", before.gdi, after.gdi, gdiGrowth, GdiAllowance);
  std::printf("  %-14s %12lu %12lu %12ld %12ld\n", "USER objects", before.user, after.user, userGrowth, UserAllowance);
  std::printf("  %-14s %12llu %12llu %12lld %12lld\n", "private bytes",
              static_cast<unsigned long long>(before.privateBytes), static_cast<unsigned long long>(after.privateBytes),
              memoryGrowth, PrivateBytesAllowance + platformGrowth);
  if (read)
    std::printf("  allowed private bytes: %lld plus the %lld that %d plain WinINet requests (no program code) grew"
                " in this run\n",
                PrivateBytesAllowance, platformGrowth, rounds);
  std::printf("  read-link round trips without a download address: %d\n", failedReads);
  const bool ok = gdiGrowth <= GdiAllowance && userGrowth <= UserAllowance &&
                  memoryGrowth <= PrivateBytesAllowance + platformGrowth && failedReads == 0;
  std::printf("soak: %s\n", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int soakRounds = -1;
  std::string only;  // one section: paints, buttons, large, resize, range, toolbars, lists, combos, startup, cycle, replies
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      Quick = true;
    } else if (std::strcmp(argv[i], "--soak") == 0 && i + 1 < argc) {
      soakRounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
      only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: quorlin_bench [--quick] [--only paints|buttons|large|resize|range|toolbars|lists|combos|"
                           "startup|cycle|replies]\n"
                           "       quorlin_bench --soak N [--only paint,hover,buttons,resize,labels,read]\n");
      return 2;
    }
  }

  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&GraphicsToken, &input, nullptr);
  ApplicationIcon = LoadIconA(GetModuleHandleA(nullptr), "DEFAULT_ICON");
  if (!ApplicationIcon) ApplicationIcon = LoadIconA(nullptr, IDI_APPLICATION);
  SetSkinStartValues();
  OleInitialize(nullptr);

  int result = 0;
  if (soakRounds > 0) {
    result = Soak(soakRounds, only);
  } else {
    std::printf("quorlin_bench%s: medians in milliseconds (QueryPerformanceCounter)\n", Quick ? " --quick" : "");
    const auto run = [&](const char* name, void (*section)()) {
      if (only.empty() || only == name) section();
    };
    // Start-up first, in a process as fresh as a program's: after the other
    // sections every window of the main window takes about twice as long to
    // make, the unskinned one's too, and the ratio reads lower than a start's.
    run("startup", BenchStartUp);
    run("paints", BenchMainWindowPaints);
    run("buttons", BenchPushButtons);
    run("large", BenchLargeWindow);
    run("resize", BenchResize);
    run("range", BenchRangeControls);
    run("toolbars", BenchToolbars);
    run("lists", BenchListControls);
    run("combos", BenchComboBoxes);
    run("cycle", BenchCycleBreakdown);
    run("replies", BenchReplies);
    PrintTable();
  }

  CloseInternetHandle();
  OleUninitialize();
  Gdiplus::GdiplusShutdown(GraphicsToken);
  GraphicsToken = 0;
  return result;
}
