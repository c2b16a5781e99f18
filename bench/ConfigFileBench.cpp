// Times what a technician waits for around configuration files: a new
// record's defaults, and saving and opening a data file with empty and with
// full tables. Prints one line per case; run under Wine by hand.
#include "bench/BenchSupport.h"
#include "record/ConfigDataFile.h"
#include "record/ConfigRecord.h"
#include "base/TextUtil.h"
#include "wcl/Win.h"
#include <cstdio>
#include <cstring>

namespace {

// Every table filled to its capacity: the largest file the program writes.
void FillAllTables(ConfigRecord* rec)
{
    SetConfigDefaults(rec);
    for (uint32_t i = 0; i < CFG_ROUTING_RULE_COUNT; ++i)
    {
        memset(&rec->routingRules[i], 0x21, sizeof(LcrRoutingRule));
        memset(&rec->routingCompanion[i], 0x22, sizeof(RoutingRuleCompanion));
        memset(&rec->lcrClip[i], 0x05, sizeof(LcrClipEntry));
        memset(&rec->clipGsm[i], 0x06, sizeof(ClipGsmEntry));
    }
    for (uint32_t i = 0; i < CFG_MOBILITY_COUNT; ++i)
        memset(&rec->mobility[i], 0x07, sizeof(MobilityExtEntry));
    for (uint32_t i = 0; i < CFG_SIP_TRUNK_COUNT; ++i)
        memset(&rec->sipTrunks[i], 'T', sizeof(SipAccount));
    for (uint32_t i = 0; i < CFG_SIP_USER_COUNT; ++i)
        memset(&rec->sipUsers[i], 'U', sizeof(SipAccount));
}

void TimeFile(const char* label, const ConfigRecord* rec, const char* path, int rounds)
{
    static ConfigRecord back;
    CConfigDataFile file;
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
    {
        if (file.SaveFile(path, rec) != CFGFILE_OK)
        {
            printf("%-28s save failed\n", label);
            return;
        }
    }
    double t1 = Now();
    for (int i = 0; i < rounds; ++i)
    {
        if (file.LoadFile(path, &back) != CFGFILE_OK)
        {
            printf("%-28s read failed\n", label);
            return;
        }
    }
    double t2 = Now();
    bool same = memcmp(rec, &back, CFG_OFS_TAIL) == 0;
    printf("%-28s file %7lu bytes  save %7.3f ms  read %7.3f ms  %s\n", label,
           (unsigned long)(file.GetHeader().dataSize + CFG_FILE_HEADER_SIZE), (t1 - t0) / rounds,
           (t2 - t1) / rounds, same ? "round trip exact" : "ROUND TRIP DIFFERS");
}

} // namespace

int main()
{
    static ConfigRecord rec;
    const int defaultRounds = 200;
    double t0 = Now();
    for (int i = 0; i < defaultRounds; ++i)
        SetConfigDefaults(&rec);
    double t1 = Now();
    printf("%-28s %7.3f ms\n", "SetConfigDefaults", (t1 - t0) / defaultRounds);

    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof(dir), dir);
    FormatText(path, sizeof(path), "%sconfigbench%lu.cfg", dir, GetCurrentProcessId());

    SetConfigDefaults(&rec);
    TimeFile("default record", &rec, path, 50);
    FillAllTables(&rec);
    TimeFile("every table full", &rec, path, 50);
    DeleteFileA(path);
    return 0;
}
