#include <gtest/gtest.h>

#include "App/PropertyList.h"
#include "Platform/Foundation/PropertyListSerialization.h"
#include "support/Bundles.h"

TEST(PropertyList, OnlyADictionaryFileReadsAndItKeepsEveryKindOfValueWhenRewritten)
{
    TemporaryFolder folder{"install"};
    for (const char* text : {"<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>",
                             "not a property list", ""})
        EXPECT_TRUE(PropertyList::dictionary(folder.write("other.plist", text)).empty()) << text;
    EXPECT_TRUE(PropertyList::dictionary(folder / "missing.plist").empty());
    EXPECT_TRUE(PropertyList::dictionary(folder.path()).empty()) << "a folder";

    auto dictionary = PropertyList::dictionary(folder.write("job.plist", plistWith(
        stringEntry("Label", "job") +
        "<key>RunAtLoad</key><true/><key>Nice</key><integer>-5</integer><key>Ratio</key><real>0.5</real>\n"
        "<key>Blob</key><data>AAEC</data><key>When</key><date>2024-01-02T03:04:05Z</date>\n"
        "<key>ProgramArguments</key><array><string>/bin/a</string><string>b</string></array>\n"
        "<key>Sockets</key><dict><key>Inner</key><false/></dict>\n")));
    ASSERT_EQ(dictionary.size(), 8u);
    EXPECT_EQ(dictionary["Nice"], PropertyListValue(-5));
    EXPECT_EQ(dictionary["Ratio"], PropertyListValue(0.5));
    EXPECT_EQ(dictionary["Blob"], PropertyListValue(PropertyListValue::Data{std::string("\0\1\2", 3)}));
    EXPECT_EQ(dictionary["Sockets"], PropertyListValue(PropertyListValue::Dictionary{{"Inner", false}}));

    // The login item rewrites such files: written out and read back, nothing changes.
    auto xml = PropertyListSerialization::data(dictionary);
    ASSERT_TRUE(xml);
    EXPECT_EQ(PropertyListSerialization::propertyList(*xml), PropertyListValue(dictionary));
}
