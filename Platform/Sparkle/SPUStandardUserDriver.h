#pragma once

#include <functional>
#include <string>

#include "Platform/Sparkle/SPUUserDriver.h"

// The user driver the app gets without a desktop: every outcome becomes one
// line of the app's log. A desktop host announces a new version to the user
// in its own driver.
class SPUStandardUserDriver : public SPUUserDriver {
public:
    using Log = std::function<void(const std::string& line)>;

    // `applicationName` names the app in the lines; `log` takes them (standard
    // error when none is given).
    SPUStandardUserDriver(std::string applicationName, Log log = nullptr);

    void showUpdateFound(const SUAppcastItem& item, const std::string& currentVersion) override;
    void showUpdateNotFound(const SUAppcastItem& newest, const std::string& currentVersion) override;
    void showUpdaterError(const Error& error) override;

protected:
    const std::string& applicationName() const { return m_applicationName; }
    const Log& log() const { return m_log; }

private:
    std::string m_applicationName;
    Log m_log;
};
