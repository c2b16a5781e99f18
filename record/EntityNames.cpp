#include "record/EntityNames.h"
#include "base/AppSettings.h"
#include "base/Language.h"
#include "base/TextUtil.h"
#include <cctype>
#include <cstring>

namespace {

constexpr int kMaxFieldWidth = (int)ENTITY_NAME_SIZE - 1;

// True when the pattern is safe to format with one int: at most one
// conversion, an integer one without '*' or a size modifier that would read
// more than an int, and widths that fit a name.
bool IsSingleIntPattern(const char* p)
{
    int conversions = 0;
    while (*p)
    {
        if (*p++ != '%')
            continue;
        if (*p == '%')
        {
            ++p;
            continue;
        }
        while (*p && strchr("-+ #0", *p))
            ++p;
        int width = 0;
        while (isdigit((unsigned char)*p))
        {
            width = width * 10 + (*p++ - '0');
            if (width > kMaxFieldWidth)
                return false;
        }
        if (*p == '.')
        {
            ++p;
            int precision = 0;
            while (isdigit((unsigned char)*p))
            {
                precision = precision * 10 + (*p++ - '0');
                if (precision > kMaxFieldWidth)
                    return false;
            }
        }
        if (*p == 'h' || *p == 'l')
        {
            ++p;
            if (*p == 'h' || *p == 'l')
                return false; // 'hh' is harmless but unusual, 'll' reads 8 bytes
        }
        if (!*p || !strchr("diuxXo", *p))
            return false;
        ++p;
        if (++conversions > 1)
            return false;
    }
    return true;
}

int IndexedName(int index, DWORD offset, const char* key, char* out)
{
    return FormatIndexedName(index, (int)offset, key, out, ENTITY_NAME_SIZE);
}

int ReadCounted(uint8_t* field, size_t fieldSize, char* out)
{
    out[0] = '\0';
    unsigned len = field[0];
    if (len == 0 || len == 0xFF)
        return 0;
    if (len > fieldSize - 1)
    {
        len = (unsigned)(fieldSize - 1);
        field[0] = (uint8_t)len;
    }
    memcpy(out, field + 1, len);
    out[len] = '\0';
    return (int)len;
}

int WriteCounted(const char* text, uint8_t* field, size_t fieldSize)
{
    memset(field, 0xFF, fieldSize);
    size_t len = text ? strnlen(text, fieldSize - 1) : 0;
    field[0] = (uint8_t)len;
    memcpy(field + 1, text, len);
    return (int)len;
}

} // namespace

int FormatIntPattern(char* out, size_t size, const char* pattern, int value)
{
    if (!out || size == 0)
        return 0;
    if (!pattern)
        pattern = "";
    if (!IsSingleIntPattern(pattern))
        return (int)CopyText(out, size, pattern);
    return FormatText(out, size, pattern, value);
}

int FormatIndexedName(int index, int offset, const char* key, char* out, size_t size)
{
    char pattern[ENTITY_NAME_SIZE];
    pattern[0] = '\0';
    g_Language.GetString(key, pattern, sizeof(pattern));
    return FormatIntPattern(out, size, pattern, index + offset);
}

int GetGroupName(int index, char* out) { return IndexedName(index, g_Settings.GroupIndexOffset, "strGroup", out); }
int GetInGroupName(int index, char* out) { return IndexedName(index, g_Settings.GroupIndexOffset, "strInGroup", out); }
int GetOutGroupName(int index, char* out) { return IndexedName(index, g_Settings.GroupIndexOffset, "strOutGroup", out); }
int GetModuleName(int index, char* out) { return IndexedName(index, g_Settings.ChannelIndexOffset, "strModule", out); }
int GetCardName(int index, char* out) { return IndexedName(index, g_Settings.BoardIndexOffset, "strCard", out); }
int GetLineName(int index, char* out) { return IndexedName(index, g_Settings.ChannelIndexOffset, "strLine", out); }
int GetPortName(int index, char* out) { return IndexedName(index, g_Settings.ChannelIndexOffset, "strPort", out); }

int GetRoutingProfileName(int profile, char* out)
{
    if (profile == 0)
    {
        out[0] = '\0';
        g_Language.GetString("strLcrRoutingDefaultProfile", out, ENTITY_NAME_SIZE);
        return (int)strlen(out);
    }
    return IndexedName(profile, g_Settings.RoutingProfileIndexOffset, "strLcrRoutingProfile", out);
}

bool GetIsdnLinkName(int code, char* out)
{
    const char* key = nullptr;
    switch (code)
    {
    case 0: case 'A': case 'P': case 'a': case 'p': key = "strIsdnLink0"; break;
    case 1: case 'B': case 'T': case 'b': case 't': key = "strIsdnLink1"; break;
    case 2: case 'C': case 'c': key = "strIsdnLink2"; break;
    default: return false;
    }
    out[0] = '\0';
    g_Language.GetString(key, out, ENTITY_NAME_SIZE);
    return true;
}

const char* GetCardTypeKey(uint8_t cardType)
{
    switch (cardType)
    {
    case 0: case 0xFF: return "strCardNone";
    case 1: return "strCardGSM";
    case 2: return "strCardVoIP";
    case 3: return "strCardAnalogSubscriber";
    case 4: return "strCardAnalogTrunk";
    case 5: return "strCardAnalogCombined";
    case 6: return "strCardAnalog";
    default: return "strCardUnknown";
    }
}

void GetCardTypeName(uint8_t cardType, char* fullOut, char* shortOut)
{
    char text[ENTITY_NAME_SIZE];
    text[0] = '\0';
    g_Language.GetString(GetCardTypeKey(cardType), text, sizeof(text));
    if (fullOut)
        CopyText(fullOut, ENTITY_NAME_SIZE, text);
    if (shortOut)
    {
        const char* open = strchr(text, '(');
        if (!open)
        {
            CopyText(shortOut, ENTITY_NAME_SIZE, text);
            return;
        }
        const char* start = open + 1;
        const char* close = strchr(start, ')');
        size_t len = close ? (size_t)(close - start) : strlen(start);
        if (len > ENTITY_NAME_SIZE - 1)
            len = ENTITY_NAME_SIZE - 1;
        memcpy(shortOut, start, len);
        shortOut[len] = '\0';
    }
}

int ReadCountedString24(uint8_t* field, char* out) { return ReadCounted(field, 24, out); }
int ReadCountedString12(uint8_t* field, char* out) { return ReadCounted(field, 12, out); }
int WriteCountedString24(const char* text, uint8_t* field) { return WriteCounted(text, field, 24); }
int WriteCountedString12(const char* text, uint8_t* field) { return WriteCounted(text, field, 12); }
