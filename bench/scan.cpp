// A steady system of four listed NTFS volumes, scanned with the tool doubles:
// how many scripts and processes one cycle starts, and the manager's own CPU
// time per cycle beside the CPU time of the children it waits for.
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "Helper/NTFSManager/NTFSManager.h"
#include "Shared/Console.h"
#include "support/ToolDoubles.h"

namespace {

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double cpu(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv)
{
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 40;
    ToolDoubles doubles;
    std::vector<std::string> rows;
    std::string df = "Filesystem Size Used Avail Capacity Mounted on\n";
    for (int i = 1; i <= 4; ++i) {
        std::string id = "disk4s" + std::to_string(i);
        rows.push_back("   " + std::to_string(i) + ":               Windows_NTFS Volume" + std::to_string(i)
                       + "                 1.0 GB     " + id);
        doubles.setInfo(id, ToolDoubles::info("Volume" + std::to_string(i), "Yes", "NTFS"));
        df += "/dev/" + id + " 1.0G 1M 1.0G 1% /Users/x/Desktop/Volume" + std::to_string(i) + "\n";
    }
    doubles.setList(ToolDoubles::listing(rows));
    doubles.setDf(df);
    doubles.settings().setManagerStyle(true);  // keep the volumes listed without mounting them
    NTFSManager manager(doubles.environment());
    manager.run();  // the first cycle examines every identifier
    doubles.forget();

    double selfBefore = cpu(RUSAGE_SELF);
    double childrenBefore = cpu(RUSAGE_CHILDREN);
    for (int i = 0; i < cycles; ++i)
        manager.run();
    double self = (cpu(RUSAGE_SELF) - selfBefore) / cycles;
    double children = (cpu(RUSAGE_CHILDREN) - childrenBefore) / cycles;

    size_t scripts = doubles.scripts().size();
    size_t tools = doubles.calls().size();
    std::printf("steady cycle with %zu listed volumes, %d cycles\n", manager.previousInsertedNTFSVolumes().size(), cycles);
    std::printf("scripts per cycle: %.1f (each one /bin/zsh)\n", static_cast<double>(scripts) / cycles);
    std::printf("processes per cycle: %.1f (shells, disk tools, and the grep of the listing)\n",
                static_cast<double>(scripts + tools + cycles) / cycles);
    std::printf("manager's own CPU per cycle: %.2f ms; its children's: %.2f ms; manager's share: %.1f%%\n", self * 1e3,
                children * 1e3, 100.0 * self / (self + children));
    return 0;
}
