#pragma once
// A new record as the program makes it, over a fill the defaults must cover.
#include "record/ConfigRecord.h"
#include <cstring>
#include <memory>

inline std::unique_ptr<ConfigRecord> DefaultRecord()
{
    std::unique_ptr<ConfigRecord> rec(new ConfigRecord);
    memset(rec.get(), 0x5A, sizeof(ConfigRecord));
    SetConfigDefaults(rec.get());
    return rec;
}
