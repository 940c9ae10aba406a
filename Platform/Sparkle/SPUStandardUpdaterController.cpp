#include "Platform/Sparkle/SPUStandardUpdaterController.h"

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Sparkle/SPUStandardUserDriver.h"
#include "Platform/Sparkle/SPUUpdater.h"

SPUStandardUpdaterController::SPUStandardUpdaterController(std::shared_ptr<SPUUserDriver> userDriver,
                                                           std::shared_ptr<NSBundle> hostBundle)
{
    if (!hostBundle)
        hostBundle = NSBundle::main();
    if (!userDriver)
        userDriver = std::make_shared<SPUStandardUserDriver>(hostBundle->string("CFBundleName").value_or("The app"));
    m_updater = std::make_shared<SPUUpdater>(std::move(hostBundle), std::move(userDriver));
}
