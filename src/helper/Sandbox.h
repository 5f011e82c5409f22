#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quib {

// The privilege the helper is installed with (group `input`, setgid) is used
// for one thing only: opening event devices. Everything else runs as the
// real group. A process that was not started setgid has nothing to drop.
class DeviceGroup {
  public:
    // Takes the real group as the effective one, keeping the installed group
    // as the saved one.
    DeviceGroup();
    // Runs with the installed group while `open` runs.
    template <typename Open>
    auto whileOpening(Open open) {
        raise();
        auto result = open();
        lower();
        return result;
    }
    bool isPrivileged() const { return m_privileged != m_real; }

  private:
    void raise() const;
    void lower() const;

    gid_t m_real;
    gid_t m_privileged;
};

// Whether the kernel ran this program in secure execution (setgid, setuid,
// file capabilities): then nothing of the caller's is trusted.
bool isSecureExecution();

// Leaves standard output and error as the only descriptors (standard error
// on /dev/null when it was closed) and forgets the environment.
void keepOnlyOutputAndError();

// Ends the process when its parent ends; false when the parent is already gone.
bool followParent(pid_t parent);

// What Landlock left this process allowed to read; the outcome is logged.
enum class LandlockResult { restricted, unsupported, failed };

// Limits the file system to reading (and querying) the event devices, the
// sysfs and udev database that libudev reads, and the given extra files;
// no writing, executing or creating anywhere, and (where the kernel can)
// no TCP and no signals or abstract sockets outside the process.
LandlockResult restrictToInputReading(const std::vector<std::string>& extraFiles);

}  // namespace quib
