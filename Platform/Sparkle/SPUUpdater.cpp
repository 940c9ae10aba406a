#include "Platform/Sparkle/SPUUpdater.h"

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Sparkle/SPUUserDriver.h"
#include "Platform/Sparkle/SUAppcast.h"
#include "Platform/Sparkle/SUStandardVersionComparator.h"

struct SPUUpdater::Outcome {
    std::string currentVersion;
    std::optional<SUAppcastItem> newest;
    std::optional<Error> error;
};

SPUUpdater::SPUUpdater(std::shared_ptr<NSBundle> hostBundle, std::shared_ptr<SPUUserDriver> userDriver,
                       SUFeedFetcher::Limits limits)
    : m_hostBundle(std::move(hostBundle)), m_userDriver(std::move(userDriver)), m_limits(limits)
{
}

std::optional<std::string> SPUUpdater::feedURL() const
{
    auto url = m_hostBundle ? m_hostBundle->string(feedURLKey) : std::nullopt;
    if (!url || url->empty())
        return std::nullopt;
    return url;
}

void SPUUpdater::checkForUpdatesInBackground()
{
    if (m_checking)
        return;
    auto url = feedURL();
    if (!url) {
        m_userDriver->showUpdaterError(Error{0, "no update feed is set (SUFeedURL in the app's Info.plist)."});
        return;
    }
    m_checking = true;
    std::string currentVersion = m_hostBundle->string("CFBundleVersion").value_or("0");
    std::weak_ptr<SPUUpdater> weak = weak_from_this();
    DispatchQueue::global().async([weak, url = *url, currentVersion, limits = m_limits] {
        Outcome outcome{currentVersion, std::nullopt, std::nullopt};
        auto feed = SUFeedFetcher::fetch(url, limits);
        if (!feed) {
            outcome.error = feed.error();
        } else if (auto appcast = SUAppcast::parse(*feed); !appcast) {
            outcome.error = appcast.error();
        } else if (!(outcome.newest = appcast->newestItem())) {
            outcome.error = Error{0, "the update feed at " + url + " lists no release with a version."};
        }
        DispatchQueue::main().async([weak, outcome = std::move(outcome)] {
            if (auto updater = weak.lock())
                updater->finish(outcome);
        });
    });
}

void SPUUpdater::finish(const Outcome& outcome)
{
    m_checking = false;
    if (outcome.error)
        m_userDriver->showUpdaterError(*outcome.error);
    else if (SUStandardVersionComparator::compareVersions(outcome.newest->versionString, outcome.currentVersion) > 0)
        m_userDriver->showUpdateFound(*outcome.newest, outcome.currentVersion);
    else
        m_userDriver->showUpdateNotFound(*outcome.newest, outcome.currentVersion);
}
