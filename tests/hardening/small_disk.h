#pragma once

// A small tmpfs that a test can fill up. It is mounted in a mount namespace of
// the process's own (inside a user namespace when not root), so even a test
// that dies on the way leaves no mount behind: the namespace goes with the
// process.

#include <string>

namespace hardening {

// Moves the process into its own mount namespace, once. False, with the
// reason, when the system does not allow it (the tests then skip).
bool EnterPrivateMounts(std::string& why);

// A tmpfs mounted at folder (created if missing) for the object's life.
class SmallDisk {
public:
    // options as for mount -o: "size=8k", "nr_inodes=3".
    SmallDisk(std::string folder, const std::string& options);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    const std::string& folder() const { return folder_; }

    // Writes folder/name until the disk has no byte left, leaving at most
    // spareBytes free (rounded to whole pages by tmpfs). Returns the bytes
    // written, or -1 on an error other than a full disk.
    long long Fill(const std::string& name, long long spareBytes = 0) const;

private:
    std::string folder_;
    std::string error_;
    bool mounted_ = false;
};

}  // namespace hardening
