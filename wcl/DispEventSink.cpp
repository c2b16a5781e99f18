#include "wcl/DispEventSink.h"
#include <olectl.h>

CDispEventSink::CDispEventSink(REFIID events, Handler handler, void* context)
    : m_events(events), m_handler(handler), m_context(context)
{
}

CDispEventSink* CDispEventSink::Advise(IUnknown* source, REFIID events, Handler handler, void* context)
{
    if (!source)
        return nullptr;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
        return nullptr;
    IConnectionPoint* point = nullptr;
    HRESULT hr = container->FindConnectionPoint(events, &point);
    container->Release();
    if (FAILED(hr) || !point)
        return nullptr;
    CDispEventSink* sink = new CDispEventSink(events, handler, context);
    if (FAILED(point->Advise(static_cast<IDispatch*>(sink), &sink->m_cookie)))
    {
        point->Release();
        sink->Release();
        return nullptr;
    }
    sink->m_point = point;
    return sink;
}

void CDispEventSink::Unadvise()
{
    m_handler = nullptr;
    if (m_point)
    {
        m_point->Unadvise(m_cookie);
        m_point->Release();
        m_point = nullptr;
    }
    Release();
}

STDMETHODIMP CDispEventSink::QueryInterface(REFIID iid, void** out)
{
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_events)
    {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CDispEventSink::AddRef()
{
    return (ULONG)::InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) CDispEventSink::Release()
{
    LONG refs = ::InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return (ULONG)refs;
}

STDMETHODIMP CDispEventSink::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

STDMETHODIMP CDispEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** out)
{
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CDispEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CDispEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    if (m_handler)
        m_handler(m_context, id, params);
    return S_OK;
}
