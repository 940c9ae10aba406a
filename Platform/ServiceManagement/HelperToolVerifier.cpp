#include "Platform/ServiceManagement/HelperToolVerifier.h"

#include <sys/stat.h>

#include "Platform/Foundation/PropertyListSerialization.h"
#include "Platform/ServiceManagement/CodeRequirement.h"
#include "Platform/ServiceManagement/ELFSection.h"
#include "Platform/ServiceManagement/ServiceManagement.h"

namespace {

Expected<PropertyListValue::Dictionary> dictionaryOf(const Expected<std::string>& data)
{
    if (!data)
        return data.error();
    auto value = PropertyListSerialization::propertyList(*data);
    if (!value)
        return value.error();
    if (!value->dictionary())
        return Error::message("the property list is no dictionary");
    return *value->dictionary();
}

const std::string* stringFor(const PropertyListValue::Dictionary& dictionary, const std::string& key)
{
    const PropertyListValue* value = PropertyListValue::valueForKey(dictionary, key);
    return value ? value->string() : nullptr;
}

}  // namespace

Expected<VerifiedHelperTool> HelperToolVerifier::verify(const std::string& bundlePath, const std::string& label)
{
    if (label.empty() || label.find('/') != std::string::npos || label == "." || label == "..")
        return SMError(kSMErrorToolNotValid, "\"" + label + "\" is not a helper tool label");

    std::string infoPath = bundlePath + "/Contents/Info.plist";
    auto appInfo = PropertyListSerialization::dictionaryAtPath(infoPath);
    if (!appInfo)
        return SMError(kSMErrorInvalidPlist, "the app's Info.plist (" + infoPath + ") cannot be read");
    const std::string* appIdentifier = stringFor(*appInfo, "CFBundleIdentifier");
    if (!appIdentifier || appIdentifier->empty())
        return SMError(kSMErrorInvalidPlist, "the app's Info.plist has no CFBundleIdentifier");

    const PropertyListValue* privileged = PropertyListValue::valueForKey(*appInfo, "SMPrivilegedExecutables");
    const PropertyListValue* requirement = nullptr;
    if (privileged && privileged->dictionary())
        requirement = PropertyListValue::valueForKey(*privileged->dictionary(), label);
    if (!requirement || !requirement->string())
        return SMError(kSMErrorInvalidSignature,
                       "the app's Info.plist does not name " + label + " under SMPrivilegedExecutables");

    std::string toolPath = bundlePath + "/Contents/Library/LaunchServices/" + label;
    struct stat info {};
    if (::stat(toolPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return SMError(kSMErrorToolNotValid, "the helper tool " + toolPath + " does not exist");

    auto toolInfo = dictionaryOf(ELFSection::contents(toolPath, infoSection));
    if (!toolInfo)
        return SMError(kSMErrorInvalidPlist, "the helper tool " + label + " has no embedded information property list");
    const std::string* toolIdentifier = stringFor(*toolInfo, "CFBundleIdentifier");
    if (!toolIdentifier || *toolIdentifier != label)
        return SMError(kSMErrorInvalidSignature, "the helper tool's CFBundleIdentifier is \""
                           + (toolIdentifier ? *toolIdentifier : std::string()) + "\", not its label " + label);

    auto demanded = CodeRequirement::identifier(*requirement->string());
    if (!demanded || *demanded != *toolIdentifier)
        return SMError(kSMErrorInvalidSignature, "the app's SMPrivilegedExecutables requirement for " + label
                           + " names the identifier \"" + demanded.value_or("") + "\", not the helper tool's \""
                           + *toolIdentifier + "\"");

    bool authorized = false;
    if (const PropertyListValue* clients = PropertyListValue::valueForKey(*toolInfo, "SMAuthorizedClients"); clients && clients->array()) {
        for (const auto& client : *clients->array()) {
            if (client.string() && CodeRequirement::identifier(*client.string()) == *appIdentifier)
                authorized = true;
        }
    }
    if (!authorized)
        return SMError(kSMErrorInvalidSignature, "the helper tool's SMAuthorizedClients does not name the app's identifier \""
                           + *appIdentifier + "\"");

    auto launchdList = dictionaryOf(ELFSection::contents(toolPath, launchdSection));
    if (!launchdList)
        return SMError(kSMErrorJobPlistNotFound, "the helper tool " + label + " has no embedded launchd property list");
    const std::string* jobLabel = stringFor(*launchdList, "Label");
    if (!jobLabel || *jobLabel != label)
        return SMError(kSMErrorInvalidPlist, "the helper tool's launchd property list has the Label \""
                           + (jobLabel ? *jobLabel : std::string()) + "\", not " + label);

    return VerifiedHelperTool{label, toolPath, *launchdList};
}
