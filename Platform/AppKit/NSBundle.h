#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

// A bundle folder laid out as the platform lays out applications:
// X.app/Contents/{Info.plist, MacOS/<executable>, Resources/...}. The main bundle
// is the one whose Contents/MacOS holds this process's executable; an executable
// outside any bundle gets its own folder as main bundle, with no information.
// URLs are handed around as absolute file paths.
class NSBundle {
public:
    // The scalar values of the information property list's top level; arrays
    // and dictionaries there are left out.
    using InfoValue = std::variant<std::string, std::int64_t, double, bool>;
    using InfoDictionary = std::map<std::string, InfoValue>;

    static std::shared_ptr<NSBundle> main();
    // Makes `bundle` the main bundle (null: found again from the executable),
    // so code that reads the main bundle can be tested on a temporary tree.
    static void setMain(std::shared_ptr<NSBundle> bundle);

    // The bundle whose Contents/MacOS holds `executablePath`, else the folder of it.
    static std::shared_ptr<NSBundle> forExecutable(const std::string& executablePath);
    // "X/Contents/MacOS/name" gives "X"; anything else gives nothing.
    static std::optional<std::string> bundlePathForExecutable(const std::string& executablePath);

    // The bundle at `path` (made absolute); its Info.plist is read once, here.
    explicit NSBundle(const std::string& path);

    bool exists() const;
    const std::string& bundlePath() const { return m_path; }
    const std::string& bundleURL() const { return m_path; }
    // Contents/Resources of an application bundle, the folder itself otherwise.
    std::string resourcePath() const;
    // Contents/MacOS/ + the CFBundleExecutable value (the bundle's name without
    // its extension when the key is missing); nothing when that file is missing.
    std::optional<std::string> executablePath() const;

    std::optional<std::string> bundleIdentifier() const;
    const InfoDictionary& infoDictionary() const { return m_info; }
    // The value when it is a string.
    std::optional<std::string> string(const std::string& infoDictionaryKey) const;

    // "<resourcePath>/<name>.<type>" (or "/<name>" when `type` is empty) if that file exists.
    std::optional<std::string> path(const std::string& resource, const std::string& type) const;

private:
    std::string contentsPath() const { return m_path + "/Contents"; }
    void loadInfo();

    std::string m_path;
    bool m_isApplicationLayout = false;
    InfoDictionary m_info;
};
