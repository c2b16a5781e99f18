#include "tests/support/MessageBoxRecorder.h"
#include "base/Language.h"

namespace
{
CMessageBoxRecorder* s_recorder = nullptr;
}

CMessageBoxRecorder::CMessageBoxRecorder(int defaultAnswer)
    : m_defaultAnswer(defaultAnswer), m_outer(s_recorder)
{
    s_recorder = this;
    m_previous = (void*)SetMessageBoxHook(&CMessageBoxRecorder::Hook);
}

CMessageBoxRecorder::~CMessageBoxRecorder()
{
    SetMessageBoxHook((MessageBoxHook)m_previous);
    s_recorder = m_outer;
}

int CMessageBoxRecorder::Hook(HWND owner, const char* text, const char* caption, UINT flags, const char* key)
{
    CMessageBoxRecorder* self = s_recorder;
    if (!self)
        return IDCANCEL;
    self->m_calls.push_back({owner, key ? key : "", text ? text : "", caption ? caption : "", flags});
    if (self->m_nextAnswer < self->m_answers.size())
        return self->m_answers[self->m_nextAnswer++];
    return self->m_defaultAnswer;
}
