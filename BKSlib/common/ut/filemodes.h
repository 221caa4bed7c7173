// Permissions of every file and directory the probe creates, whatever the umask:
// the files hold the fabric's data and addresses, so only the owner writes and
// only the owner's group reads.
#pragma once

#include <sys/types.h>

inline constexpr mode_t kPrivateFileMode = 0640;
inline constexpr mode_t kPrivateDirectoryMode = 0750;
