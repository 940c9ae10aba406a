#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Helper/AppDelegate.h"
#include "Helper/NTFSManager/NTFSManager.h"
#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSMenu.h"
#include "Platform/AppKit/NSMenuItem.h"
#include "Platform/Headless/HeadlessStatusBarBackend.h"
#include "support/ToolDoubles.h"

// ParvexMenu's objects wired as its entry point wires them, on the tool
// doubles, with an application whose exit only records the status.
class MenuScene {
public:
    static constexpr const char* openTitle = "打开 Parvex";
    static constexpr const char* quitTitle = "退出";

    MenuScene()
    {
        application.setExitFunction([this](int status) { exits.push_back(status); });
        auto openItem = std::make_shared<NSMenuItem>(openTitle);
        openItem->setAction(delegate, &AppDelegate::openMainApp);
        menu->addItem(openItem);
        auto quitItem = std::make_shared<NSMenuItem>(quitTitle, nullptr, "q");
        quitItem->setAction(delegate, &AppDelegate::terminate);
        menu->addItem(quitItem);
        menu->setDelegate(delegate);
        application.setDelegate(delegate);
    }

    ~MenuScene() { menu->close(); }

    // Volumes on one disk, as (identifier, name), found by one scan.
    void plug(const std::vector<std::pair<std::string, std::string>>& volumes)
    {
        std::vector<std::string> rows;
        for (const auto& [identifier, name] : volumes) {
            rows.push_back("   1:               Windows_NTFS " + name + "                    500 MB     " + identifier);
            doubles.setInfo(identifier, ToolDoubles::info(name, "Yes", "NTFS"));
        }
        doubles.setList(ToolDoubles::listing(rows));
        manager.run();
    }

    // Opens the menu as a click would and reads it as drawn; it stays open.
    std::vector<std::string> open()
    {
        menu->close();
        menu->open();
        return HeadlessStatusBarBackend::lines(*menu);
    }

    bool choose(const std::string& title)
    {
        if (!menu->isOpen())
            menu->open();
        for (const auto& item : menu->items()) {
            if (item->title() == title)
                return menu->choose(item);
        }
        return false;
    }

    // The requests to the agent, in the order they were posted.
    std::vector<std::string> requests()
    {
        std::vector<std::string> texts;
        for (const auto& post : doubles.bus().posts()) {
            const std::string* text = post.object ? post.object->string() : nullptr;
            if (post.name == "top.kestrova.macOS.Parvex.Helper.do")
                texts.push_back(text ? *text : "<not a text>");
        }
        return texts;
    }

    // Each tool call as "tool arg1 arg2 ...", without what sudo read.
    std::vector<std::string> toolCalls() const
    {
        std::vector<std::string> out;
        for (const auto& call : doubles.calls()) {
            out.push_back(call.tool);
            for (const auto& argument : call.arguments) {
                if (!argument.starts_with("stdin:") && !argument.starts_with("leaked:"))
                    out.back() += " " + argument;
            }
        }
        return out;
    }

    ToolDoubles doubles;
    NTFSManager manager{doubles.environment()};
    std::shared_ptr<NSMenu> menu = std::make_shared<NSMenu>();
    NSApplication application;
    std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>(manager, menu, application);
    std::vector<int> exits;
};
