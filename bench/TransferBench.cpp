// Times the configuration image transfer: a full image (every table filled)
// and a default image, each downloaded and uploaded through the engine, the
// real link threads and loopback TCP against the device simulator, at the
// default pacing (with the communication log off and on) and with the pacing
// delay set to 0. Prints for each case the time, the number of block requests
// and the ratio of the time to the floor the pacing sets (requests x delay),
// or at delay 0 the time a request. Run under Wine by hand.
#include "bench/BenchSupport.h"
#include "comm/DeviceProtocol.h"
#include "record/ConfigRecord.h"
#include "tests/support/EngineFrame.h"
#include "wcl/Win.h"
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
using devsim::Bytes;

size_t CountRequests(devsim::CDeviceSimulator& sim, BYTE tag)
{
    size_t count = 0;
    for (const devsim::SimMessage& m : sim.Received())
        if (m.type == MSG_TYPE_REQUEST && m.Has(tag))
            ++count;
    return count;
}

void Report(const char* what, DWORD delay, bool withLog, bool ok, double ms, size_t requests)
{
    const double floor = (double)requests * delay;
    const char* log = withLog ? "log on " : "log off";
    if (!ok)
        printf("%-22s %s delay %2lu ms: FAILED after %.0f ms, %u requests\n", what, log, (unsigned long)delay, ms,
               (unsigned)requests);
    else if (floor > 0)
        printf("%-22s %s delay %2lu ms: %8.0f ms, %5u requests, %.3f x the pacing floor of %.0f ms (target 1.03)\n",
               what, log, (unsigned long)delay, ms, (unsigned)requests, ms / floor, floor);
    else
        printf("%-22s %s delay %2lu ms: %8.0f ms, %5u requests, %.3f ms a request\n", what, log,
               (unsigned long)delay, ms, (unsigned)requests, ms / (requests ? requests : 1));
}

void BenchCase(const char* name, const Bytes& image, DWORD delay, bool withLog)
{
    enginetest::EngineOverTcp link;
    BenchLogView view;
    if (withLog)
        link.engine.SetCommLog(&view.log);
    if (!link.Start())
    {
        printf("%s: the link did not come up\n", name);
        return;
    }
    // The pacing under test; the time-outs stay as the tests keep them, so a
    // loss costs little.
    g_Settings.SetDataReadWriteDefaults();
    g_Settings.DataReadWriteRequestDelay = delay;
    link.sim.SetImage(image);
    link.sim.SetRestart(100, false);

    char what[64];
    FormatText(what, sizeof(what), "%s download", name);
    link.sim.ClearReceived();
    double t0 = Now();
    bool ok = link.engine.StartDataDownload() == 1 &&
              link.frame.WaitForStatus(ENGINE_STATUS_DOWNLOAD_ENDED, ENGINE_RESULT_OK, 600000);
    double ms = Now() - t0;
    ok = ok && memcmp(link.engine.GetImage(), image.data(), ENGINE_IMAGE_SIZE) == 0;
    Report(what, delay, withLog, ok, ms, CountRequests(link.sim, IE_DOWNLOAD_DATA));

    FormatText(what, sizeof(what), "%s upload", name);
    link.sim.ClearReceived();
    link.frame.statuses.clear();
    t0 = Now();
    ok = link.engine.StartDataUpload(image.data(), FALSE) == 1 &&
         link.frame.WaitForStatus(ENGINE_STATUS_UPLOAD_ENDED, ENGINE_RESULT_OK, 600000);
    ms = Now() - t0;
    Report(what, delay, withLog, ok, ms, CountRequests(link.sim, IE_UPLOAD_DATA));
    link.engine.SetCommLog(nullptr);
    link.Stop();
}
} // namespace

// With an argument, only the cases whose image name starts with it ("default"
// leaves out the full image's minutes).
int main(int argc, char** argv)
{
    const char* only = argc > 1 ? argv[1] : "";
    g_Settings.SetDefaults();
    const DWORD pacing = g_Settings.DataReadWriteRequestDelay;
    printf("window %lu requests, default pacing %lu ms\n", (unsigned long)g_Settings.DataReadWriteMaxPendingRequests,
           (unsigned long)pacing);
    const Bytes full = enginetest::FullDeviceImage();
    const Bytes defaults = enginetest::DefaultDeviceImage();
    struct Case
    {
        const char* name;
        const Bytes* image;
        DWORD delay;
        bool withLog;
    };
    const Case cases[] = {
        { "default image", &defaults, 0, false }, { "full image", &full, 0, false },
        { "default image", &defaults, 0, true },  { "default image", &defaults, pacing, false },
        { "default image", &defaults, pacing, true }, { "full image", &full, pacing, false },
        { "full image", &full, pacing, true },
    };
    for (const Case& c : cases)
        if (strncmp(c.name, only, strlen(only)) == 0)
            BenchCase(c.name, *c.image, c.delay, c.withLog);
    return 0;
}
