#include "small_disk.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace hardening {

namespace {

bool WriteText(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

std::string Reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool EnterPrivateMounts(std::string& why) {
    static int state = 0;  // 0 not tried, 1 done, -1 refused
    static std::string reason;
    if (state == 0) {
        state = -1;
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWNS) != 0) {
            // Not root: become root of a user namespace of our own, which may
            // mount a tmpfs.
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                reason = Reason("unshare");
            } else if (!WriteText("/proc/self/setgroups", "deny") ||
                       !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                       !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
                reason = Reason("user namespace maps");
            } else {
                state = 1;
            }
        } else {
            state = 1;
        }
        // The mounts to come must not reach the system's namespace.
        if (state == 1 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            reason = Reason("making / private");
            state = -1;
        }
    }
    why = reason;
    return state == 1;
}

SmallDisk::SmallDisk(std::string folder, const std::string& options) : folder_(std::move(folder)) {
    if (!EnterPrivateMounts(error_)) {
        return;
    }
    ::mkdir(folder_.c_str(), 0755);
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                ("mode=0755," + options).c_str()) != 0) {
        error_ = Reason("mount -t tmpfs");
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_ && ::umount2(folder_.c_str(), MNT_DETACH) != 0) {
        std::fprintf(stderr, "cannot unmount %s: %s\n", folder_.c_str(), std::strerror(errno));
    }
    ::rmdir(folder_.c_str());
}

long long SmallDisk::Fill(const std::string& name, long long spareBytes) const {
    const std::string path = folder_ + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) {
        return errno == ENOSPC ? 0 : -1;
    }
    static const char page[4096] = {'f'};
    long long written = 0;
    for (;;) {
        struct statvfs info {};
        if (::fstatvfs(fd, &info) != 0) {
            written = -1;
            break;
        }
        const long long free =
            static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize);
        // With room to spare, whole pages only; without, byte by byte to the
        // end of the last page too.
        const long long chunk = spareBytes > 0 ? static_cast<long long>(sizeof page)
                                : free > 0     ? static_cast<long long>(sizeof page)
                                               : 1;
        if (spareBytes > 0 && free - chunk < spareBytes) {
            break;
        }
        const ssize_t n = ::write(fd, page, static_cast<std::size_t>(chunk));
        if (n < 0) {
            if (errno != ENOSPC) {
                written = -1;
            }
            break;
        }
        written += n;
    }
    ::close(fd);
    return written;
}

}  // namespace hardening
