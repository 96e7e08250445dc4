#include "pty_peer.h"

#include "sim_process.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer(std::string linkName) : linkName_(std::move(linkName))
{
    char name[128];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    devicePath_ = name;
    linkPath_ = SimProcess::PortFolder() + "/" + linkName_;
    unlink(linkPath_.c_str());
    if (symlink(devicePath_.c_str(), linkPath_.c_str()) != 0)
        throw std::runtime_error("symlink failed");
}

PtyPeer::~PtyPeer()
{
    unlink(linkPath_.c_str());
    Hangup();
}

void PtyPeer::Send(const std::vector<std::uint8_t>& bytes)
{
    if (!bytes.empty() && write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("pty write failed");
}

std::string PtyPeer::Received()
{
    std::vector<std::uint8_t> bytes;
    pollfd p{master_, POLLIN, 0};
    while (master_ >= 0 && poll(&p, 1, 20) == 1 && (p.revents & POLLIN)) {
        std::uint8_t buffer[256];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return Hex(bytes);
}

termios PtyPeer::Line() const
{
    termios t{};
    tcgetattr(slave_, &t);
    return t;
}

void PtyPeer::Hangup()
{
    if (slave_ >= 0)
        close(slave_);
    if (master_ >= 0)
        close(master_);
    slave_ = master_ = -1;
}

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc = static_cast<std::uint16_t>(crc ^ b);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : static_cast<std::uint16_t>(crc >> 1);
    }
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    std::istringstream in(hex);
    std::string token;
    while (in >> token)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    return bytes;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    char two[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        if (!text.empty())
            text += ' ';
        text += two;
    }
    return text;
}
