// Cost of one log entry early in a run and after 10,000 entries, and right
// after another program wrote to the same file. Each entry is appended under
// the file's lock, whoever wrote last, so the cost should stay flat.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/Foundation/FileManager.h"
#include "Shared/Console.h"

namespace {

constexpr int kEntries = 10000;
constexpr int kWindow = 5;  // entries on each side of the one we report

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median cost of the entries numbered around `entry` (1-based), clipped to the run.
double around(const std::vector<double>& costs, int entry)
{
    int first = std::max(1, entry - kWindow);
    int last = std::min(static_cast<int>(costs.size()), entry + kWindow);
    return median(std::vector<double>(costs.begin() + first - 1, costs.begin() + last));
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/parvex-bench-console-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string folder = pattern;
    std::string path = folder + "/Parvex.txt";

    // The logger also prints every entry; keep that off the report.
    std::fflush(stdout);
    int realOutput = ::dup(STDOUT_FILENO);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, STDOUT_FILENO);

    std::vector<double> costs;
    costs.reserve(kEntries);
    Console console(path);
    console.clear();
    const std::vector<std::string> items{"diskutil info disk4s1", "(result: \"   Device Identifier:         disk4s1\", error: \"\")"};
    for (int index = 0; index < kEntries; ++index) {
        auto start = std::chrono::steady_clock::now();
        console.printLog(items, "run()");
        costs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }

    // What an entry costs right after another writer appended to the file.
    std::vector<double> afterOthers;
    for (int index = 0; index < 2 * kWindow + 1; ++index) {
        (void)FileManager::append(path, "\nanother program's entry\n");
        auto start = std::chrono::steady_clock::now();
        console.printLog(items, "run()");
        afterOthers.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }

    std::fflush(stdout);
    ::dup2(realOutput, STDOUT_FILENO);
    ::close(realOutput);
    ::close(null);

    double early = around(costs, 100);
    double late = around(costs, kEntries);
    std::printf("console: %d entries, log file %lld bytes\n", kEntries,
                static_cast<long long>(FileManager::stamp(path).size));
    std::printf("entry 100:    %.1f us (median of entries %d-%d)\n", early, 100 - kWindow, 100 + kWindow);
    std::printf("entry 10000:  %.1f us (median of entries %d-%d)\n", late, kEntries - 2 * kWindow, kEntries);
    std::printf("ratio 10000/100: %.2f (target under 2)\n", late / early);
    std::printf("entry after another writer's at %d entries: %.1f us (median of %d)\n", kEntries,
                median(afterOthers), 2 * kWindow + 1);

    std::system(("rm -rf '" + folder + "'").c_str());
    return 0;
}
