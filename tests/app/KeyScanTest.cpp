#include <gtest/gtest.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "wcl/Win.h"

// Every language key the product's sources and resources name must have an
// English text: a missing one shows as an empty label or message box.
namespace
{
const char* const kProductFolders[] = {"app", "comm", "config", "layout", "pages", "diag", "wcl", "res"};

std::string ReadWhole(const std::string& path)
{
    std::string data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        data.append(buf, n);
    fclose(f);
    return data;
}

bool HasSourceExtension(const std::string& name)
{
    size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot);
    return ext == ".cpp" || ext == ".h" || ext == ".rc";
}

void ListSources(const std::string& dir, std::vector<std::string>* files)
{
    WIN32_FIND_DATAA found;
    HANDLE h = ::FindFirstFileA((dir + "/*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do
    {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListSources(dir + "/" + name, files);
        else if (HasSourceExtension(name))
            files->push_back(dir + "/" + name);
    } while (::FindNextFileA(h, &found));
    ::FindClose(h);
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

// A whole string literal that is a key: a prefix, an upper-case letter, then
// letters, digits and underscores only (format strings and texts are not).
bool IsKeyLiteral(const std::string& s)
{
    size_t prefix = s.compare(0, 3, "str") == 0 ? 3 : (s.compare(0, 4, "menu") == 0 || s.compare(0, 4, "ttip") == 0) ? 4 : 0;
    if (!prefix || s.size() <= prefix || !isupper((unsigned char)s[prefix]))
        return false;
    for (char c : s)
        if (!isalnum((unsigned char)c) && c != '_')
            return false;
    return true;
}

// Keys of the language file by section, compared without case as the
// profile functions do.
std::map<std::string, std::set<std::string>> ReadLanguageKeys(const std::string& text)
{
    std::map<std::string, std::set<std::string>> keys;
    std::string section;
    size_t pos = 0;
    while (pos < text.size())
    {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[' && line.back() == ']')
        {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        for (char& c : key)
            c = (char)tolower((unsigned char)c);
        keys[section].insert(key);
    }
    return keys;
}
}

TEST(KeyScan, EnglishFileHoldsEveryKeyOfTheProduct)
{
    const std::string root = VEL_SOURCE_DIR;
    std::string english = ReadWhole(root + "/lang/English.lng");
    ASSERT_FALSE(english.empty()) << "cannot read " << root << "/lang/English.lng";
    auto keys = ReadLanguageKeys(english);

    std::vector<std::string> files;
    for (const char* folder : kProductFolders)
        ListSources(root + "/" + folder, &files);
    ASSERT_GT(files.size(), 10u);

    std::map<std::string, std::string> missing; // key -> first file naming it
    size_t seen = 0;
    for (const std::string& file : files)
    {
        std::string text = ReadWhole(file);
        for (size_t open = text.find('"'); open != std::string::npos; open = text.find('"', open + 1))
        {
            size_t close = text.find('"', open + 1);
            if (close == std::string::npos)
                break;
            std::string literal = text.substr(open + 1, close - open - 1);
            if (IsKeyLiteral(literal))
            {
                ++seen;
                std::string lower = literal;
                for (char& c : lower)
                    c = (char)tolower((unsigned char)c);
                if (!keys[SectionOf(literal)].count(lower) && !missing.count(literal))
                    missing[literal] = file.substr(root.size() + 1);
            }
            open = close;
        }
    }
    EXPECT_GT(seen, 0u);
    std::string report;
    for (const auto& m : missing)
        report += "  " + m.first + " (" + m.second + ", section [" + SectionOf(m.first) + "])\n";
    EXPECT_TRUE(missing.empty()) << missing.size() << " keys have no English text:\n" << report;
}
