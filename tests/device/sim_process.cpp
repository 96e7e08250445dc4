#include "sim_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
std::string MakeTempFolder(const char* stem)
{
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return buffer.data();
}
}  // namespace

double NowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

namespace {
// Made on first use, removed with everything in it when the test process ends.
struct TempPortFolder {
    std::string path = MakeTempFolder("meq-test-ports");
    TempPortFolder() { setenv("MEQ_PORT_DIR", path.c_str(), 1); }
    ~TempPortFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};
}  // namespace

const std::string& SimProcess::PortFolder()
{
    static const TempPortFolder folder;
    return folder.path;
}

SimProcess::SimProcess(std::string linkName, std::vector<std::string> args)
    : linkName_(std::move(linkName))
{
    const std::string& ports = PortFolder();
    logPath_ = ports + "/" + linkName_ + ".log";
    std::remove(logPath_.c_str());

    std::vector<std::string> argv = {MEQ_SIM_PATH, "--link", linkName_, "--log", logPath_};
    argv.insert(argv.end(), args.begin(), args.end());

    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> cargv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        execv(cargv[0], cargv.data());
        _exit(127);
    }
    close(out[1]);
    // The first line is the device path; the link exists once it is printed.
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    if (line.empty()) {
        Stop();
        throw std::runtime_error("meq-sim did not start");
    }
    devicePath_ = line;
}

SimProcess::~SimProcess()
{
    Stop();
}

void SimProcess::Stop()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

std::vector<FrameLogLine> SimProcess::Log() const
{
    std::vector<FrameLogLine> lines;
    std::ifstream in(logPath_);
    std::string text;
    while (std::getline(in, text)) {
        FrameLogLine line;
        std::istringstream fields(text);
        fields >> line.time >> line.direction;
        std::string rest;
        std::getline(fields, rest);
        const auto hash = rest.find('#');
        if (hash != std::string::npos) {
            line.note = rest.substr(hash + 1);
            rest.erase(hash);
        }
        const auto first = rest.find_first_not_of(' ');
        const auto last = rest.find_last_not_of(' ');
        line.hex = first == std::string::npos ? "" : rest.substr(first, last - first + 1);
        const auto noteStart = line.note.find_first_not_of(' ');
        line.note = noteStart == std::string::npos ? "" : line.note.substr(noteStart);
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SimProcess::WaitForFrames(const std::string& direction,
                                                   std::size_t count) const
{
    std::vector<std::string> frames;
    const double deadline = NowMs() + 1000;
    do {
        frames.clear();
        for (const auto& line : Log())
            if (line.direction == direction)
                frames.push_back(line.hex);
        if (frames.size() >= count)
            break;
        usleep(5000);
    } while (NowMs() < deadline);
    return frames;
}

std::vector<std::string> SimProcess::ReceivedFrames() const
{
    return WaitForFrames("rx", 0);
}

std::vector<std::string> SimProcess::SentFrames() const
{
    return WaitForFrames("tx", 0);
}
