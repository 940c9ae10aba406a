#include "Platform/Sparkle/SUAppcast.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>

#include "Platform/Foundation/UTF8.h"
#include "Platform/Sparkle/SUStandardVersionComparator.h"

namespace {

constexpr const char* sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

bool named(const xmlNode* node, const char* name, const char* space = nullptr)
{
    if (node->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(node->name), name) != 0)
        return false;
    if (!space)
        return !node->ns;
    return node->ns && node->ns->href && std::strcmp(reinterpret_cast<const char*>(node->ns->href), space) == 0;
}

const xmlNode* child(const xmlNode* parent, const char* name, const char* space = nullptr)
{
    for (const xmlNode* node = parent ? parent->children : nullptr; node; node = node->next) {
        if (named(node, name, space))
            return node;
    }
    return nullptr;
}

std::string trimmed(std::string text)
{
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Titles and versions reach the log and a notification: a feed gets no more
// room there than a title needs.
constexpr size_t kLongestText = 256;

std::string bounded(std::string text)
{
    return UTF8::prefixWithin(trimmed(std::move(text)), kLongestText);
}

std::string textOf(const xmlNode* node)
{
    if (!node)
        return {};
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return bounded(text);
}

std::string attribute(const xmlNode* node, const char* name, const char* space)
{
    if (!node)
        return {};
    xmlChar* value = xmlGetNsProp(node, reinterpret_cast<const xmlChar*>(name), reinterpret_cast<const xmlChar*>(space));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return bounded(text);
}

SUAppcastItem itemFrom(const xmlNode* item)
{
    const xmlNode* enclosure = child(item, "enclosure");
    SUAppcastItem parsed;
    parsed.title = textOf(child(item, "title"));
    parsed.versionString = textOf(child(item, "version", sparkleNamespace));
    if (parsed.versionString.empty())
        parsed.versionString = attribute(enclosure, "version", sparkleNamespace);
    parsed.displayVersionString = textOf(child(item, "shortVersionString", sparkleNamespace));
    if (parsed.displayVersionString.empty())
        parsed.displayVersionString = attribute(enclosure, "shortVersionString", sparkleNamespace);
    if (parsed.displayVersionString.empty())
        parsed.displayVersionString = parsed.versionString;
    return parsed;
}

}  // namespace

Expected<SUAppcast> SUAppcast::parse(std::string_view xml)
{
    if (xml.size() > INT_MAX)
        return Error{0, "The update feed is too large to read."};
    // No network, no entity expansion, no DTD loading: a feed is data only.
    int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlDoc, DocumentDeleter> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "appcast.xml", nullptr, options));
    if (!document) {
        const xmlError* error = xmlGetLastError();
        std::string why = error && error->message ? trimmed(error->message) : "not well-formed";
        return Error{0, "The update feed is not well-formed XML: " + why + "."};
    }
    // A feed is plain data: a document type can only declare entities, which
    // libxml2 expands when a text is read, however the parse was told, and a
    // small feed can swell to gigabytes that way.
    if (document->intSubset || document->extSubset)
        return Error{0, "The update feed declares a document type or entities, which a feed never needs; it was not read."};
    const xmlNode* root = xmlDocGetRootElement(document.get());
    const xmlNode* channel = root && named(root, "rss") ? child(root, "channel") : nullptr;
    if (!channel)
        return Error{0, "The update feed is no RSS channel."};
    SUAppcast appcast;
    for (const xmlNode* node = channel->children; node; node = node->next) {
        if (!named(node, "item"))
            continue;
        auto item = itemFrom(node);
        if (!item.versionString.empty())
            appcast.m_items.push_back(std::move(item));
    }
    return appcast;
}

std::optional<SUAppcastItem> SUAppcast::newestItem() const
{
    std::optional<SUAppcastItem> newest;
    for (const auto& item : m_items) {
        if (!newest || SUStandardVersionComparator::compareVersions(item.versionString, newest->versionString) > 0)
            newest = item;
    }
    return newest;
}
