#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Platform/Foundation/UserDefaults.h"

// The settings the settings app and the menu-bar app share. Nothing is cached:
// every read goes to the suite, so one program's write is the other's next read.
class SharedData {
public:
    static constexpr std::string_view suiteName = "top.kestrova.macOS.Parvex.Shared";
    static constexpr std::string_view loginItemIsEnabledkey = "Parvex.Helper.Login.Item.Enabled.Key";
    static constexpr std::string_view pwdKey = "Parvex.Mac.PWD.Key";
    static constexpr std::string_view pluginStatusKey = "Parvex.Plugin.Status.Key";
    static constexpr std::string_view managerStyleKey = "Parvex.Manager.Style.Key";

    static SharedData& shared();

    // The suite at its usual place in the user's preferences.
    SharedData();
    explicit SharedData(std::shared_ptr<UserDefaults> userDefault);

    // Each write returns whether the suite reached storage; callers may ignore it.
    bool loginItemIsEnabled() const;
    bool setLoginItemIsEnabled(bool enabled);

    // Stored as the text's UTF-8 bytes, exactly as typed. An absent value, or
    // bytes that are not UTF-8, read as the empty password.
    std::string pwd() const;
    bool setPwd(std::string_view password);

    bool pluginStatus() const;
    bool setPluginStatus(bool installed);

    // true is the manual mode (fstab entries through the agent), false the automatic one.
    bool managerStyle() const;
    bool setManagerStyle(bool manual);

    // Why the last write through this object did not reach storage, if it did not.
    std::optional<Error> lastWriteError() const { return m_userDefault->lastWriteError(); }

    UserDefaults& userDefault() const { return *m_userDefault; }

private:
    bool setBool(bool value, std::string_view key);

    std::shared_ptr<UserDefaults> m_userDefault;
};
