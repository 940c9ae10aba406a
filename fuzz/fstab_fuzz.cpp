// Feeds the table editor an initial file and a run of changes, checking after
// each one that the file holds exactly the editor's lines and that a clear
// never loses a line this system did not write.
//
// Input: initial file bytes, then a 0x00 byte, then operations separated by
// 0x00 bytes; an operation's first byte picks add / remove / clear / an outside
// edit, the rest is the name (or the text the outside program writes).

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "Agent/FSTab.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"


namespace {

std::string folder()
{
    static const std::string path = [] {
        char pattern[] = "/tmp/parvex-fstab-fuzz-XXXXXX";
        if (!::mkdtemp(pattern))
            ::abort();
        return std::string(pattern);
    }();
    return path;
}

std::string read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void put(const std::string& file, std::string_view text)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string join(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\n" : "") + lines[i];
    return text;
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fstab invariant broken: %s\n", what);
        ::abort();
    }
}

// The file's lines as another reader would take them: a line feed ends a line
// unless it completes a carriage return + line feed pair; empty lines vanish.
std::vector<std::string> lines(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<std::string> out;
    std::string current;
    char previous = 0;
    for (char c : text) {
        if (c == '\n' && previous != '\r') {
            if (!current.empty())
                out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
        previous = c;
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

bool acceptable(const std::string& name)
{
    if (!UTF8::isValid(name))
        return false;
    // Control characters: C0, DEL, and C1 (U+0080...U+009F, bytes C2 80...C2 9F).
    for (size_t i = 0; i < name.size(); ++i) {
        auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F)
            return false;
        if (byte == 0xC2 && static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return false;
    }
    return true;
}

std::vector<std::string_view> pieces(std::string_view input)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    for (size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\0') {
            out.push_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The log keeps every entry of the process; one run's entries are enough.
    Console::shared().clear();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto parts = pieces(input);
    const std::string path = folder() + "/fstab";
    std::filesystem::remove_all(path);
    if (!parts.front().empty())
        put(path, parts.front());

    FSTab table(path);
    // An unreadable file must survive every change untouched.
    bool readable = !std::filesystem::exists(path) || UTF8::isValid(read(path));
    std::string untouched = read(path);
    // Until another program writes the file, the editor's own lines are what a
    // clear works on; afterwards, the lines as any reader takes them from disk.
    bool changedOutside = false;

    for (size_t i = 1; i < parts.size() && i < 64; ++i) {
        std::string_view op = parts[i];
        if (op.empty())
            continue;
        std::string name(op.substr(1));
        unsigned kind = static_cast<unsigned char>(op[0]) % 4;
        if (kind == 3) {
            // Another program rewrites the table.
            put(path, name);
            readable = UTF8::isValid(name);
            untouched = name;
            changedOutside = true;
            continue;
        }
        std::string before = read(path);
        std::vector<std::string> foreign;
        for (const auto& line : changedOutside ? lines(before) : table.volumes())
            if (!FSTab::isEntryLine(line))
                foreign.push_back(line);

        if (kind == 0)
            table.add(name);
        else if (kind == 1)
            table.remove(name);
        else
            table.clear();

        for (const auto& line : table.volumes())
            check(!line.empty(), "an empty line was kept");
        if (!readable) {
            check(read(path) == untouched, "an unreadable file was changed");
            continue;
        }
        std::string after = read(path);
        // A refused name leaves the editor as it was, without even a look at the file.
        bool accepted = kind == 2 || acceptable(name);
        bool mustWrite = accepted && kind != 1;
        if (mustWrite || after != before)
            check(after == join(table.volumes()), "file differs from the editor's lines");
        if (kind == 2)
            check(table.volumes() == foreign, "clear dropped or reordered a foreign line");
        if (accepted)
            changedOutside = false;
    }
    return 0;
}
