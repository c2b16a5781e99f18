#include "record/FieldText.h"
#include "record/ConfigRecord.h"
#include "base/TextUtil.h"
#include <cstring>

uint32_t ParseIpDigits(const char* field)
{
    uint32_t address = 0;
    for (int octet = 0; octet < 4; ++octet)
    {
        int value = ParseDigits(reinterpret_cast<const uint8_t*>(field) + 3 * octet, 3);
        address = (address << 8) | (uint32_t)(value & 0xFF);
    }
    return address;
}

void FormatIpDigits(uint32_t address, char* field, char* text)
{
    char digits[CFG_IP_DIGITS_SIZE + 1];
    FormatText(digits, sizeof(digits), CFG_IP_DIGITS_FORMAT, (int)(address >> 24) & 0xFF,
               (int)(address >> 16) & 0xFF, (int)(address >> 8) & 0xFF, (int)address & 0xFF);
    if (field)
        memcpy(field, digits, CFG_IP_DIGITS_SIZE);
    if (text)
        memcpy(text, digits, sizeof(digits));
}

int ParseDigits(const uint8_t* field, size_t size)
{
    int value = 0;
    for (size_t i = 0; i < size && field[i] >= '0' && field[i] <= '9'; ++i)
        value = value * 10 + (field[i] - '0');
    return value;
}

void WriteDigits(int value, uint8_t* field, size_t size)
{
    if (value < 0)
        value = 0;
    for (size_t i = size; i-- > 0;)
    {
        field[i] = (uint8_t)('0' + value % 10);
        value /= 10;
    }
}

int ReadCountedString(const uint8_t* field, size_t fieldSize, char* out)
{
    out[0] = '\0';
    size_t len = field[0];
    if (fieldSize < 2 || len == 0 || len == 0xFF)
        return 0;
    if (len > fieldSize - 1)
        len = fieldSize - 1;
    memcpy(out, field + 1, len);
    out[len] = '\0';
    return (int)len;
}

int WriteCountedString(const char* text, uint8_t* field, size_t fieldSize, uint8_t pad)
{
    if (fieldSize == 0)
        return 0;
    memset(field, pad, fieldSize);
    size_t len = text ? strnlen(text, fieldSize - 1) : 0;
    field[0] = (uint8_t)len;
    memcpy(field + 1, text, len);
    return (int)len;
}

int ReadFieldText(const uint8_t* field, size_t fieldSize, char* out)
{
    size_t len = strnlen(reinterpret_cast<const char*>(field), fieldSize);
    memcpy(out, field, len);
    out[len] = '\0';
    return (int)len;
}

int WriteFieldText(const char* text, uint8_t* field, size_t fieldSize, bool zeroFill)
{
    if (fieldSize == 0)
        return 0;
    size_t len = text ? strnlen(text, fieldSize - 1) : 0;
    memcpy(field, text, len);
    if (zeroFill)
        memset(field + len, 0, fieldSize - len);
    else
        field[len] = 0;
    return (int)len;
}

uint32_t CreditSeconds(uint32_t stored, int shownMinutes)
{
    const uint32_t kSecondsPerMinute = 60;
    if (shownMinutes >= 0 && stored / kSecondsPerMinute == (uint32_t)shownMinutes)
        return stored;
    return (uint32_t)shownMinutes * kSecondsPerMinute;
}
