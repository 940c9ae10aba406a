#include <unistd.h>

#include <string>

#include "Shared/Console.h"

// Unit tests log to a file of their own, never to a program's log.
const char* Console::programLogPath()
{
    static const std::string path = "/tmp/parvex-unit-" + std::to_string(::getpid()) + ".log";
    return path.c_str();
}
