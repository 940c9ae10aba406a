#pragma once

#include <memory>

class NSBundle;
class SPUUpdater;
class SPUUserDriver;

// What an app's main interface holds for updates: an updater for the main
// bundle with the standard user driver (or the one given).
class SPUStandardUpdaterController {
public:
    explicit SPUStandardUpdaterController(std::shared_ptr<SPUUserDriver> userDriver = nullptr,
                                          std::shared_ptr<NSBundle> hostBundle = nullptr);

    const std::shared_ptr<SPUUpdater>& updater() const { return m_updater; }

private:
    std::shared_ptr<SPUUpdater> m_updater;
};
