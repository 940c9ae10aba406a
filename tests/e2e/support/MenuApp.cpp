#include "support/MenuApp.h"

#include <unistd.h>

bool MenuApp::isBuilt()
{
    return ::access(executable, X_OK) == 0;
}

MenuApp::MenuApp()
    : m_process({executable}, "/tmp/ParvexMenu.output")
{
}
