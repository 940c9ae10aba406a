#include "Platform/Headless/HeadlessWindowControl.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "Platform/AppKit/NSApplication.h"
#include "Platform/AppKit/NSWindow.h"
#include "Platform/Foundation/FileDescriptorSource.h"
#include "Platform/Headless/HeadlessWindowBackend.h"

namespace {

// A command is one short line written at once; a client that sends nothing
// for this long is dropped.
constexpr int readTimeoutMs = 1000;

std::string readLine(int fd)
{
    std::string line;
    char buffer[256];
    while (line.find('\n') == std::string::npos && line.size() < 4096) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, readTimeoutMs) <= 0)
            break;
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        line.append(buffer, static_cast<size_t>(got));
    }
    return line.substr(0, line.find('\n'));
}

void answerOneClient(int listener)
{
    int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    std::string answer = HeadlessWindowControl::perform(readLine(client));
    ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
    ::close(client);
}

}  // namespace

HeadlessWindowControl::HeadlessWindowControl()
{
    const char* path = std::getenv(environmentVariable);
    sockaddr_un address{};
    if (!path || !*path || std::strlen(path) >= sizeof address.sun_path)
        return;
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return;
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path);
    ::unlink(path);
    mode_t old = ::umask(0077);
    bool bound = ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(old);
    if (!bound || ::listen(m_listener, 4) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_path = path;
    m_source = std::make_unique<FileDescriptorSource>(m_listener, [listener = m_listener] { answerOneClient(listener); });
}

HeadlessWindowControl::~HeadlessWindowControl()
{
    m_source.reset();
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(m_path.c_str());
    }
}

std::string HeadlessWindowControl::perform(const std::string& command)
{
    auto* backend = HeadlessWindowBackend::installed();
    if (command == "windows") {
        std::string answer;
        for (const auto& window : backend ? backend->windows() : std::vector<std::shared_ptr<NSWindow>>{})
            answer += window->title() + "\t" + (window->isKeyWindow() ? "key" : "-") + "\t"
                + (window->isSheet() ? "sheet" : "window") + "\n";
        return answer;
    }
    if (command == "close") {
        auto window = NSApplication::shared().keyWindow();
        if (!window || window->isSheet())
            return "error: no window to close\n";
        window->close();
        return "ok\n";
    }
    if (command == "reopen") {
        NSApplication::shared().reopen();
        return "ok\n";
    }
    return "error: unknown command\n";
}

std::string HeadlessWindowControl::request(const std::string& socketPath, const std::string& command)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    std::string answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string line = command + "\n";
        ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
        char buffer[1024];
        for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<size_t>(got));
    }
    if (fd >= 0)
        ::close(fd);
    return answer;
}
