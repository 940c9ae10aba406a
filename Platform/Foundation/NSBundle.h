#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/PropertyListValue.h"

// A bundle folder laid out as the platform lays out applications:
// X.app/Contents/{Info.plist, MacOS/<executable>, Resources/...}. The main bundle
// is the one whose Contents/MacOS holds this process's executable; an executable
// outside any bundle gets its own folder as main bundle, with no information.
// URLs are handed around as absolute file paths.
class NSBundle {
public:
    static std::shared_ptr<NSBundle> main();
    // Makes `bundle` the main bundle (null: found again from the executable),
    // so code that reads the main bundle can be tested on a temporary tree.
    static void setMain(std::shared_ptr<NSBundle> bundle);

    // "X/Contents/MacOS/name" gives "X"; anything else gives nothing.
    static std::optional<std::string> bundlePathForExecutable(const std::string& executablePath);

    // The bundle at `path` (made absolute); its Info.plist is read once, here.
    explicit NSBundle(const std::string& path);

    bool exists() const;
    const std::string& bundlePath() const { return m_path; }
    const std::string& bundleURL() const { return m_path; }
    // Contents/MacOS/ + the CFBundleExecutable value (the bundle's name without
    // its extension when the key is missing); nothing when that file is missing.
    std::optional<std::string> executablePath() const;
    std::optional<std::string> bundleIdentifier() const;
    // The Info.plist's value for the key, or null.
    const PropertyListValue* objectForInfoDictionaryKey(const std::string& key) const;
    // The value when it is a string.
    std::optional<std::string> string(const std::string& key) const;

    // "<Contents/Resources>/<name>.<type>" (or "/<name>" when `type` is empty)
    // if that file exists; a bundle that is no application bundle keeps its
    // resources in its own folder.
    std::optional<std::string> path(const std::string& resource, const std::string& type) const;

private:
    std::string contentsPath() const { return m_path + "/Contents"; }

    std::string m_path;
    bool m_isApplicationLayout = false;
    PropertyListValue::Dictionary m_info;
};
