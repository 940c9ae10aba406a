// A second program logging to a shared file through Console, as the settings
// app and the menu-bar app do; the logger tests start two of these.
//   console_writer PATH NAME COUNT PADDING turns|together
// Each entry is "NAME <index>", then PADDING bytes of "x" when PADDING > 0.
// "turns": waits for a byte on standard input before each entry and answers
// with one on descriptor 3 after it, so the test makes two copies take turns.
// "together": waits for one byte, then logs as fast as it can.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "Shared/Console.h"

int main(int argc, char** argv)
{
    if (argc != 6)
        return 2;
    const std::string name = argv[2];
    const int count = std::atoi(argv[3]);
    const std::string padding(static_cast<size_t>(std::atoi(argv[4])), 'x');
    const bool turns = std::string(argv[5]) == "turns";
    Console console(argv[1]);
    char token = 0;
    if (!turns && ::read(STDIN_FILENO, &token, 1) != 1)
        return 1;
    for (int index = 0; index < count; ++index) {
        if (turns && ::read(STDIN_FILENO, &token, 1) != 1)
            return 1;
        std::vector<std::string> items{name + " " + std::to_string(index)};
        if (!padding.empty())
            items.push_back(padding);
        console.printLog(items, "main()");
        if (turns && ::write(3, &token, 1) != 1)
            return 1;
    }
    return 0;
}
