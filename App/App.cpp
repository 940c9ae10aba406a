#include "App/App.h"

#include "Platform/Foundation/NSBundle.h"

const std::string& App::bundlePath()
{
    static const std::string path = NSBundle::main()->bundlePath();
    return path;
}

const std::string& App::contentsPath()
{
    static const std::string path = bundlePath() + "/Contents";
    return path;
}

const std::string& App::resourcesPath()
{
    static const std::string path = contentsPath() + "/Resources";
    return path;
}
