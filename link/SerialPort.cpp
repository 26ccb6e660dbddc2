#include "link/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orb {

bool setLineSpeed(int fd, uint32_t baud);  // SerialSpeed.cpp

namespace {

speed_t speedOf(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return 0;  // 14400 has no POSIX constant: set through the custom divisor below is not portable
    }
}

bool setUpLine(int fd, const SerialSettings& s) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;  // not a serial line
    ::cfmakeraw(&t);
    const speed_t speed = speedOf(s.baud);
    if (speed != 0) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= (s.dataBits == 7 ? CS7 : CS8) | CREAD | CLOCAL;
    if (s.parity == 1) t.c_cflag |= PARENB | PARODD;
    if (s.parity == 2) t.c_cflag |= PARENB;
    if (s.stopBits != 0) t.c_cflag |= CSTOPB;
    // No handshake unless the settings ask for one.
    if (s.flowControl & 2) t.c_cflag |= CRTSCTS;
    if (s.flowControl & 4) t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return false;
    if (speed == 0 && !setLineSpeed(fd, s.baud)) return false;
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIS, &lines);  // DTR and RTS raised; a pseudo-terminal has neither
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

// What a path that is not a character device is, for the refusal; nothing for a character device.
const char* notADevice(mode_t mode) {
    if (S_ISCHR(mode)) return nullptr;
    if (S_ISFIFO(mode)) return "a FIFO, not a serial line";
    if (S_ISDIR(mode)) return "a folder, not a serial line";
    if (S_ISREG(mode)) return "a regular file, not a serial line";
    if (S_ISSOCK(mode)) return "a socket, not a serial line";
    return "not a serial line";
}

}  // namespace

std::string deviceOfPort(int portNumber) {
    const std::string name = "ORB_COM" + std::to_string(portNumber);
    if (const char* device = std::getenv(name.c_str()); device && *device) return device;
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

SerialPort::~SerialPort() {
    close();
}

bool SerialPort::refuse(std::string reason) {
    openError_ = settings_.device + ": " + std::move(reason);
    return false;
}

bool SerialPort::open(const SerialSettings& settings) {
    close();
    settings_ = settings;
    openError_.clear();
    // Looked at before opening: opening a FIFO would set free a writer waiting on it.
    struct stat before {};
    if (::stat(settings.device.c_str(), &before) != 0) return refuse(std::strerror(errno));
    if (const char* what = notADevice(before.st_mode)) return refuse(what);
    const int fd = ::open(settings.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuse(std::strerror(errno));
    // And again on what was opened, in case the path was replaced in between.
    struct stat opened {};
    const char* what = ::fstat(fd, &opened) != 0 ? "cannot be examined" : notADevice(opened.st_mode);
    if (!what && !setUpLine(fd, settings)) what = "not a serial line";
    if (!what && ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) what = "no pipe for the reader thread";
    if (what) {
        ::close(fd);
        return refuse(what);
    }
    fd_ = fd;
    received_.clear();
    reader_ = std::thread([this] { readLoop(); });
    return true;
}

void SerialPort::close() {
    if (fd_ < 0) return;
    const char stop = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_[1], &stop, 1);
    if (reader_.joinable()) reader_.join();
    ::tcflush(fd_, TCIOFLUSH);
    ::close(fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    fd_ = -1;
    wake_[0] = wake_[1] = -1;
}

void SerialPort::readLoop() {
    std::array<uint8_t, 4096> buffer;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n > 0) {
            std::lock_guard lock(mutex_);
            received_.insert(received_.end(), buffer.begin(), buffer.begin() + n);
            arrived_.notify_all();
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // The other end went away (a pseudo-terminal's master closed): wait to be stopped.
            ::poll(&fds[1], 1, -1);
            return;
        }
    }
}

void SerialPort::purge() {
    if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
    std::lock_guard lock(mutex_);
    received_.clear();
}

size_t SerialPort::send(std::span<const uint8_t> bytes) {
    if (fd_ < 0) return 0;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) break;  // the line does not drain
        } else {
            break;
        }
    }
    return done;
}

bool SerialPort::armDeadline(int milliseconds) {
    if (fd_ < 0) return false;
    std::lock_guard lock(mutex_);
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    return true;
}

SerialPort::Fetched SerialPort::fetch(std::span<uint8_t> out) {
    std::lock_guard lock(mutex_);
    if (received_.size() >= out.size()) {
        std::memcpy(out.data(), received_.data(), out.size());
        received_.clear();
        return Fetched::Ok;
    }
    return std::chrono::steady_clock::now() <= deadline_ ? Fetched::Waiting : Fetched::Expired;
}

SerialPort::Fetched SerialPort::waitFetch(std::span<uint8_t> out) {
    for (;;) {
        const Fetched r = fetch(out);
        if (r != Fetched::Waiting) return r;
        std::unique_lock lock(mutex_);
        arrived_.wait_until(lock, deadline_ + std::chrono::milliseconds(1),
                            [&] { return received_.size() >= out.size(); });
    }
}

std::string SerialPort::statusText() const {
    if (fd_ < 0) return "열린 포트가 없습니다.";
    char text[64];
    std::snprintf(text, sizeof text, "연결: COM%d, %u bps", settings_.portNumber, settings_.baud);
    return text;
}

}  // namespace orb
