#include "Platform/AppKit/StatusBarBackend.h"

#include "Platform/Headless/HeadlessStatusBarBackend.h"

namespace {

std::shared_ptr<StatusBarBackend>& installed()
{
    static std::shared_ptr<StatusBarBackend> backend = std::make_shared<HeadlessStatusBarBackend>();
    return backend;
}

}  // namespace

StatusBarBackend& StatusBarBackend::current()
{
    return *installed();
}

void StatusBarBackend::install(std::shared_ptr<StatusBarBackend> backend)
{
    if (backend)
        installed() = std::move(backend);
}
