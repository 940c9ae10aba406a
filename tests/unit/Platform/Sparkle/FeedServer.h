#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

// A small HTTP server on 127.0.0.1 for the update check: one connection at a
// time, answers by path. "/slow" answers nothing for a long while, "/endless"
// sends an answer with no end; any path not given is 404.
class FeedServer {
public:
    explicit FeedServer(std::map<std::string, std::string> documents)
        : m_documents(std::move(documents))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FeedServer()
    {
        m_stopping = true;
        m_thread.join();
        ::close(m_listener);
    }

    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    // Waits for `fd` to be readable, giving up when the server stops.
    bool readable(int fd)
    {
        while (!m_stopping) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void serve()
    {
        while (readable(m_listener)) {
            int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            answer(client);
            ::close(client);
        }
    }

    void send(int client, const std::string& bytes)
    {
        ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void answer(int client)
    {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && readable(client)) {
            ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                return;
            request.append(buffer, static_cast<size_t>(got));
        }
        std::string path = request.substr(4, request.find(' ', 4) - 4);
        if (path == "/slow") {
            // Until the client gives up (its socket reads as closed) or the test ends.
            while (readable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
            }
            return;
        }
        if (path == "/endless") {
            send(client, "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nConnection: close\r\n\r\n<rss>");
            std::string chunk(64 * 1024, ' ');
            while (!m_stopping && ::send(client, chunk.data(), chunk.size(), MSG_NOSIGNAL) > 0) {
            }
            return;
        }
        auto found = m_documents.find(path);
        if (found == m_documents.end()) {
            send(client, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        send(client, "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nContent-Length: "
                         + std::to_string(found->second.size()) + "\r\nConnection: close\r\n\r\n" + found->second);
    }

    std::map<std::string, std::string> m_documents;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};
