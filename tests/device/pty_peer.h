// A scripted device on a real pseudo-terminal: the test writes the reply bytes it wants
// the master to read and reads back what the master sent. The pty's link sits in the
// same private port folder as the simulators', so the tool opens it by name.
#pragma once

#include <cstdint>
#include <termios.h>
#include <string>
#include <vector>

class PtyPeer {
public:
    explicit PtyPeer(std::string linkName);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& LinkName() const { return linkName_; }
    const std::string& DevicePath() const { return devicePath_; }

    // Queues bytes for the master to read; "01 84 02" plus a good CRC with WithCrc.
    void Send(const std::vector<std::uint8_t>& bytes);
    // Everything the master has written so far, as "01 04 ..." hex.
    std::string Received();
    // The line settings the master's side of the tty holds now.
    termios Line() const;
    int SlaveFd() const { return slave_; }
    // Closes the device side, as when a USB adapter is pulled out.
    void Hangup();

private:
    std::string linkName_;
    std::string devicePath_;
    std::string linkPath_;
    int master_ = -1;
    int slave_ = -1;
};

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> bytes);
std::vector<std::uint8_t> Bytes(const std::string& hex);
std::string Hex(const std::vector<std::uint8_t>& bytes);
