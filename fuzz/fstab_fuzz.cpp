// Feeds the table editor an initial file and a run of changes, checking after
// each one that the file holds exactly the editor's lines, that a clear never
// loses a line this system did not write, and that an unreadable file is never
// touched. Input: the initial file, then operations, all separated by 0x00; an
// operation's first byte picks add / remove / clear / an outside rewrite, the
// rest is the name (or the text the outside program writes).

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Agent/FSTab.h"
#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"

namespace {

std::string read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void put(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fstab invariant broken: %s\n", what);
        ::abort();
    }
}

std::vector<std::string> split(const std::string& text, char separator, bool keepEmpty)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end = 0; end != std::string::npos; start = end + 1) {
        end = text.find(separator, start);
        // A line feed that completes a carriage return + line feed pair does not end a line.
        while (separator == '\n' && end != std::string::npos && end > 0 && text[end - 1] == '\r')
            end = text.find(separator, end + 1);
        std::string piece = text.substr(start, end == std::string::npos ? end : end - start);
        if (keepEmpty || !piece.empty())
            out.push_back(piece);
    }
    return out;
}

// The names the editor takes: UTF-8 without C0, DEL or C1 control characters.
bool acceptable(const std::string& name)
{
    if (!UTF8::isValid(name))
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F || (byte == 0xC2 && static_cast<unsigned char>(name[i + 1]) <= 0x9F))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        char pattern[] = "/tmp/parvex-fstab-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern)) + "/fstab";
    }();
    // The log keeps every entry of the process; one run's entries are enough.
    Console::shared().clear();
    auto parts = split(std::string(reinterpret_cast<const char*>(data), size), '\0', true);
    std::filesystem::remove_all(path);
    if (!parts.front().empty())
        put(path, parts.front());

    FSTab table(path);
    bool readable = !std::filesystem::exists(path) || UTF8::isValid(read(path));
    std::string untouched = read(path);
    // Until another program writes the file, a clear works on the editor's own
    // lines; afterwards, on the lines as any reader takes them from disk.
    bool changedOutside = false;

    for (size_t i = 1; i < parts.size() && i < 64; ++i) {
        if (parts[i].empty())
            continue;
        std::string name = parts[i].substr(1);
        unsigned kind = static_cast<unsigned char>(parts[i][0]) % 4;
        if (kind == 3) {
            put(path, name);
            readable = UTF8::isValid(name);
            untouched = name;
            changedOutside = true;
            continue;
        }
        std::string before = read(path);
        std::string text = before.starts_with("\xEF\xBB\xBF") ? before.substr(3) : before;
        std::vector<std::string> foreign;
        for (const auto& line : changedOutside ? split(text, '\n', false) : table.volumes())
            if (!FSTab::isEntryLine(line))
                foreign.push_back(line);

        kind == 0 ? table.add(name) : kind == 1 ? table.remove(name) : table.clear();

        std::string joined;
        for (const auto& line : table.volumes()) {
            check(!line.empty(), "an empty line was kept");
            joined += (&line == &table.volumes().front() ? "" : "\n") + line;
        }
        if (!readable) {
            check(read(path) == untouched, "an unreadable file was changed");
            continue;
        }
        std::string after = read(path);
        // A refused name leaves the editor as it was, without even a look at the file.
        bool accepted = kind == 2 || acceptable(name);
        if ((accepted && kind != 1) || after != before)
            check(after == joined, "file differs from the editor's lines");
        if (kind == 2)
            check(table.volumes() == foreign, "clear dropped or reordered a foreign line");
        if (accepted)
            changedOutside = false;
    }
    return 0;
}
