// Posts one distributed notification, as whatever user runs it:
//   post_notification NAME [TEXT]      (no TEXT: the notification has no object)
//   post_notification NAME --int N     (a non-text object)
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
    if (argc >= 4 && std::strcmp(argv[2], "--int") == 0)
        object = static_cast<std::int64_t>(std::atoll(argv[3]));
    else if (argc >= 3)
        object = std::string(argv[2]);
    auto posted = DistributedNotificationCenter::defaultCenter().post(argv[1], object,
                                                                      DistributedNotificationCenter::deliverToAllSessions);
    if (!posted)
        std::fprintf(stderr, "%s\n", posted.error().description.c_str());
    return posted ? 0 : 1;
}
