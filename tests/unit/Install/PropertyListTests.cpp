#include <gtest/gtest.h>

#include "App/PropertyList.h"
#include "InstallTestSupport.h"
#include "Platform/Foundation/PropertyListSerialization.h"

TEST(PropertyList, AnythingButADictionaryFileReadsAsEmpty)
{
    ScratchFolder folder;
    EXPECT_TRUE(PropertyList::dictionary(folder / "missing.plist").empty());
    EXPECT_TRUE(PropertyList::dictionary(folder.write("array.plist",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>a</string></array></plist>")).empty());
    EXPECT_TRUE(PropertyList::dictionary(folder.write("garbage.plist", "not a property list")).empty());
    EXPECT_TRUE(PropertyList::dictionary(folder.write("empty.plist", "")).empty());
    EXPECT_TRUE(PropertyList::dictionary(folder.path()).empty()) << "a folder";
}

TEST(PropertyList, ADictionaryFileKeepsEveryKindOfValue)
{
    ScratchFolder folder;
    std::string path = folder.write("job.plist", plistWith(
        stringEntry("Label", "job") +
        "<key>RunAtLoad</key><true/>\n"
        "<key>Nice</key><integer>-5</integer>\n"
        "<key>Ratio</key><real>0.5</real>\n"
        "<key>Blob</key><data>AAEC</data>\n"
        "<key>When</key><date>2024-01-02T03:04:05Z</date>\n"
        "<key>ProgramArguments</key><array><string>/bin/a</string><string>b</string></array>\n"
        "<key>Sockets</key><dict><key>Inner</key><false/></dict>\n"));
    auto dictionary = PropertyList::dictionary(path);
    ASSERT_EQ(dictionary.size(), 8u);
    EXPECT_EQ(dictionary["Label"], PropertyListValue("job"));
    EXPECT_EQ(dictionary["RunAtLoad"], PropertyListValue(true));
    EXPECT_EQ(dictionary["Nice"], PropertyListValue(-5));
    EXPECT_EQ(dictionary["Ratio"], PropertyListValue(0.5));
    EXPECT_EQ(dictionary["Blob"], PropertyListValue(PropertyListValue::Data{std::string("\0\1\2", 3)}));
    EXPECT_EQ(dictionary["ProgramArguments"], PropertyListValue(PropertyListValue::Array{"/bin/a", "b"}));
    EXPECT_EQ(dictionary["Sockets"], PropertyListValue(PropertyListValue::Dictionary{{"Inner", false}}));

    // Written out and read back, nothing changes (the login item rewrites such files).
    auto xml = PropertyListSerialization::data(dictionary);
    ASSERT_TRUE(xml);
    auto again = PropertyListSerialization::propertyList(*xml);
    ASSERT_TRUE(again && again->dictionary());
    EXPECT_EQ(*again->dictionary(), dictionary);
    auto binary = PropertyListSerialization::data(dictionary, PropertyListSerialization::Format::binary);
    ASSERT_TRUE(binary);
    EXPECT_EQ(PropertyListSerialization::propertyList(*binary), PropertyListValue(dictionary));
}
