#include "wcl/AxHost.h"
#include <olectl.h>

namespace
{
HRESULT CreateSystemControl(REFCLSID clsid, IUnknown** out)
{
    return ::CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                              reinterpret_cast<void**>(out));
}

AxCreateControlFn g_createControl = CreateSystemControl;

// The container side of one hosted control: its client site, in-place site
// and frame, and the ambient properties it asks for. Owned by the host
// window (extra window bytes), released when the window goes.
class CAxSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch
{
public:
    explicit CAxSite(HWND host) : m_host(host) {}

    bool CreateControl(const char* name);
    void Resize();
    void Close();
    HRESULT QueryControl(REFIID iid, void** out)
    {
        *out = nullptr;
        return m_control ? m_control->QueryInterface(iid, out) : E_NOINTERFACE;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)::InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return (ULONG)refs;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override { *out = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** out) override { *out = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for the in-place site and the frame alike)
    STDMETHODIMP GetWindow(HWND* out) override { *out = m_host; return m_host ? S_OK : E_FAIL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return m_host ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override
    {
        AddRef();
        *frame = this;
        *doc = nullptr;
        ::GetClientRect(m_host, pos);
        ::GetClientRect(m_host, clip);
        if (info)
        {
            info->fMDIApp = FALSE;
            info->hwndFrame = ::GetAncestor(m_host, GA_ROOT);
            info->haccel = NULL;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { Resize(); return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or
    // status bar are lent to the control.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties. The control runs in user mode (not
    // in a designer) and draws no handles or hatching.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override { *out = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override
    {
        if (!(flags & DISPATCH_PROPERTYGET) || !result)
            return DISP_E_MEMBERNOTFOUND;
        switch (id)
        {
        case DISPID_AMBIENT_USERMODE:
            return BoolResult(result, true);
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_UIDEAD:
            return BoolResult(result, false);
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    LONG m_refs = 1;
    HWND m_host;
    IUnknown* m_control = nullptr;
    IOleObject* m_object = nullptr;

    virtual ~CAxSite() {}

    static HRESULT BoolResult(VARIANT* result, bool value)
    {
        ::VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};

bool CAxSite::CreateControl(const char* name)
{
    WCHAR wide[128] = L"";
    if (!name || !::MultiByteToWideChar(CP_ACP, 0, name, -1, wide, sizeof(wide) / sizeof(wide[0])))
        return false;
    CLSID clsid;
    if (FAILED(::CLSIDFromString(wide, &clsid)) && FAILED(::CLSIDFromProgID(wide, &clsid)))
        return false;
    if (FAILED(g_createControl(clsid, &m_control)) || !m_control)
    {
        m_control = nullptr;
        return false;
    }
    if (FAILED(m_control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_object))))
    {
        m_object = nullptr;
        return true; // a plain object: reachable, but nothing to activate
    }
    m_object->SetClientSite(this);
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(m_control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))))
    {
        persist->InitNew();
        persist->Release();
    }
    RECT rc;
    ::GetClientRect(m_host, &rc);
    m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, this, 0, m_host, &rc);
    return true;
}

void CAxSite::Resize()
{
    IOleInPlaceObject* inPlace = nullptr;
    if (!m_control || FAILED(m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))))
        return;
    RECT rc;
    ::GetClientRect(m_host, &rc);
    inPlace->SetObjectRects(&rc, &rc);
    inPlace->Release();
}

void CAxSite::Close()
{
    if (m_object)
    {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))))
        {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
        m_object->Release();
        m_object = nullptr;
    }
    if (m_control)
    {
        m_control->Release();
        m_control = nullptr;
    }
    m_host = NULL;
}

CAxSite* SiteOf(HWND host)
{
    char cls[32] = "";
    if (!host || !::GetClassNameA(host, cls, sizeof(cls)) || ::lstrcmpiA(cls, AX_HOST_CLASS) != 0)
        return nullptr;
    return reinterpret_cast<CAxSite*>(::GetWindowLongPtrA(host, 0));
}

LRESULT CALLBACK HostWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CREATE:
    {
        CAxSite* site = new CAxSite(wnd);
        ::SetWindowLongPtrA(wnd, 0, reinterpret_cast<LONG_PTR>(site));
        site->CreateControl(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpszName);
        return 0;
    }
    case WM_SIZE:
        if (CAxSite* site = SiteOf(wnd))
            site->Resize();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the control paints the whole window
    case WM_DESTROY:
        if (CAxSite* site = SiteOf(wnd))
        {
            ::SetWindowLongPtrA(wnd, 0, 0);
            site->Close();
            site->Release();
        }
        return 0;
    default:
        return ::DefWindowProcA(wnd, msg, wParam, lParam);
    }
}
} // namespace

bool AxHostRegister()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExA(::GetModuleHandleA(NULL), AX_HOST_CLASS, &wc))
        return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = HostWindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = ::GetModuleHandleA(NULL);
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = AX_HOST_CLASS;
    return ::RegisterClassExA(&wc) != 0;
}

HRESULT AxHostQueryControl(HWND host, REFIID iid, void** out)
{
    *out = nullptr;
    CAxSite* site = SiteOf(host);
    return site ? site->QueryControl(iid, out) : E_NOINTERFACE;
}

void AxHostSetCreateFunction(AxCreateControlFn create)
{
    g_createControl = create ? create : CreateSystemControl;
}
