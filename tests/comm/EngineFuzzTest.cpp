#include <gtest/gtest.h>
#include "tests/support/EngineHarness.h"

using namespace enginetest;

namespace
{
// A small deterministic generator: the same streams on every run.
struct Random
{
    DWORD state;
    explicit Random(DWORD seed) : state(seed) {}
    DWORD Next()
    {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<DWORD>(n)); }
};

// A message from the device's vocabulary or from anywhere, often with a
// correct checksum so that it passes the first checks.
Bytes RandomMessage(Random& r)
{
    static const BYTE tags[] = { 0x11, 0x12, 0x13, 0x15, 0x16, 0x17, 0x18, 0x1A, 0x28, 0x31, 0x32, 0x33, 0x34,
                                 0x40, 0x42, 0x46, 0x49, 0x51, 0x52, 0x5F, 0x61, 0x62, 0x63, 0x64, 0x66, 0x67,
                                 0x68, 0x6C, 0x6D, 0x6E, 0x6F, 0x71, 0x81, 0x82, 0x83, 0x88 };
    Bytes m(MESSAGE_BUFFER_SIZE, 0);
    m[0] = static_cast<BYTE>(r.Below(8) ? 0xA1 + r.Below(3) : r.Next());
    int pos = 2;
    const int elements = r.Below(5);
    for (int e = 0; e < elements && pos < 250; ++e)
    {
        m[pos++] = r.Below(6) ? tags[r.Below(sizeof(tags))] : static_cast<BYTE>(r.Next());
        const int length = r.Below(4) ? r.Below(40) : r.Below(256);
        m[pos++] = static_cast<BYTE>(length);
        for (int i = 0; i < length && pos < 257; ++i)
            m[pos++] = static_cast<BYTE>(r.Below(3) ? r.Below(40) : r.Next());
    }
    if (pos > 257)
        pos = 257;
    m[1] = static_cast<BYTE>(r.Below(10) ? pos - 2 : r.Next());
    if (m[1] + 3 <= MESSAGE_BUFFER_SIZE)
    {
        BYTE sum = 0;
        for (int i = 0; i < 2 + m[1]; ++i)
            sum = static_cast<BYTE>(sum + m[i]);
        m[2 + m[1]] = static_cast<BYTE>(0x100 - sum);
        if (!r.Below(10))
            m[2 + m[1]] ^= 0x40;
    }
    int length = m[1] + 3;
    if (!r.Below(8))
        length = r.Below(MESSAGE_BUFFER_SIZE + 1);
    m.resize(length > MESSAGE_BUFFER_SIZE ? MESSAGE_BUFFER_SIZE : length);
    return m;
}

void StartSomething(Harness& h, Random& r, const Bytes& record)
{
    switch (r.Below(7))
    {
    case 0: h.engine.GetDateTime(); break;
    case 1: h.engine.StartDataDownload(); break;
    case 2: h.engine.StartDataUpload(record.data(), r.Below(2)); break;
    case 3: h.engine.ResetDevice(); break;
    case 4: h.engine.RequestDiagnostics(10, r.Below(40)); break;
    case 5: h.engine.GetGsmCells(r.Below(8)); break;
    default: h.engine.SetMonitor(TRUE); break;
    }
}
} // namespace

TEST(EngineFuzz, RandomMessagesInEveryStateLeaveTheEngineWorking)
{
    std::vector<BYTE> record(ENGINE_IMAGE_SIZE, 0x21);
    for (DWORD seed = 1; seed <= 5; ++seed)
    {
        // The last run goes through the log view too (slower, so shorter).
        const bool withLog = seed == 5;
        Harness h(withLog);
        Random r(seed);
        for (int i = 0; i < (withLog ? 200 : 1000); ++i)
        {
            if (!r.Below(50))
                StartSomething(h, r, record);
            const Bytes m = RandomMessage(r);
            h.DeliverRaw(m.data(), static_cast<int>(m.size()));
            if (!r.Below(20))
                h.Fire();
            if (!r.Below(100))
            {
                h.frame.Pump();
                h.frame.statuses.clear();
                h.link.sent.clear();
                h.link.state = 2;
            }
        }
        // The engine still does its work.
        h.engine.CancelDataDownload();
        h.link.state = 2;
        h.frame.linkReady = 1;
        h.frame.Take();
        ASSERT_EQ(1, h.engine.GetDateTime()) << seed;
        h.Deliver(Msg(MSG_TYPE_POSITIVE, { { IE_DATE_TIME, { 1, 2, 3, 4, 5, 6 } } }));
        EXPECT_TRUE(h.frame.Has(ENGINE_STATUS_GET_DATETIME_ANSWERED, ENGINE_RESULT_OK)) << seed;
        EXPECT_EQ(2006, h.engine.GetDeviceTime().wYear);
    }
}
