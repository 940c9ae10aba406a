// Posts distributed notifications, as whatever user runs it:
//   post_notification NAME [TEXT]      (no TEXT: the notification has no object)
//   post_notification NAME --int N     (a non-text object)
// followed by any of
//   --times N        posts it N times over one connection
//   --padded BYTES   pads TEXT with "x" to BYTES bytes
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Foundation/DistributedNotificationCenter.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::optional<PropertyListValue> object;
    long times = 1;
    size_t padded = 0;
    for (int index = 2; index < argc; ++index) {
        std::string argument = argv[index];
        bool hasValue = index + 1 < argc;
        if (argument == "--int" && hasValue)
            object = static_cast<std::int64_t>(std::atoll(argv[++index]));
        else if (argument == "--times" && hasValue)
            times = std::atol(argv[++index]);
        else if (argument == "--padded" && hasValue)
            padded = static_cast<size_t>(std::atoll(argv[++index]));
        else
            object = argument;
    }
    if (object && object->string() && object->string()->size() < padded)
        object = *object->string() + std::string(padded - object->string()->size(), 'x');
    for (long count = 0; count < times; ++count) {
        auto posted = DistributedNotificationCenter::defaultCenter().post(argv[1], object,
                                                                          DistributedNotificationCenter::deliverToAllSessions);
        if (!posted) {
            std::fprintf(stderr, "%s\n", posted.error().description.c_str());
            return 1;
        }
    }
    return 0;
}
