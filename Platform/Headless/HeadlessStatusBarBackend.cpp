#include "Platform/Headless/HeadlessStatusBarBackend.h"

#include <algorithm>

#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSStatusItem.h"

HeadlessStatusBarBackend* HeadlessStatusBarBackend::installed()
{
    return dynamic_cast<HeadlessStatusBarBackend*>(&StatusBarBackend::current());
}

std::vector<std::shared_ptr<NSStatusItem>> HeadlessStatusBarBackend::statusItems() const
{
    std::vector<std::shared_ptr<NSStatusItem>> items;
    for (auto* item : m_items) {
        if (auto shared = item->weak_from_this().lock())
            items.push_back(std::move(shared));
    }
    return items;
}

bool HeadlessStatusBarBackend::clickStatusItem(int index)
{
    auto items = statusItems();
    if (index < 0 || index >= static_cast<int>(items.size()))
        return false;
    return items[static_cast<size_t>(index)]->click();
}

bool HeadlessStatusBarBackend::chooseItem(int index)
{
    auto menu = openMenu();
    return menu && menu->choose(index);
}

void HeadlessStatusBarBackend::dismissMenu()
{
    if (auto menu = openMenu())
        menu->close();
}

std::vector<std::string> HeadlessStatusBarBackend::lines(const NSMenu& menu)
{
    std::vector<std::string> lines;
    for (const auto& item : menu.items()) {
        if (item->isSeparatorItem()) {
            lines.emplace_back("---");
            continue;
        }
        std::string line;
        if (item->state() == NSControlStateValue::on && item->onStateImage())
            line = "✓ ";
        else if (item->state() == NSControlStateValue::mixed)
            line = "- ";
        line += item->title();
        if (!item->isEnabled())
            line += " (disabled)";
        lines.push_back(std::move(line));
    }
    return lines;
}

void HeadlessStatusBarBackend::statusItemAdded(NSStatusItem& item)
{
    m_items.push_back(&item);
}

void HeadlessStatusBarBackend::statusItemChanged(NSStatusItem&)
{
    // Nothing is drawn; the model is read when asked.
}

void HeadlessStatusBarBackend::statusItemRemoved(NSStatusItem& item)
{
    m_items.erase(std::remove(m_items.begin(), m_items.end(), &item), m_items.end());
}

void HeadlessStatusBarBackend::menuOpened(NSMenu& menu)
{
    m_openMenu = menu.weak_from_this();
}

void HeadlessStatusBarBackend::menuChanged(NSMenu&)
{
}

void HeadlessStatusBarBackend::menuClosed(NSMenu& menu)
{
    if (m_openMenu.lock().get() == &menu || m_openMenu.expired())
        m_openMenu.reset();
}
