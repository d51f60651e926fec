#include <doctest/doctest.h>

#include <ole2.h>
#include <docobj.h>
#include <exdisp.h>
#include <exdispid.h>
#include <oleauto.h>
#include <windows.h>

#include <string>

#include "app/browser_pane.h"

namespace {

using quorlin::BrowserPane;

struct OleSession {
  HRESULT hr = OleInitialize(nullptr);
  ~OleSession() {
    if (SUCCEEDED(hr)) OleUninitialize();
  }
};

// Runs the thread's messages for up to ms milliseconds or until done() holds.
template <typename Done>
bool PumpUntil(DWORD ms, Done done) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
void Pump(DWORD ms) {
  PumpUntil(ms, [] { return false; });
}

// A plain top-level window for the pane to live in.
struct ParentWindow {
  HWND hwnd = nullptr;
  ParentWindow() {
    static const bool registered = [] {
      WNDCLASSEXA wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = "QuorlinBrowserPaneTestParent";
      return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
    hwnd = CreateWindowExA(0, "QuorlinBrowserPaneTestParent", "Quorlin",
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40, 760, 380,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~ParentWindow() {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;
};

// Hiding or destroying a shown top-level window costs Wine under Xvfb about
// two seconds, so the tests share one parent, made when first needed and
// left to the end of the process.
HWND SharedParent() {
  static ParentWindow* parent = new ParentWindow;
  return parent->hwnd;
}

// The pane handle, destroyed at scope exit unless released.
struct PaneHandle {
  BrowserPane* pane = nullptr;
  explicit PaneHandle(BrowserPane* p) : pane(p) {}
  ~PaneHandle() { quorlin::DestroyBrowserPane(pane); }
  PaneHandle(const PaneHandle&) = delete;
  PaneHandle& operator=(const PaneHandle&) = delete;
  void Destroy() {
    quorlin::DestroyBrowserPane(pane);
    pane = nullptr;
  }
};

struct NewWindowLog {
  int calls = 0;
  static void Handler(void* context) { ++static_cast<NewWindowLog*>(context)->calls; }
};

const RECT kPaneRect{448, 0, 448 + 256, 0 + 312};

RECT RectInParent(HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// The control's own window: the in-place object's window.
HWND ControlWindow(IWebBrowser2* browser) {
  HWND hwnd = nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  if (browser && SUCCEEDED(browser->QueryInterface(IID_IOleInPlaceObject,
                                                   reinterpret_cast<void**>(&inPlace)))) {
    inPlace->GetWindow(&hwnd);
    inPlace->Release();
  }
  return hwnd;
}

std::wstring LocationUrl(IWebBrowser2* browser) {
  BSTR url = nullptr;
  std::wstring out;
  if (browser && SUCCEEDED(browser->get_LocationURL(&url)) && url) out.assign(url, SysStringLen(url));
  SysFreeString(url);
  return out;
}

BOOL CALLBACK CountOne(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int CountWindows(HWND parent) {
  int n = 0;
  EnumChildWindows(parent, CountOne, reinterpret_cast<LPARAM>(&n));
  return n;
}

BOOL CALLBACK CountWithChildren(HWND hwnd, LPARAM count) {
  *reinterpret_cast<int*>(count) += 1 + CountWindows(hwnd);
  return TRUE;
}

// Every window of this thread, the children of each included.
int CountThreadWindows() {
  int n = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWithChildren, reinterpret_cast<LPARAM>(&n));
  return n;
}

// Whether the control's IEnumConnections::Next AddRefs the sinks it hands
// out, as COM asks. Wine's does not; releasing them there would free the
// pane under the control. Learnt by EventConnections when it is given the
// pane's sink, whose reference count it can read.
bool enumeratorAddRefs = true;

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// How many sinks are connected to the control's DWebBrowserEvents2
// connection point (only those that are sink, when it is given), or -1 when
// the control cannot tell.
int EventConnections(IWebBrowser2* browser, IDispatch* sink = nullptr) {
  int found = -1;
  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  IEnumConnections* connections = nullptr;
  IUnknown* sinkIdentity = nullptr;
  if (sink && FAILED(sink->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&sinkIdentity))))
    return -1;
  if (SUCCEEDED(browser->QueryInterface(IID_IConnectionPointContainer,
                                        reinterpret_cast<void**>(&container))) &&
      SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) &&
      SUCCEEDED(point->EnumConnections(&connections)) && connections) {
    found = 0;
    for (;;) {
      const ULONG before = sink ? RefCount(sink) : 0;
      CONNECTDATA data{};
      if (connections->Next(1, &data, nullptr) != S_OK) break;
      if (!data.pUnk) continue;
      const ULONG after = sink ? RefCount(sink) : 0;
      IUnknown* identity = nullptr;
      if (SUCCEEDED(data.pUnk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
        if (!sinkIdentity || identity == sinkIdentity) {
          ++found;
          if (sinkIdentity) enumeratorAddRefs = after > before;
        }
        identity->Release();
      }
      if (enumeratorAddRefs) data.pUnk->Release();
    }
  }
  if (sinkIdentity) sinkIdentity->Release();
  if (connections) connections->Release();
  if (point) point->Release();
  if (container) container->Release();
  return found;
}

// Invokes a new-window notification the way the control does, with the
// arguments in reverse order and a real cancel flag.
HRESULT FireNewWindow3(IDispatch* sink, VARIANT_BOOL* cancel) {
  IDispatch* newDisp = nullptr;
  BSTR context = SysAllocString(L"about:blank");
  BSTR url = SysAllocString(L"http://example.invalid/new");
  VARIANTARG args[5];
  for (auto& a : args) VariantInit(&a);
  V_VT(&args[4]) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&args[4]) = &newDisp;
  V_VT(&args[3]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&args[3]) = cancel;
  V_VT(&args[2]) = VT_UI4;
  V_UI4(&args[2]) = 0x6;  // NWMF_USERINITED | NWMF_FIRST
  V_VT(&args[1]) = VT_BSTR;
  V_BSTR(&args[1]) = context;
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = url;
  DISPPARAMS params{args, nullptr, 5, 0};
  HRESULT hr = sink->Invoke(DISPID_NEWWINDOW3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                            &params, nullptr, nullptr, nullptr);
  SysFreeString(context);
  SysFreeString(url);
  return hr;
}

HRESULT FireNewWindow2(IDispatch* sink, VARIANT_BOOL* cancel) {
  IDispatch* newDisp = nullptr;
  VARIANTARG args[2];
  for (auto& a : args) VariantInit(&a);
  V_VT(&args[1]) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&args[1]) = &newDisp;
  V_VT(&args[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&args[0]) = cancel;
  DISPPARAMS params{args, nullptr, 2, 0};
  return sink->Invoke(DISPID_NEWWINDOW2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                      nullptr, nullptr, nullptr);
}

}  // namespace

TEST_CASE("browser pane hosts the control in its own child window") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  HWND parent = SharedParent();
  REQUIRE(parent);
  NewWindowLog log;
  PaneHandle pane(quorlin::CreateBrowserPane(parent, kPaneRect, "about:blank",
                                             &NewWindowLog::Handler, &log));
  REQUIRE(pane.pane);
  HWND host = quorlin::BrowserPaneWindow(pane.pane);
  IWebBrowser2* browser = quorlin::BrowserPaneBrowser(pane.pane);
  REQUIRE(host);
  REQUIRE(browser);

  SUBCASE("the host window is a visible child at the requested rect") {
    CHECK(GetParent(host) == parent);
    CHECK(ClassOf(host) == "QuorlinBrowserHost");
    const LONG style = GetWindowLongA(host, GWL_STYLE);
    CHECK((style & WS_CHILD) != 0);
    CHECK((style & WS_VISIBLE) != 0);
    CHECK((style & WS_CLIPCHILDREN) != 0);
    const RECT rc = RectInParent(host);
    CHECK(rc.left == 448);
    CHECK(rc.top == 0);
    CHECK(rc.right == 704);
    CHECK(rc.bottom == 312);
  }

  SUBCASE("the control is in-place active inside the host and fills it") {
    HWND control = ControlWindow(browser);
    REQUIRE(control);
    CHECK(GetParent(control) == host);
    CHECK(IsWindowVisible(control));
    RECT rc = RectInParent(control);
    CHECK(rc.left == 0);
    CHECK(rc.top == 0);
    CHECK(rc.right == 256);
    CHECK(rc.bottom == 312);

    // It follows the host's size.
    SetWindowPos(host, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump(50);
    rc = RectInParent(control);
    CHECK(rc.right - rc.left == 300);
    CHECK(rc.bottom - rc.top == 200);
  }

  SUBCASE("browser dialogs are allowed and the browser is not offline") {
    VARIANT_BOOL silent = VARIANT_TRUE, offline = VARIANT_TRUE;
    CHECK(SUCCEEDED(browser->get_Silent(&silent)));
    CHECK(silent == VARIANT_FALSE);
    CHECK(SUCCEEDED(browser->get_Offline(&offline)));
    CHECK(offline == VARIANT_FALSE);
  }

  SUBCASE("the start page loads") {
    const bool loaded = PumpUntil(5000, [&] { return LocationUrl(browser) == L"about:blank"; });
    CHECK(loaded);
    // The text size is set once there is a document; a control that cannot
    // report it is left alone.
    PumpUntil(1000, [&] {
      READYSTATE state = READYSTATE_UNINITIALIZED;
      return SUCCEEDED(browser->get_ReadyState(&state)) && state == READYSTATE_COMPLETE;
    });
    VARIANT size;
    VariantInit(&size);
    if (SUCCEEDED(browser->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, &size)) &&
        V_VT(&size) == VT_I4) {
      CHECK(V_I4(&size) == 2);
    } else {
      MESSAGE("the control does not report its text size");
    }
    VariantClear(&size);
  }

  SUBCASE("a start page in the ANSI code page arrives as its Unicode text") {
    quorlin::DestroyBrowserPane(pane.pane);
    pane.pane = quorlin::CreateBrowserPane(parent, kPaneRect, "about:blank#\xCA\xD3\xC6\xB5",
                                           nullptr, nullptr);
    REQUIRE(pane.pane);
    browser = quorlin::BrowserPaneBrowser(pane.pane);
    REQUIRE(browser);
    // 0xCA 0xD3 0xC6 0xB5 is "视频" in code page 936.
    std::wstring url;
    PumpUntil(5000, [&] { return !(url = LocationUrl(browser)).empty(); });
    const bool asTyped = url == L"about:blank#\u89C6\u9891";
    const bool escaped = url == L"about:blank#%E8%A7%86%E9%A2%91";
    CHECK((asTyped || escaped));
  }

  SUBCASE("the event sink answers as a DWebBrowserEvents2 dispatch") {
    IDispatch* sink = quorlin::BrowserPaneEventSink(pane.pane);
    REQUIRE(sink);
    IUnknown* events = nullptr;
    REQUIRE(SUCCEEDED(sink->QueryInterface(DIID_DWebBrowserEvents2,
                                           reinterpret_cast<void**>(&events))));
    CHECK(events == static_cast<IUnknown*>(sink));
    events->Release();
    const int connections = EventConnections(browser, sink);
    if (connections >= 0) {
      CHECK(connections == 1);
    } else {
      MESSAGE("the control does not list its event connections");
    }
  }

  CHECK(log.calls == 0);  // nothing above opens a new window
}

TEST_CASE("new-window notifications run the handler and never cancel") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  HWND parent = SharedParent();
  REQUIRE(parent);
  NewWindowLog log;
  PaneHandle pane(quorlin::CreateBrowserPane(parent, kPaneRect, "about:blank",
                                             &NewWindowLog::Handler, &log));
  REQUIRE(pane.pane);
  Pump(100);
  IDispatch* sink = quorlin::BrowserPaneEventSink(pane.pane);
  REQUIRE(sink);

  VARIANT_BOOL cancel = VARIANT_FALSE;
  CHECK(FireNewWindow3(sink, &cancel) == S_OK);
  CHECK(log.calls == 1);
  CHECK(cancel == VARIANT_FALSE);

  CHECK(FireNewWindow2(sink, &cancel) == S_OK);
  CHECK(log.calls == 2);
  CHECK(cancel == VARIANT_FALSE);

  // Other notifications do not reach the handler.
  VARIANTARG text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"status");
  DISPPARAMS params{&text, nullptr, 1, 0};
  sink->Invoke(DISPID_STATUSTEXTCHANGE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
               nullptr, nullptr, nullptr);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  sink->Invoke(DISPID_DOCUMENTCOMPLETE + 1000, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
               &none, nullptr, nullptr, nullptr);
  VariantClear(&text);
  CHECK(log.calls == 2);
}

TEST_CASE("a pane without a handler takes new-window notifications quietly") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  HWND parent = SharedParent();
  REQUIRE(parent);
  PaneHandle pane(quorlin::CreateBrowserPane(parent, kPaneRect, nullptr, nullptr, nullptr));
  REQUIRE(pane.pane);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  CHECK(FireNewWindow3(quorlin::BrowserPaneEventSink(pane.pane), &cancel) == S_OK);
  CHECK(FireNewWindow2(quorlin::BrowserPaneEventSink(pane.pane), &cancel) == S_OK);
  CHECK(cancel == VARIANT_FALSE);
}

TEST_CASE("creating a pane fails cleanly without a parent window") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  const long live = quorlin::BrowserPaneLiveObjects();
  CHECK(quorlin::CreateBrowserPane(nullptr, kPaneRect, "about:blank", nullptr, nullptr) ==
        nullptr);
  CHECK(quorlin::BrowserPaneLiveObjects() == live);
  quorlin::DestroyBrowserPane(nullptr);
  CHECK(quorlin::BrowserPaneBrowser(nullptr) == nullptr);
  CHECK(quorlin::BrowserPaneWindow(nullptr) == nullptr);
}

TEST_CASE("destroying panes gives back windows, COM references and GUI objects") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  HWND parent = SharedParent();
  REQUIRE(parent);
  const HANDLE process = GetCurrentProcess();
  const long liveBefore = quorlin::BrowserPaneLiveObjects();

  auto cycle = [&] {
    NewWindowLog log;
    BrowserPane* pane = quorlin::CreateBrowserPane(parent, kPaneRect, "about:blank",
                                                   &NewWindowLog::Handler, &log);
    REQUIRE(pane);
    IWebBrowser2* browser = quorlin::BrowserPaneBrowser(pane);
    REQUIRE(browser);
    browser->AddRef();
    PumpUntil(1000, [&] { return !LocationUrl(browser).empty(); });
    const int connected = EventConnections(browser, quorlin::BrowserPaneEventSink(pane));
    const bool listsConnections = connected >= 0;
    if (listsConnections) CHECK(connected == 1);
    quorlin::DestroyBrowserPane(pane);
    Pump(20);
    if (listsConnections) CHECK(EventConnections(browser) == 0);
    // Whatever the control still holds on to, the pane holds nothing.
    const ULONG left = browser->Release();
    CHECK(left == 0);
    CHECK(quorlin::BrowserPaneLiveObjects() == liveBefore);
  };

  // The first panes load the browser's libraries and their caches.
  for (int i = 0; i < 3; ++i) cycle();
  const int windows = CountThreadWindows();
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);

  for (int i = 0; i < 20; ++i) cycle();
  CHECK(CountThreadWindows() == windows);
  CHECK(CountWindows(parent) == 0);
  CHECK(GetGuiResources(process, GR_GDIOBJECTS) <= gdi + 2);
  CHECK(GetGuiResources(process, GR_USEROBJECTS) <= user + 2);
}

TEST_CASE("destroying the parent first releases the control") {
  OleSession ole;
  REQUIRE(SUCCEEDED(ole.hr));
  const long liveBefore = quorlin::BrowserPaneLiveObjects();
  NewWindowLog log;
  ParentWindow parent;
  PaneHandle pane(quorlin::CreateBrowserPane(parent.hwnd, kPaneRect, "about:blank",
                                             &NewWindowLog::Handler, &log));
  REQUIRE(pane.pane);
  IWebBrowser2* browser = quorlin::BrowserPaneBrowser(pane.pane);
  REQUIRE(browser);
  HWND host = quorlin::BrowserPaneWindow(pane.pane);
  browser->AddRef();
  Pump(200);

  DestroyWindow(parent.hwnd);
  CHECK_FALSE(IsWindow(host));
  CHECK(quorlin::BrowserPaneWindow(pane.pane) == nullptr);
  CHECK(quorlin::BrowserPaneBrowser(pane.pane) == nullptr);
  CHECK(EventConnections(browser, quorlin::BrowserPaneEventSink(pane.pane)) <= 0);
  CHECK(browser->Release() == 0);
  // Only the handle keeps the pane object now.
  CHECK(quorlin::BrowserPaneLiveObjects() == liveBefore + 1);
  Pump(50);

  pane.Destroy();
  CHECK(quorlin::BrowserPaneLiveObjects() == liveBefore);
}
