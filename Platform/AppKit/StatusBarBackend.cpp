#include "Platform/AppKit/StatusBarBackend.h"

#include "Platform/AppKit/HeadlessStatusBarBackend.h"
#include "Platform/AppKit/NSBundle.h"
#include "Platform/AppKit/TrayStatusBarBackend.h"

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

std::shared_ptr<StatusBarBackend> StatusBarBackend::desktop(std::function<void(const std::string&)> report)
{
    // The X tray's presenter travels in the app's bundle, loaded only if needed.
    auto bundle = NSBundle::main();
    std::string module = bundle ? bundle->bundlePath() + "/Contents/PlugIns/XEmbedTray.so" : std::string();
    return std::make_shared<TrayStatusBarBackend>(std::move(module), std::move(report));
}

void StatusBarBackend::install(std::shared_ptr<StatusBarBackend> backend)
{
    if (backend)
        installed() = std::move(backend);
}
