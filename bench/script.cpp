// Cost of running a script through Script against a bare spawn-and-wait of the
// same shell, which is the floor any runner pays.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

#include "Helper/Script.h"

extern char** environ;

namespace {

constexpr int warmUp = 20;
constexpr int rounds = 300;

struct Figures {
    double median;
    double mean;
};

Figures figuresOf(std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], std::accumulate(micros.begin(), micros.end(), 0.0) / micros.size()};
}

double timed(const std::function<void()>& body)
{
    auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void bareSpawn()
{
    char shell[] = "/bin/zsh", flag[] = "-c", script[] = "true";
    char* argv[] = {shell, flag, script, nullptr};
    pid_t child = -1;
    if (posix_spawn(&child, shell, nullptr, nullptr, argv, environ) != 0)
        return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
}

} // namespace

int main()
{
    auto script = [] { Script::run("/bin/zsh", std::nullopt, {"true"}); };
    for (int round = 0; round < warmUp; ++round) {
        bareSpawn();
        script();
    }
    // Alternate the two, first one then the other leading, so changes in
    // machine load fall on both alike.
    std::vector<double> bareMicros, scriptMicros;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2) {
            bareMicros.push_back(timed(bareSpawn));
            scriptMicros.push_back(timed(script));
        } else {
            scriptMicros.push_back(timed(script));
            bareMicros.push_back(timed(bareSpawn));
        }
    }
    Figures bare = figuresOf(bareMicros);
    Figures scripted = figuresOf(scriptMicros);

    std::printf("runs per case: %d (after %d warm-up)\n", rounds, warmUp);
    std::printf("bare posix_spawn + waitpid   median %8.1f us   mean %8.1f us\n", bare.median, bare.mean);
    std::printf("Script.run(\"/bin/zsh\", true) median %8.1f us   mean %8.1f us\n", scripted.median, scripted.mean);
    std::printf("ratio Script/bare            median %8.3f      mean %8.3f\n", scripted.median / bare.median,
                scripted.mean / bare.mean);
    return 0;
}
