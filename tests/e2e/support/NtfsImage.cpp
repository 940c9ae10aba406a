#include "support/NtfsImage.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ShellCommand.h"

namespace {

// $1 image, $2 label, $3 folder whose contents are copied onto the volume.
// The loop device is set up by hand here (not by hdiutil) so that making an
// image never depends on the tools under test.
constexpr const char* kMakeImage = R"SH(
image=$1; label=$2; staging=$3
truncate -s 64M "$image" || exit 1
printf 'label: dos\n,,7\n' | sfdisk -q "$image" || exit 1
loop=$(losetup -f --show "$image") || exit 1
status=0
partx -a "$loop" && mkntfs -Q -L "$label" "${loop}p1" >/dev/null || status=1
if [ $status -eq 0 ]; then
  mnt=$(mktemp -d)
  if ntfs-3g -o rw "${loop}p1" "$mnt"; then
    cp -r "$staging/." "$mnt/" || status=1
    umount "$mnt" || status=1
  else
    status=1
  fi
  rmdir "$mnt"
fi
# ntfs-3g may hold the partition a moment after its unmount returns.
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  partx -d "$loop" 2>/dev/null && break
  sleep 0.2
done
losetup -d "$loop"
exit $status
)SH";

}  // namespace

bool NtfsImage::make(const std::string& path, const std::string& label, const Files& files, std::string* error)
{
    namespace fs = std::filesystem;
    const std::string staging = path + ".files";
    fs::remove_all(staging);
    fs::create_directories(staging);
    for (const auto& [name, content] : files) {
        std::ofstream file(staging + "/" + name, std::ios::binary);
        file << content;
    }
    fs::remove(path);
    ShellOutput made = runShell(kMakeImage, {path, label, staging});
    fs::remove_all(staging);
    if (made.status != 0 && error)
        *error = "could not make the NTFS image " + path + ": " + made.error;
    return made.status == 0;
}

std::string NtfsImage::hibernationFile()
{
    return "hibr" + std::string(4092, '\0');
}

std::vector<std::string> NtfsImage::loopDevicesOf(const std::string& path)
{
    std::vector<std::string> out;
    std::stringstream lines(runShell("losetup -n -O NAME -j \"$1\"", {path}).output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty())
            out.push_back(line);
    }
    return out;
}
