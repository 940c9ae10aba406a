// Request-to-answer round trip of the real agent over the bus it finds (run it
// inside scripts/sandbox for a private one), beside the round trip of a bare
// signal that this process sends to itself through the same bus daemon.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/DistributedNotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double p99;
};

Figures figures(std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

// Posts `object` under `name` and pumps the run loop until `answers` grows.
double roundTrip(const std::string& name, const std::string& object, size_t& answers)
{
    size_t before = answers;
    auto start = Clock::now();
    if (auto posted = DistributedNotificationCenter::defaultCenter().post(name, object, DistributedNotificationCenter::deliverToAllSessions); !posted)
        std::fprintf(stderr, "%s\n", posted.error().description.c_str());
    RunLoop::main().runUntil([&] { return answers > before; }, 5);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

bool logSays(const std::string& text)
{
    std::ifstream in("/tmp/ntfs_cmd.txt");
    std::stringstream all;
    all << in.rdbuf();
    return all.str().find(text) != std::string::npos;
}

}  // namespace

int main()
{
    if (!getenv("PARVEX_SANDBOX")) {
        std::fprintf(stderr, "bench_agent: run it inside scripts/sandbox (it edits /etc/fstab)\n");
        return 77;
    }
    const char* agent = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";
    char* argv[] = {const_cast<char*>(agent), nullptr};
    pid_t pid = -1;
    unlink("/tmp/ntfs_cmd.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, agent, &actions, nullptr, argv, environ) != 0) {
        std::fprintf(stderr, "bench_agent: cannot start %s\n", agent);
        return 1;
    }
    while (!logSays("Running..."))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    size_t answers = 0;
    auto answerObserver = DistributedNotificationCenter::defaultCenter().addObserver(
        "top.kestrova.macOS.Parvex.Helper.do.Finsh", [&](const Notification&) { ++answers; });
    size_t echoes = 0;
    auto echoObserver = DistributedNotificationCenter::defaultCenter().addObserver(
        "bench.echo", [&](const Notification&) { ++echoes; });

    const int pairs = 1000;
    std::vector<double> agentTrips;
    std::vector<double> bareTrips;
    for (int i = 0; i < 50; ++i)
        roundTrip("bench.echo", "warm", echoes);
    for (int i = 0; i < pairs; ++i) {
        agentTrips.push_back(roundTrip("top.kestrova.macOS.Parvex.Helper.do", "add,Bench", answers));
        agentTrips.push_back(roundTrip("top.kestrova.macOS.Parvex.Helper.do", "remove,Bench", answers));
        bareTrips.push_back(roundTrip("bench.echo", "ping", echoes));
        bareTrips.push_back(roundTrip("bench.echo", "ping", echoes));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    Figures agentFigures = figures(agentTrips);
    Figures bareFigures = figures(bareTrips);
    std::printf("agent request -> answer, %d add/remove pairs: median %.0f us, p99 %.0f us\n", pairs,
                agentFigures.median, agentFigures.p99);
    std::printf("bare signal through the same bus (floor):     median %.0f us, p99 %.0f us\n", bareFigures.median,
                bareFigures.p99);
    return answers == static_cast<size_t>(2 * pairs) ? 0 : 1;
}
