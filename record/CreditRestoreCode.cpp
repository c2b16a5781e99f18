#include "record/CreditRestoreCode.h"

CreditRestore DecodeCreditRestoreCode(uint8_t code)
{
    CreditRestore r = { CreditRestoreKind::Day, 1, 1, 1 };
    if (!(code & 0x80))
    {
        r.day = code;
    }
    else if ((code & 0xF8) == 0x80)
    {
        r.kind = CreditRestoreKind::Weekly;
        r.weekday = code & 0x07;
    }
    else
    {
        r.kind = CreditRestoreKind::WeekDay;
        r.week = (code >> 3) & 0x07;
        r.weekday = code & 0x07;
    }
    return r;
}

uint8_t EncodeCreditRestoreCode(const CreditRestore& r)
{
    switch (r.kind)
    {
    case CreditRestoreKind::WeekDay:
        return (uint8_t)((((r.week * 8) | 0x80) & 0xFF) | (r.weekday & 0x07));
    case CreditRestoreKind::Weekly:
        return (uint8_t)((r.weekday & 0x07) | 0x80);
    case CreditRestoreKind::Day:
    default:
        return (uint8_t)(r.day & 0x7F);
    }
}
