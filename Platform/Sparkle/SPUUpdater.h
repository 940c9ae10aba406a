#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Sparkle/SUFeedFetcher.h"

class NSBundle;
class SPUUserDriver;

// Checks the host app's update feed: the SUFeedURL of its Info.plist, whose
// newest release is compared with the app's CFBundleVersion. The check runs
// on a worker thread; its outcome, whatever it is, reaches the user driver on
// the main thread and changes nothing else.
class SPUUpdater : public std::enable_shared_from_this<SPUUpdater> {
public:
    static constexpr const char* feedURLKey = "SUFeedURL";

    SPUUpdater(std::shared_ptr<NSBundle> hostBundle, std::shared_ptr<SPUUserDriver> userDriver,
               SUFeedFetcher::Limits limits = {});

    // None when the Info.plist names no feed (or an empty one).
    std::optional<std::string> feedURL() const;
    // Starts a check unless one is running; without a feed the user driver
    // hears that at once and nothing is fetched.
    void checkForUpdatesInBackground();
    bool sessionInProgress() const { return m_checking; }

private:
    struct Outcome;
    void finish(const Outcome& outcome);

    std::shared_ptr<NSBundle> m_hostBundle;
    std::shared_ptr<SPUUserDriver> m_userDriver;
    SUFeedFetcher::Limits m_limits;
    bool m_checking = false;
};
