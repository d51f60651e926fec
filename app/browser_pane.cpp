#include "app/browser_pane.h"

#include <ole2.h>
#include <docobj.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <oleauto.h>

#include <atomic>
#include <new>

namespace quorlin {
namespace {

constexpr char kHostClassName[] = "QuorlinBrowserHost";
// Text size on the browser's 0 (smallest) to 4 (largest) scale.
constexpr LONG kMediumTextSize = 2;

std::atomic<long> liveObjects{0};

template <typename T>
void ReleaseAndClear(T*& p) {
  if (p) {
    T* q = p;
    p = nullptr;
    q->Release();
  }
}

LRESULT CALLBACK HostWndProc(HWND, UINT, WPARAM, LPARAM);

bool RegisterHostClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(instance, kHostClassName, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HostWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kHostClassName;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// BSTR from an ANSI text; nullptr when the text is empty or cannot be
// converted. The caller frees it with SysFreeString.
BSTR BstrFromAnsi(const char* text) {
  if (!text || !*text) return nullptr;
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 1) return nullptr;
  BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(n - 1));
  if (!s) return nullptr;
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, s, n) != n) {
    SysFreeString(s);
    return nullptr;
  }
  return s;
}

}  // namespace

// The container: client site, in-place site and frame for the control, and
// the sink of its DWebBrowserEvents2 notifications. One reference belongs to
// the caller's handle; the control holds others while it is attached.
struct BrowserPane final : IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDispatch {
  BrowserPane(NewWindowHandler handler, void* context) : onNewWindow(handler), context(context) {
    ++liveObjects;
  }
  BrowserPane(const BrowserPane&) = delete;
  BrowserPane& operator=(const BrowserPane&) = delete;

  // ---- IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) ||
               IsEqualIID(riid, IID_IOleInPlaceFrame)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
      *out = static_cast<IDispatch*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
  STDMETHODIMP_(ULONG) Release() override {
    long n = --refs;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // ---- IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // ---- IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override {
    if (!out) return E_POINTER;
    *out = host;
    return host ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // ---- IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return host ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                LPRECT posRect, LPRECT clipRect,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (frame) *frame = nullptr;
    if (doc) *doc = nullptr;
    if (!frame || !doc || !posRect || !clipRect || !info) return E_POINTER;
    if (!host) return E_FAIL;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    RECT rc{};
    GetClientRect(host, &rc);
    *posRect = rc;
    *clipRect = rc;
    // info->cb is set by the caller.
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(host, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
    // The control always fills the host window.
    (void)rect;
    FitToHost();
    return S_OK;
  }

  // ---- IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // ---- IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // ---- IDispatch: the DWebBrowserEvents2 sink. Ambient property requests
  // from the control arrive here too; none is answered, so the control keeps
  // its defaults.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    switch (id) {
      case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
      case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        // The cancel flag is left as the control passed it: the new window
        // opens. Some platforms send both notifications for one window; the
        // handler is idempotent.
        if (onNewWindow) {
          AddRef();  // the handler may destroy the pane
          onNewWindow(context);
          Release();
        }
        return S_OK;
      case DISPID_DOCUMENTCOMPLETE:
        if (zoomPending) ApplyTextSize();
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // ---- The pane

  bool Attach(HWND parent, const RECT& rect, const char* startPage) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterHostClass(instance)) return false;
    host = CreateWindowExA(0, kHostClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           parent, nullptr, instance, this);
    if (!host) return false;

    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&oleObject))) ||
        !oleObject)
      return false;
    if (FAILED(oleObject->SetClientSite(static_cast<IOleClientSite*>(this)))) return false;
    clientSiteSet = true;
    if (FAILED(oleObject->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser))) ||
        !browser)
      return false;

    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(oleObject->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(&container))) &&
        container) {
      if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &connection)) &&
          connection) {
        if (FAILED(connection->Advise(static_cast<IDispatch*>(this), &cookie))) {
          cookie = 0;
          ReleaseAndClear(connection);
        }
      }
      container->Release();
    }

    RECT client{};
    GetClientRect(host, &client);
    if (FAILED(oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                 static_cast<IOleClientSite*>(this), 0, host, &client)))
      return false;
    oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
    browser->put_Visible(VARIANT_TRUE);
    FitToHost();

    browser->put_Silent(VARIANT_FALSE);   // the browser may show its dialogs
    browser->put_Offline(VARIANT_FALSE);  // and goes to the network
    ApplyTextSize();  // usually needs a document; retried when one is complete

    if (BSTR url = BstrFromAnsi(startPage)) {
      VARIANT target;
      VariantInit(&target);
      V_VT(&target) = VT_BSTR;
      V_BSTR(&target) = url;
      VARIANT empty;
      VariantInit(&empty);
      browser->Navigate2(&target, &empty, &empty, &empty, &empty);
      VariantClear(&target);
    }
    return true;
  }

  // Cuts the event connection and lets go of the control. Runs when the host
  // window is destroyed, and again (doing nothing) from DestroyBrowserPane.
  void Detach() {
    if (detaching) return;
    detaching = true;
    AddRef();  // the control's releases must not free this object meanwhile
    if (connection) {
      if (cookie) connection->Unadvise(cookie);
      cookie = 0;
      ReleaseAndClear(connection);
    }
    if (inPlace) {
      inPlace->InPlaceDeactivate();
      ReleaseAndClear(inPlace);
    }
    ReleaseAndClear(browser);
    if (oleObject) {
      oleObject->Close(OLECLOSE_NOSAVE);
      if (clientSiteSet) oleObject->SetClientSite(nullptr);
      ReleaseAndClear(oleObject);
    }
    clientSiteSet = false;
    zoomPending = false;
    host = nullptr;
    detaching = false;
    Release();
  }

  void FitToHost() {
    if (!host) return;
    RECT rc{};
    GetClientRect(host, &rc);
    if (inPlace) inPlace->SetObjectRects(&rc, &rc);
  }

  void ApplyTextSize() {
    if (!browser) return;
    VARIANT size;
    VariantInit(&size);
    V_VT(&size) = VT_I4;
    V_I4(&size) = kMediumTextSize;
    zoomPending = FAILED(browser->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &size,
                                         nullptr));
  }

  HWND host = nullptr;
  IOleObject* oleObject = nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  IWebBrowser2* browser = nullptr;
  IConnectionPoint* connection = nullptr;
  DWORD cookie = 0;
  bool clientSiteSet = false;
  bool zoomPending = true;
  bool detaching = false;
  NewWindowHandler onNewWindow;
  void* context;

 private:
  ~BrowserPane() { --liveObjects; }
  std::atomic<long> refs{1};
};

namespace {

BrowserPane* PaneOf(HWND hwnd) {
  return reinterpret_cast<BrowserPane*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_SIZE:
      if (BrowserPane* pane = PaneOf(hwnd)) pane->FitToHost();
      return 0;
    case WM_DESTROY:
      // The control's own windows are children of this one and still exist
      // here, so it can deactivate cleanly.
      if (BrowserPane* pane = PaneOf(hwnd)) pane->Detach();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

BrowserPane* CreateBrowserPane(HWND parent, const RECT& rect, const char* startPage,
                               NewWindowHandler onNewWindow, void* context) {
  if (!parent || !IsWindow(parent)) return nullptr;
  auto* pane = new (std::nothrow) BrowserPane(onNewWindow, context);
  if (!pane) return nullptr;
  if (!pane->Attach(parent, rect, startPage)) {
    DestroyBrowserPane(pane);
    return nullptr;
  }
  return pane;
}

HWND BrowserPaneWindow(const BrowserPane* pane) { return pane ? pane->host : nullptr; }

void DestroyBrowserPane(BrowserPane* pane) {
  if (!pane) return;
  HWND host = pane->host;
  if (host && IsWindow(host)) {
    if (!DestroyWindow(host)) SetWindowLongPtrA(host, GWLP_USERDATA, 0);
  }
  pane->Detach();  // nothing left to do when the window went first
  pane->Release();
}

IDispatch* BrowserPaneEventSink(const BrowserPane* pane) {
  return pane ? static_cast<IDispatch*>(const_cast<BrowserPane*>(pane)) : nullptr;
}

IWebBrowser2* BrowserPaneBrowser(const BrowserPane* pane) {
  return pane ? pane->browser : nullptr;
}

long BrowserPaneLiveObjects() { return liveObjects.load(); }

}  // namespace quorlin
