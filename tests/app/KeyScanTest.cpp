#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "tests/support/TestFiles.h"

// Every language key the product's sources and resources name must have an
// English text: a missing one shows as an empty label or message box.
namespace
{
// Every top-level folder holds product sources except these: the build
// tree, the tests and their tools, benchmarks, scripts and the language set.
const char* const kNotProduct[] = {"build", "tests", "tools", "bench", "scripts", "cmake", "lang"};
// Folders that must be among those scanned (a typo in the root would
// otherwise let the scan pass on nothing).
const char* const kExpectedFolders[] = {"app", "base", "record", "comm", "config", "layout", "pages", "diag", "wcl", "res"};

std::string ExtensionOf(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// The sources under dir; at the root only the product's folders, which are
// also listed in folders.
void ListSources(const std::string& dir, std::vector<std::string>* files, std::vector<std::string>* folders)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "/*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::string name = found.cFileName, ext = ExtensionOf(name);
        if (name == "." || name == "..")
            continue;
        const bool product = name[0] != '.' &&
                             std::none_of(std::begin(kNotProduct), std::end(kNotProduct),
                                          [&](const char* other) { return name.compare(0, strlen(other), other) == 0; });
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (!folders || product))
        {
            if (folders)
                folders->push_back(name);
            ListSources(dir + "/" + name, files, nullptr);
        }
        else if (!folders && (ext == ".cpp" || ext == ".h" || ext == ".rc"))
            files->push_back(dir + "/" + name);
    } while (::FindNextFileA(h, &found));
    ::FindClose(h);
}

// The string literals of a C++ or resource source, comments and character
// literals skipped, escapes kept as written.
std::vector<std::string> StringLiterals(const std::string& text)
{
    std::vector<std::string> literals;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 2, "//") == 0)
            i = std::min(text.find('\n', i), text.size());
        else if (text.compare(i, 2, "/*") == 0)
            i = std::min(text.find("*/", i + 2), text.size()) + 1;
        else if (text[i] == '\'' || text[i] == '"')
        {
            const char quote = text[i];
            const size_t start = ++i;
            while (i < text.size() && text[i] != quote && text[i] != '\n')
                i += text[i] == '\\' ? 2 : 1;
            if (quote == '"')
                literals.push_back(text.substr(start, i - start));
        }
    }
    return literals;
}

// The section a key of this prefix lives in.
const char* SectionOf(const std::string& key)
{
    if (key.compare(0, 4, "menu") == 0)
        return "menus";
    if (key.compare(0, 4, "ttip") == 0)
        return "tooltips";
    return "strings";
}

// A whole string literal that is a key: a prefix, then letters, digits and
// underscores only (format strings and texts are not). In code the prefix
// is followed by an upper-case letter; in resources "str" alone marks a
// control's key.
bool IsKeyLiteral(const std::string& s, bool resource)
{
    size_t prefix = s.compare(0, 3, "str") == 0 ? 3 : (s.compare(0, 4, "menu") == 0 || s.compare(0, 4, "ttip") == 0) ? 4 : 0;
    if (!prefix || s.size() <= prefix)
        return false;
    if (!resource && !isupper((unsigned char)s[prefix]))
        return false;
    for (char c : s)
        if (!isalnum((unsigned char)c) && c != '_')
            return false;
    return true;
}

// A key made at run time from a numbered pattern ("strMonitorOption%d"): the
// stem before the number, or empty when the literal is no such pattern.
std::string NumberedKeyStem(const std::string& s)
{
    size_t percent = s.find('%');
    if (percent == std::string::npos || s.compare(percent, std::string::npos, "%d") != 0)
        return std::string();
    std::string stem = s.substr(0, percent);
    return IsKeyLiteral(stem, false) ? stem : std::string();
}

// Keys compared without case, as the profile functions do.
struct NoCase
{
    bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
};
typedef std::set<std::string, NoCase> KeySet;

// Keys of the language file's section that have a text.
KeySet ReadLanguageKeys(const std::string& file, const char* section)
{
    std::vector<char> data(1 << 20);
    ::GetPrivateProfileSectionA(section, data.data(), (DWORD)data.size(), file.c_str());
    KeySet keys;
    for (const char* line = data.data(); *line; line += strlen(line) + 1)
    {
        std::string entry = line;
        size_t eq = entry.find('=');
        // A key with an empty text shows as nothing: it counts as missing.
        if (entry[0] == ';' || eq == std::string::npos || entry.find_first_not_of(" \t", eq + 1) == std::string::npos)
            continue;
        std::string key = entry.substr(0, eq);
        key.erase(key.find_last_not_of(' ') + 1);
        keys.insert(key);
    }
    return keys;
}

// True when the section has a key "<stem><number>".
bool HasNumberedKey(const KeySet& section, const std::string& stem)
{
    auto it = section.lower_bound(stem);
    for (; it != section.end() && _strnicmp(it->c_str(), stem.c_str(), stem.size()) == 0; ++it)
        if (it->size() > stem.size() && isdigit((unsigned char)(*it)[stem.size()]))
            return true;
    return false;
}
}

TEST(KeyScan, EnglishFileHoldsEveryKeyOfTheProduct)
{
    const std::string root = VEL_SOURCE_DIR;
    std::map<std::string, KeySet> keys;
    for (const char* section : {"menus", "tooltips", "strings"})
        keys[section] = ReadLanguageKeys(root + "/lang/English.lng", section);
    ASSERT_GT(keys["strings"].size(), 100u) << "cannot read " << root << "/lang/English.lng";

    std::vector<std::string> folders, files;
    ListSources(root, &files, &folders);
    for (const char* expected : kExpectedFolders)
        EXPECT_NE(folders.end(), std::find(folders.begin(), folders.end(), expected)) << expected << " not scanned";
    ASSERT_GT(files.size(), 10u);

    std::map<std::string, std::string> missing; // key -> first file naming it
    size_t seen = 0;
    for (const std::string& file : files)
    {
        bool resource = ExtensionOf(file) == ".rc";
        for (const std::string& literal : StringLiterals(ReadWholeFile(file.c_str())))
        {
            std::string stem = NumberedKeyStem(literal);
            bool found;
            if (!stem.empty())
                found = HasNumberedKey(keys[SectionOf(stem)], stem);
            else if (IsKeyLiteral(literal, resource))
                found = keys[SectionOf(literal)].count(literal) != 0;
            else
                continue;
            ++seen;
            if (!found && !missing.count(literal))
                missing[literal] = file.substr(root.size() + 1);
        }
    }
    EXPECT_GT(seen, 100u);
    std::string report;
    for (const auto& m : missing)
        report += "  " + m.first + " (" + m.second + ", section [" + SectionOf(m.first) + "])\n";
    EXPECT_TRUE(missing.empty()) << missing.size() << " keys have no English text:\n" << report;
}

// A field that two pages both show reads the same on each: a technician who
// knows one page reads the other.
TEST(KeyScan, FieldsSharedByTwoPagesHaveOneText)
{
    const std::string file = std::string(VEL_SOURCE_DIR) + "/lang/English.lng";
    const char* const alike[][2] = {
        {"strIsdnLinkCredit", "strGsmModuleCredit"},
        {"strIsdnLinkOldCredit", "strGsmModuleOldCredit"},
        {"strIsdnLinkFirstCount", "strGsmModuleFirstCount"},
        {"strIsdnLinkNextCount", "strGsmModuleNextCount"},
        {"strIsdnLinkBlockOutCallNoCredit", "strGsmModuleBlockOutCallNoCredit"},
        {"strIsdnLinkBlockOutCallNoCredit", "strGsmModuleBlockOutCallNoCreditSim2"},
        {"strIsdnLinkRestoreDay", "strGsmModuleRestoreDay"},
        {"strIsdnLinkRestoreWeekDay", "strGsmModuleRestoreWeekDay"},
        {"strIsdnLinkRestoreWeekly", "strGsmModuleRestoreWeekly"},
    };
    for (const auto& pair : alike)
    {
        char first[256] = "", second[256] = "";
        ::GetPrivateProfileStringA("strings", pair[0], "", first, sizeof(first), file.c_str());
        ::GetPrivateProfileStringA("strings", pair[1], "", second, sizeof(second), file.c_str());
        EXPECT_NE("", std::string(first)) << pair[0];
        EXPECT_EQ(std::string(first), std::string(second)) << pair[0] << " / " << pair[1];
    }
}

// A label names a unit only where the record or a standard fixes it (credits
// in minutes, signal levels in dBm, SIP expiry times in seconds). The values
// below the device interprets as it counts them: their labels give the range
// alone, or nothing.
TEST(KeyScan, LabelsOfValuesTheDeviceCountsNameNoUnit)
{
    const std::string file = std::string(VEL_SOURCE_DIR) + "/lang/English.lng";
    const char* const keys[] = {
        "strSystemCdrTimeout",           "strSystemAlarmSmtpTimeout",      "strSystemGeneralAnnouncementsBeepTime",
        "strIsdnCommonWaitDialing",      "strIsdnCommonTimeSaveCallback",  "strIsdnCommonTimeoutNoAnswer",
        "strAnalogFxoWaitDialToneTime",  "strAnalogFxoDetectBusyToneTime", "strAnalogFxoMinBusyToneLength",
        "strGsmModuleVolumeTx",          "strGsmModuleVolumeRx",           "strVoipSipExpire",
        "strVoipAccountQualify",         "strVoipTrunkRetry",              "strVoipVoiceJitterMin",
        "strVoipVoiceJitterMax",         "strInGroupWaitDisa",             "strInGroupAnalogWaitDialing",
        "strInGroupAnalogWaitDisa",      "strIsdnLinkFirstCount",          "strIsdnLinkNextCount",
        "strGsmModuleFirstCount",        "strGsmModuleNextCount",
    };
    const std::set<std::string> units = { "s",       "ms",      "h",     "min",     "dB",      "dBm",  "sec",
                                          "secs",    "second",  "seconds", "minute", "minutes", "hour", "hours",
                                          "day",     "days",    "tenths", "Hz",     "kHz" };
    for (const char* key : keys)
    {
        char text[256] = "";
        ::GetPrivateProfileStringA("strings", key, "", text, sizeof(text), file.c_str());
        EXPECT_NE("", std::string(text)) << key;
        std::string word;
        for (const char* c = text;; ++c)
        {
            if (*c && (isalnum(static_cast<unsigned char>(*c)) || *c == '-'))
            {
                word += *c;
                continue;
            }
            EXPECT_EQ(0u, units.count(word)) << key << " names the unit '" << word << "': " << text;
            word.clear();
            if (!*c)
                break;
        }
    }
}
