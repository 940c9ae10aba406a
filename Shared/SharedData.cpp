#include "Shared/SharedData.h"

#include "Platform/Foundation/UTF8.h"
#include "Shared/Console.h"

SharedData& SharedData::shared()
{
    static SharedData* data = new SharedData();
    return *data;
}

SharedData::SharedData()
    : SharedData(std::make_shared<UserDefaults>(std::string(suiteName)))
{
}

SharedData::SharedData(std::shared_ptr<UserDefaults> userDefault)
    : m_userDefault(std::move(userDefault))
{
    // Settings that cannot be read are absent values; the log says why, once.
    m_userDefault->setUnreadableFileHandler([](const Error& error) {
        Console::shared().printLog(error.description + "; its settings read as absent", "userDefault");
    });
}

bool SharedData::loginItemIsEnabled() const
{
    return m_userDefault->boolForKey(loginItemIsEnabledkey);
}

bool SharedData::setLoginItemIsEnabled(bool enabled)
{
    return setBool(enabled, loginItemIsEnabledkey);
}

std::string SharedData::pwd() const
{
    auto bytes = m_userDefault->dataForKey(pwdKey);
    return bytes ? UTF8::decode(*bytes) : std::string();
}

bool SharedData::setPwd(std::string_view password)
{
    return m_userDefault->setData(password, pwdKey) && m_userDefault->synchronize();
}

bool SharedData::pluginStatus() const
{
    return m_userDefault->boolForKey(pluginStatusKey);
}

bool SharedData::setPluginStatus(bool installed)
{
    return setBool(installed, pluginStatusKey);
}

bool SharedData::managerStyle() const
{
    return m_userDefault->boolForKey(managerStyleKey);
}

bool SharedData::setManagerStyle(bool manual)
{
    return setBool(manual, managerStyleKey);
}

bool SharedData::setBool(bool value, std::string_view key)
{
    return m_userDefault->set(value, key) && m_userDefault->synchronize();
}
