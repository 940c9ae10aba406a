// Feeds the table editor an initial file and a run of changes, some made by
// another program in between, and checks what any reader of the file can see:
// a file that is not UTF-8 text is never touched; an add ends the file with
// its entry and a line feed; a remove or a clear never makes the file longer
// but for ending its last line (unless changes made while the file could not
// be read were waiting), and after a clear no entry is left. Input: the initial
// file, then operations, all separated by 0x00; an operation's first byte picks
// add / remove / clear / an outside rewrite, the rest is the name (or the text
// the outside program writes).

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Agent/FSTab.h"
#include "Platform/Foundation/Text.h"
#include "Platform/Foundation/UTF8.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        char pattern[] = "/tmp/parvex-fstab-fuzz-XXXXXX";
        return std::string(::mkdtemp(pattern)) + "/fstab";
    }();
    auto parts = Text::split(std::string_view(reinterpret_cast<const char*>(data), size), '\0', Text::keepEmpty);
    std::filesystem::remove_all(path);
    if (!parts.front().empty())
        put(path, parts.front());

    FSTab table(path);
    bool waiting = false;
    for (size_t i = 1; i < parts.size() && i < 64; ++i) {
        if (parts[i].empty())
            continue;
        std::string name = parts[i].substr(1);
        unsigned kind = static_cast<unsigned char>(parts[i][0]) % 4;
        if (kind == 3) {
            put(path, name);
            continue;
        }
        bool existed = std::filesystem::exists(path);
        std::string before = read(path);
        kind == 0 ? table.add(name) : kind == 1 ? table.remove(name) : table.clear();
        std::string after = read(path);
        if (existed && !UTF8::isValid(before)) {
            check(after == before, "a file that is not text was changed");
            waiting = true;
            continue;
        }
        if (after == before)
            continue;
        if (kind == 0)
            check(after == FSTab::entryLine(name) + "\n" || after.ends_with("\n" + FSTab::entryLine(name) + "\n"),
                  "an add did not end the file with its entry and a line feed");
        else if (!waiting)
            check(after.size() <= before.size() + (before.empty() || before.ends_with('\n') ? 0 : 1),
                  "a remove or a clear made the file longer (but for ending its last line)");
        // A carriage return and line feed do not end a line.
        bool continued = false;
        for (const auto& piece : Text::split(after, '\n', Text::keepEmpty)) {
            check(kind != 2 || continued || !FSTab::isEntryLine(piece), "a clear left an entry");
            continued = piece.ends_with('\r');
        }
        waiting = false;
    }
    return 0;
}
