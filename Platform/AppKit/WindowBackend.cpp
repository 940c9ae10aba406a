#include "Platform/AppKit/WindowBackend.h"

#include "Platform/Headless/HeadlessWindowBackend.h"

namespace {

std::shared_ptr<WindowBackend>& installed()
{
    static std::shared_ptr<WindowBackend> backend = std::make_shared<HeadlessWindowBackend>();
    return backend;
}

}  // namespace

WindowBackend& WindowBackend::current()
{
    return *installed();
}

void WindowBackend::install(std::shared_ptr<WindowBackend> backend)
{
    if (backend)
        installed() = std::move(backend);
}
