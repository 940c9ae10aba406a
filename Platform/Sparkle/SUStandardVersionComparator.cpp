#include "Platform/Sparkle/SUStandardVersionComparator.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

enum class Kind { number, letters, separator };

struct Part {
    Kind kind;
    std::string text;
};

Kind kindOf(char c)
{
    auto byte = static_cast<unsigned char>(c);
    if (std::isdigit(byte))
        return Kind::number;
    // Letters of any script, as bytes of UTF-8 are, count as letters.
    if (std::isalpha(byte) || byte >= 0x80)
        return Kind::letters;
    return Kind::separator;
}

std::vector<Part> split(std::string_view version)
{
    std::vector<Part> parts;
    for (char c : version) {
        Kind kind = kindOf(c);
        // Separators stand one by one; digits and letters run on.
        if (parts.empty() || parts.back().kind != kind || kind == Kind::separator)
            parts.push_back({kind, {}});
        parts.back().text += c;
    }
    return parts;
}

// Numbers of any length, by value: drop leading zeros, then longer is larger.
int compareNumbers(std::string a, std::string b)
{
    a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
    b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

// Where two parts of different kinds meet: which one is newer.
int compareKinds(Kind a, Kind b)
{
    if (a == Kind::letters)
        return -1;
    if (b == Kind::letters)
        return 1;
    return a == Kind::number ? 1 : -1;
}

}  // namespace

int SUStandardVersionComparator::compareVersions(std::string_view a, std::string_view b)
{
    auto partsA = split(a);
    auto partsB = split(b);
    size_t common = std::min(partsA.size(), partsB.size());
    for (size_t index = 0; index < common; ++index) {
        const Part& left = partsA[index];
        const Part& right = partsB[index];
        if (left.kind != right.kind)
            return compareKinds(left.kind, right.kind);
        int order = left.kind == Kind::number ? compareNumbers(left.text, right.text) : left.text.compare(right.text);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    if (partsA.size() == partsB.size())
        return 0;
    // The longer one goes on: letters make it a pre-release of the shorter.
    bool aLonger = partsA.size() > partsB.size();
    const Part& next = aLonger ? partsA[common] : partsB[common];
    int longerIsNewer = next.kind == Kind::letters ? -1 : 1;
    return aLonger ? longerIsNewer : -longerIsNewer;
}
