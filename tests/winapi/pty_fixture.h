// Pseudo-terminals and temporary folders for the serial and port-list suites: the test
// holds the master end and plays the device.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "meq-winapi-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// The test keeps a slave descriptor of its own, as meq-sim does, so that the pty lives
// on while the code under test opens and closes it, and so that the test can read the
// line settings the code left on it.
struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;

    Pty()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        slavePath = name;
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty()
    {
        CloseMaster();
        if (slave >= 0) {
            close(slave);
        }
    }
    void CloseMaster()
    {
        if (master >= 0) {
            close(master);
            master = -1;
        }
    }
    void Send(const std::vector<unsigned char>& bytes) const
    {
        if (write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("write to pty master failed");
        }
    }
    // What the code under test wrote, waiting up to the given time for the count.
    std::vector<unsigned char> Receive(std::size_t count, int waitMs = 2000) const
    {
        std::vector<unsigned char> bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now()).count();
            pollfd pfd{master, POLLIN, 0};
            if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0) {
                break;
            }
            unsigned char buffer[256];
            const ssize_t n = read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
};

inline long long MillisSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}
