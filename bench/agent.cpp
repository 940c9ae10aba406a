// The real agent over the bus it finds (run it inside scripts/sandbox for a
// private one):
// - request-to-answer round trips, beside the round trip of a bare signal that
//   this process sends to itself through the same bus daemon;
// - 1,000 requests from root, each sent by a new `gdbus emit` process that
//   exits at once: how many are handled;
// - a flood of 100,000 requests from nobody, then one from root sent by
//   `gdbus emit`: whether it is handled, and how long after it was sent.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

constexpr const char* kRequest = "top.kestrova.macOS.Parvex.Helper.do";
constexpr const char* kAnswer = "top.kestrova.macOS.Parvex.Helper.do.Finsh";

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

// Runs a program to its end, its output thrown away; its exit status.
int run(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A request sent by a `gdbus emit` process of its own, which exits at once.
void emit(const std::string& request)
{
    run({"/usr/bin/gdbus", "emit", "--system", "--object-path", "/top/kestrova/DistributedNotificationCenter", "--signal",
         "top.kestrova.DistributedNotificationCenter.Notification", kRequest, "[<'" + request + "'>]", "uint32 2"});
}

// The flood, posted by this program started again as nobody.
int flood(long count)
{
    for (long index = 0; index < count; ++index) {
        if (!DistributedNotificationCenter::defaultCenter().post(kRequest, std::string("add,Evil"), 2))
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--flood") == 0)
        return flood(std::atol(argv[2]));
    if (!getenv("PARVEX_SANDBOX")) {
        std::fprintf(stderr, "bench_agent: run it inside scripts/sandbox (it edits /etc/fstab)\n");
        return 77;
    }
    const char* agent = PARVEX_BINARY_DIR "/Parvex.app/Contents/Library/LaunchServices/top.kestrova.macOS.Parvex.Agent";
    char* agentArgv[] = {const_cast<char*>(agent), nullptr};
    pid_t pid = -1;
    unlink("/tmp/ntfs_cmd.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    int spawned = posix_spawn(&pid, agent, &actions, nullptr, agentArgv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "bench_agent: cannot start %s\n", agent);
        return 1;
    }
    while (!logSays("Running..."))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    size_t answers = 0;
    std::vector<std::string> answered;
    auto answerObserver = DistributedNotificationCenter::defaultCenter().addObserver(kAnswer, [&](const Notification& n) {
        ++answers;
        answered.push_back(n.objectText() ? *n.objectText() : std::string());
    });
    size_t echoes = 0;
    auto echoObserver = DistributedNotificationCenter::defaultCenter().addObserver(
        "bench.echo", [&](const Notification&) { ++echoes; });

    const int pairs = 1000;
    std::vector<double> agentTrips;
    std::vector<double> bareTrips;
    for (int i = 0; i < 50; ++i)
        roundTrip("bench.echo", "warm", echoes);
    for (int i = 0; i < pairs; ++i) {
        agentTrips.push_back(roundTrip(kRequest, "add,Bench", answers));
        agentTrips.push_back(roundTrip(kRequest, "remove,Bench", answers));
        bareTrips.push_back(roundTrip("bench.echo", "ping", echoes));
        bareTrips.push_back(roundTrip("bench.echo", "ping", echoes));
    }
    bool roundTripsAnswered = answers == static_cast<size_t>(2 * pairs);

    // Senders that are gone by the time their request is read.
    const int emitted = 1000;
    answered.clear();
    auto emitStart = Clock::now();
    for (int i = 0; i < emitted; ++i)
        emit("noop,Emitted" + std::to_string(i));
    double emitSeconds = std::chrono::duration<double>(Clock::now() - emitStart).count();
    RunLoop::main().runUntil([&] { return answered.size() >= static_cast<size_t>(emitted); }, 30);
    size_t handled = std::count_if(answered.begin(), answered.end(),
                                   [](const std::string& text) { return text.starts_with("noop,Emitted"); });

    // Root after a flood from nobody.
    const long flooded = 100000;
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0)
        return 1;
    auto floodStart = Clock::now();
    int floodStatus = run({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", self, "--flood",
                           std::to_string(flooded)});
    double floodSeconds = std::chrono::duration<double>(Clock::now() - floodStart).count();
    answered.clear();
    auto rootStart = Clock::now();
    emit("noop,AfterTheFlood");
    bool rootHandled = RunLoop::main().runUntil([&] {
        return std::find(answered.begin(), answered.end(), "noop,AfterTheFlood") != answered.end();
    }, 120);
    double rootSeconds = std::chrono::duration<double>(Clock::now() - rootStart).count();
    std::ifstream log("/tmp/ntfs_cmd.txt", std::ios::ate);
    long logBytes = static_cast<long>(log.tellg());

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    Figures agentFigures = figures(agentTrips);
    Figures bareFigures = figures(bareTrips);
    std::printf("agent request -> answer, %d add/remove pairs: median %.0f us, p99 %.0f us\n", pairs,
                agentFigures.median, agentFigures.p99);
    std::printf("bare signal through the same bus (floor):     median %.0f us, p99 %.0f us\n", bareFigures.median,
                bareFigures.p99);
    std::printf("requests from root, each by a new gdbus emit that exits at once: %zu of %d handled (%.1f s to send)\n",
                handled, emitted, emitSeconds);
    std::printf("flood of %ld requests from nobody: sent in %.1f s%s\n", flooded, floodSeconds,
                floodStatus == 0 ? "" : " (the flooding process failed)");
    if (rootHandled)
        std::printf("root request by gdbus emit after the flood: handled, answered %.3f s after it was sent\n", rootSeconds);
    else
        std::printf("root request by gdbus emit after the flood: not handled within %.0f s\n", rootSeconds);
    std::printf("agent log after all of it: %ld bytes\n", logBytes);
    return roundTripsAnswered && rootHandled && handled == static_cast<size_t>(emitted) ? 0 : 1;
}
