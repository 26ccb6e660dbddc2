// Line speeds without a POSIX constant (14400 bps) are set through Linux's termios2. This file
// must not see <termios.h>, whose definitions clash with the kernel's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace orb {

bool setLineSpeed(int fd, uint32_t baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace orb
