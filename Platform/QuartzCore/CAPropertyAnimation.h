#pragma once

#include <string>

#include "Platform/QuartzCore/CAAnimation.h"

// An animation of one property of a layer, named by its key path
// ("strokeEnd", "transform.rotation", ...).
class CAPropertyAnimation : public CAAnimation {
public:
    const std::string& keyPath() const { return m_keyPath; }
    void setKeyPath(std::string keyPath) { m_keyPath = std::move(keyPath); }
    // Added to the value beneath instead of replacing it.
    bool isAdditive() const { return m_additive; }
    void setAdditive(bool additive) { m_additive = additive; }
    // Each repeat goes on from where the previous one ended.
    bool isCumulative() const { return m_cumulative; }
    void setCumulative(bool cumulative) { m_cumulative = cumulative; }

protected:
    explicit CAPropertyAnimation(std::string keyPath)
        : m_keyPath(std::move(keyPath))
    {
    }

private:
    std::string m_keyPath;
    bool m_additive = false;
    bool m_cumulative = false;
};
