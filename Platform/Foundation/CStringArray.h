#pragma once

#include <string>
#include <vector>

// The NULL-ended array of C strings that exec and spawn take for a program's
// arguments or environment, pointing into texts of its own.
class CStringArray {
public:
    explicit CStringArray(std::vector<std::string> texts)
        : m_texts(std::move(texts))
    {
        m_pointers.reserve(m_texts.size() + 1);
        for (auto& text : m_texts)
            m_pointers.push_back(text.data());
        m_pointers.push_back(nullptr);
    }
    // A copy would point into the texts of the original.
    CStringArray(const CStringArray&) = delete;
    CStringArray& operator=(const CStringArray&) = delete;

    char** data() { return m_pointers.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_pointers;
};
