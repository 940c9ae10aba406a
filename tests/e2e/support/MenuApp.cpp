#include "support/MenuApp.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/ChildProcess.h"
#include "support/DiskSandbox.h"

bool MenuApp::isBuilt()
{
    return ::access(executable, X_OK) == 0;
}

MenuApp::MenuApp()
    : m_process(std::make_unique<ChildProcess>(std::vector<std::string>{executable}, "/tmp/ParvexMenu.output"))
{
}

MenuApp::~MenuApp()
{
    if (isRunning())
        quit(30);
}

bool MenuApp::isRunning()
{
    return m_process && m_process->isRunning();
}

int MenuApp::quit(double seconds)
{
    if (!m_process)
        return -1;
    if (m_process->isRunning())
        ::kill(m_process->pid(), SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (m_process->isRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (m_process->isRunning()) {
        m_process->stop(SIGKILL);
        return -1;
    }
    return m_process->stop(SIGTERM);
}

std::string MenuApp::log()
{
    return readFile(DiskSandbox::menuLog);
}
