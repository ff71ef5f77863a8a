// What the system under the tests has, for tests of facts only some
// systems have. A test that needs one and meets a system without it skips,
// saying which fact is missing.
#pragma once

namespace zuruza::testing {

// Fifos, sockets and device files made by a test (none on Windows).
bool HasFifos();
// Permission bits that deny the owner a read or an entry (Windows has only
// the read-only attribute).
bool HasPermissionBits();
// Users and groups owning files, and a child forked from the test (POSIX).
bool HasPosixProcesses();
// File names that are any bytes but the separator and NUL (on Windows they
// are UTF-16 text).
bool NamesAreBytes();
// Listings that read every entry's size and times with its name, so no
// entry is left without details (Windows).
bool ListingsReadEveryDetail();
// The finest step file times are kept in, in nanoseconds: 1 on Linux, 100
// (FILETIME's) on Windows.
long long FileTimeStep();
// Symbolic links a test can make and the system shows as links: probed
// once (Wine, and Windows without the right to make links, have none).
bool CanMakeLinks();

}  // namespace zuruza::testing
