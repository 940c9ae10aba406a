#pragma once

#include <string>

// The settings app bundle's own folders, each found once and kept for the
// life of the process.
class App {
public:
    static const std::string& bundlePath();
    static const std::string& contentsPath();
    static const std::string& resourcesPath();
};
