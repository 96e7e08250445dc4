// A meq-sim process serving on a fresh pseudo-terminal, with a link in a private port
// folder and a frame log, for tests that talk to a transmitter the way the tool does.
#pragma once

#include <string>
#include <vector>

struct FrameLogLine {
    double time = 0;
    std::string direction;  // "rx": the sim received it; "tx": the sim sent it
    std::string hex;        // "01 04 00 00 00 04 F1 C9"
    std::string note;
};

class SimProcess {
public:
    // Starts meq-sim with `args` and a link named `linkName`; waits until it serves.
    SimProcess(std::string linkName, std::vector<std::string> args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& LinkName() const { return linkName_; }
    const std::string& DevicePath() const { return devicePath_; }
    bool Running() const { return pid_ > 0; }

    std::vector<FrameLogLine> Log() const;
    std::vector<std::string> ReceivedFrames() const;  // hex of every "rx" line
    std::vector<std::string> SentFrames() const;      // hex of every "tx" line
    // Waits (up to a second) until the log holds `count` lines of `direction`.
    std::vector<std::string> WaitForFrames(const std::string& direction, std::size_t count) const;
    void Stop();

    // The private port folder shared by every sim of this test process; the stand-in
    // finds "\\.\NAME" there (set as MEQ_PORT_DIR before the first sim starts).
    static const std::string& PortFolder();

private:
    std::string linkName_;
    std::string devicePath_;
    std::string logPath_;
    int pid_ = -1;
};

// Milliseconds on a monotonic clock, for generous bounds on timeouts.
double NowMs();
