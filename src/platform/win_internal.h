// What every file of the Win32 backend shares: texts are UTF-8 inside and
// wide at the system's calls, Win32 errors are reported as the errno values
// the interfaces speak, FILETIMEs are Unix nanoseconds, and the interfaces'
// descriptors are the C runtime's, each over a Win32 handle. Not for use
// outside the platform layer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs.h"

namespace zuruza::internal {

// UTF-8 to UTF-16 and back. Bytes that are not UTF-8 become U+FFFD, and so
// does a lone surrogate of a name on the way back.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A path as the wide calls take it. An absolute path too long for the plain
// calls gets the "\\?\" prefix (with "/" turned to "\" and "." and ".."
// resolved first, which that prefix no longer does).
std::wstring WidePath(const std::string& path);

// The errno value of a Win32 error code (EIO for one without a match).
int ErrnoFromWin32(DWORD error);
// ErrnoFromWin32(GetLastError()).
int LastErrno();

// FILETIME (100 ns steps since 1601-01-01 UTC) and Unix nanoseconds.
UnixNanos UnixFromFileTime(const FILETIME& time);
FILETIME FileTimeFromUnix(UnixNanos time);

// An entry's kind from its attributes and, for a reparse point, its tag:
// symbolic links and junctions are links (never directories to enter);
// another reparse point (a deduplicated or cloud file) is what its
// attributes say.
EntryKind KindFromAttributes(DWORD attributes, DWORD reparse_tag);

// The kind and attributes of what stands at `path` (a wide path), links not
// followed; 0 or the errno when it cannot be told. A device ("NUL") is
// kOther with no attributes.
int KindAt(const std::wstring& path, EntryKind& kind, DWORD& attributes);

// The handle under a C runtime descriptor (INVALID_HANDLE_VALUE for a bad one).
HANDLE HandleOf(int fd);
// A C runtime descriptor owning `handle` (`flags`: _O_RDONLY, _O_APPEND, ...,
// _O_BINARY always added); -1 with the handle closed when none can be made.
int DescriptorOf(HANDLE handle, int flags);

}  // namespace zuruza::internal
