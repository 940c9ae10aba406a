#include "Platform/ServiceManagement/JobBlessLocations.h"

#ifndef PARVEX_BLESS_TOOL
#define PARVEX_BLESS_TOOL "/usr/local/libexec/parvex-bless"
#endif

std::string JobBlessLocations::defaultBlessTool()
{
    return PARVEX_BLESS_TOOL;
}
