#include "support/MenuApp.h"

#include <unistd.h>

bool MenuApp::isBuilt()
{
    return ::access(executable, X_OK) == 0;
}

namespace {

std::vector<std::string> withProgram(std::vector<std::string> launcher)
{
    launcher.push_back(MenuApp::executable);
    return launcher;
}

}  // namespace

MenuApp::MenuApp(const std::vector<std::string>& launcher)
    : m_process(withProgram(launcher), "/tmp/ParvexMenu.output")
{
}
