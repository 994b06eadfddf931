// What the tests against the tests' own PostgreSQL server share: where it is, its script
// (halt, resume, restart), the superuser's connection and a network that can hang.
//
// The server is named by VELTRA_TEST_SERVER (its folder) and libpq's PGHOST, PGPORT and
// PGUSER (see tests/postgresql/server.sh).
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace veltra::testing {

inline std::string serverFolder() {
    const char* folder = std::getenv("VELTRA_TEST_SERVER");
    return folder ? folder : "";
}

inline std::string serverPort() {
    const char* port = std::getenv("PGPORT");
    return port ? port : "5432";
}

// Runs server.sh on the tests' server: halt, resume, restart.
inline void server(const std::string& action) {
    const std::string command =
        std::string(VELTRA_SERVER_SCRIPT) + " " + action + " '" + serverFolder() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The superuser's own connection, for what others do to the table meanwhile.
class Administrator {
  public:
    explicit Administrator(const char* database) {
        const char* keywords[] = {"dbname", "options", nullptr};
        const char* values[] = {database, "-c client_min_messages=warning", nullptr};
        connection_ = PQconnectdbParams(keywords, values, 0);
        if (PQstatus(connection_) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(connection_));
    }
    ~Administrator() { PQfinish(connection_); }
    Administrator(const Administrator&) = delete;
    Administrator& operator=(const Administrator&) = delete;

    // The first value of the first row.
    std::string value(const std::string& sql) {
        PGresult* result = PQexec(connection_, sql.c_str());
        const std::string value = PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "";
        PQclear(result);
        return value;
    }

    void run(const std::string& sql) {
        PGresult* result = PQexec(connection_, sql.c_str());
        const auto status = PQresultStatus(result);
        const std::string error = PQerrorMessage(connection_);
        PQclear(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error(sql + ": " + error);
    }

  private:
    PGconn* connection_ = nullptr;
};

// A TCP relay to the server's port that can stop passing bytes, as a network that hangs
// without closing anything.
class HangingNetwork {
  public:
    HangingNetwork() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 16);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { acceptConnections(); });
    }
    ~HangingNetwork() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        acceptor_.join();
        for (auto& relay : relays_)
            relay.join();
    }
    HangingNetwork(const HangingNetwork&) = delete;
    HangingNetwork& operator=(const HangingNetwork&) = delete;

    int port() const { return port_; }
    void hang() { hung_ = true; }
    void recover() { hung_ = false; }

  private:
    static sockaddr_in loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    void acceptConnections() {
        for (;;) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0 || stopping_) {
                if (client >= 0)
                    ::close(client);
                return;
            }
            const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address = loopback(std::stoi(serverPort()));
            ::connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address);
            relays_.emplace_back([this, client, upstream] { relay(client, upstream); });
        }
    }

    // Passes bytes both ways until either side closes; while hung, holds them.
    void relay(int client, int upstream) {
        pollfd ends[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        char buffer[8192];
        while (!stopping_) {
            if (hung_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            if (::poll(ends, 2, 50) <= 0)
                continue;
            for (int side = 0; side < 2; ++side) {
                if (!(ends[side].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const auto got = ::read(ends[side].fd, buffer, sizeof buffer);
                if (got <= 0 ||
                    ::write(ends[1 - side].fd, buffer, static_cast<std::size_t>(got)) != got) {
                    ::close(client);
                    ::close(upstream);
                    return;
                }
            }
        }
        ::close(client);
        ::close(upstream);
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> hung_{false};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> relays_;
};

} // namespace veltra::testing
