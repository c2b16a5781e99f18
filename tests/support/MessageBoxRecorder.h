#pragma once
#include "wcl/Win.h"
#include <string>
#include <vector>

// Records every message box the program shows (they all go through
// ShowMessageBox) and answers it from a script (pushed answers in order, then
// the default), so no box ever blocks a test. Recorders nest: an inner one
// records until it is destroyed, then the outer one records again.
struct RecordedMessageBox
{
    HWND owner;
    std::string key;     // language key of the text; empty for the start-up errors
    std::string text;    // the text as shown (formatted)
    std::string caption;
    UINT flags;
};

class CMessageBoxRecorder
{
public:
    explicit CMessageBoxRecorder(int defaultAnswer = IDOK);
    ~CMessageBoxRecorder();

    void PushAnswer(int answer) { m_answers.push_back(answer); }
    void SetDefaultAnswer(int answer) { m_defaultAnswer = answer; }

    size_t Count() const { return m_calls.size(); }
    const std::vector<RecordedMessageBox>& Calls() const { return m_calls; }
    const RecordedMessageBox& Last() const { return m_calls.back(); } // only when Count() > 0
    void Clear() { m_calls.clear(); }

private:
    static int Hook(HWND owner, const char* text, const char* caption, UINT flags, const char* key);

    std::vector<RecordedMessageBox> m_calls;
    std::vector<int> m_answers;
    size_t m_nextAnswer = 0;
    int m_defaultAnswer;
    void* m_previous;
    CMessageBoxRecorder* m_outer;
};
