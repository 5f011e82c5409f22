#include "helper/Sandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <iostream>

namespace quib {

namespace {

// Rights newer than the kernel headers this is built against.
constexpr std::uint64_t kAccessTruncate = 1ULL << 14;    // ABI 3
constexpr std::uint64_t kAccessIoctlDev = 1ULL << 15;    // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;         // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;      // ABI 4
constexpr std::uint64_t kScopeAbstractUnix = 1ULL << 0;  // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;        // ABI 6

// The ruleset attribute as of ABI 6; older kernels accept it while the
// fields they do not know are zero.
struct RulesetAttributes {
    std::uint64_t handledAccessFs = 0;
    std::uint64_t handledAccessNet = 0;
    std::uint64_t scoped = 0;
};

constexpr std::uint64_t kReadRights = LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

std::uint64_t handledRights(long abi) {
    std::uint64_t rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;  // every ABI 1 right
    if (abi >= 2) {
        rights |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (abi >= 3) {
        rights |= kAccessTruncate;
    }
    if (abi >= 5) {
        rights |= kAccessIoctlDev;
    }
    return rights;
}

void say(const char* text) {
    std::cerr << "[QUIB] Input helper: " << text << std::endl;
}

// Allows `rights` (within what the ruleset handles) beneath `path`; a path
// that does not exist needs no rule.
bool allow(int ruleset, const char* path, std::uint64_t rights) {
    const int fd = ::open(path, O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT;
    }
    landlock_path_beneath_attr rule{};
    rule.allowed_access = rights;
    rule.parent_fd = fd;
    const long added =
        ::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
    ::close(fd);
    return added == 0;
}

}  // namespace

DeviceGroup::DeviceGroup() : m_real(::getgid()), m_privileged(::getegid()) {
    lower();
}

void DeviceGroup::raise() const {
    if (isPrivileged() &&
        ::setresgid(static_cast<gid_t>(-1), m_privileged, static_cast<gid_t>(-1)) != 0) {
        std::abort();
    }
}

void DeviceGroup::lower() const {
    // Failing to give the group back would leave it on for everything: stop.
    if (isPrivileged() &&
        ::setresgid(static_cast<gid_t>(-1), m_real, static_cast<gid_t>(-1)) != 0) {
        std::abort();
    }
}

bool isSecureExecution() {
    return ::getauxval(AT_SECURE) != 0;
}

void keepOnlyOutputAndError() {
    ::close_range(3, ~0U, 0);
    if (::fcntl(2, F_GETFD) < 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0 && null != 2) {
            ::dup2(null, 2);
            ::close(null);
        }
    }
    ::close(0);
    ::clearenv();
}

bool followParent(pid_t parent) {
    // The parent-death signal does not survive a setgid exec; set it anew,
    // then look whether the parent went before it was set.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    return parent > 1 && ::getppid() == parent;
}

LandlockResult restrictToInputReading(const std::vector<std::string>& extraFiles) {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        say("this kernel has no Landlock; running without file system limits");
        return LandlockResult::unsupported;
    }
    RulesetAttributes attributes;
    attributes.handledAccessFs = handledRights(abi);
    if (abi >= 4) {
        attributes.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    }
    if (abi >= 6) {
        attributes.scoped = kScopeAbstractUnix | kScopeSignal;
    }
    const std::size_t size = abi >= 6 ? sizeof attributes : abi >= 4 ? 16 : 8;
    const int ruleset =
        static_cast<int>(::syscall(SYS_landlock_create_ruleset, &attributes, size, 0));
    if (ruleset < 0) {
        say("Landlock refused the ruleset; running without file system limits");
        return LandlockResult::failed;
    }
    const std::uint64_t deviceRights = kReadRights | (abi >= 5 ? kAccessIoctlDev : 0);
    bool ok = allow(ruleset, "/dev/input", deviceRights) && allow(ruleset, "/sys", kReadRights) &&
              allow(ruleset, "/run/udev", kReadRights);
    for (const std::string& file : extraFiles) {
        ok = ok && allow(ruleset, file.c_str(), LANDLOCK_ACCESS_FS_READ_FILE);
    }
    ok = ok && ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(ruleset);
    if (!ok) {
        say("Landlock could not be applied; running without file system limits");
        return LandlockResult::failed;
    }
    return LandlockResult::restricted;
}

}  // namespace quib
