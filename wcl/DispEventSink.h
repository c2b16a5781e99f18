#pragma once
#include "wcl/Win.h"
#include <ole2.h>

// A subscription to the events of a COM object's dispatch event interface:
// advised on the object's connection point for that interface, it hands each
// event to a callback until Unadvise.
//
//   m_sink = CDispEventSink::Advise(browser, DIID_DWebBrowserEvents2, OnEvent, this);
//   ...
//   m_sink->Unadvise(); m_sink = nullptr;
class CDispEventSink : public IDispatch
{
public:
    typedef void (*Handler)(void* context, DISPID id, DISPPARAMS* params);

    // Null when the object has no such connection point or refuses.
    static CDispEventSink* Advise(IUnknown* source, REFIID events, Handler handler, void* context);
    // Ends the subscription and gives up the sink (the pointer is invalid after).
    void Unadvise();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    CDispEventSink(REFIID events, Handler handler, void* context);
    virtual ~CDispEventSink() {}

    LONG m_refs = 1;
    IID m_events;
    Handler m_handler;
    void* m_context;
    IConnectionPoint* m_point = nullptr;
    DWORD m_cookie = 0;
};
