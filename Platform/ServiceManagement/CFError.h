#pragma once

#include <memory>
#include <string>

// An error handed back by the service-management calls: its domain, its code
// and a sentence saying what went wrong.
class CFError {
public:
    CFError(std::string domain, long code, std::string description)
        : m_domain(std::move(domain))
        , m_code(code)
        , m_description(std::move(description))
    {
    }

    const std::string& domain() const { return m_domain; }
    long code() const { return m_code; }
    const std::string& description() const { return m_description; }

private:
    std::string m_domain;
    long m_code = 0;
    std::string m_description;
};
using CFErrorRef = std::shared_ptr<CFError>;
