#include <windows.h>
// Needs the types of windows.h first.
#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>

#include "platform/testing/child_process.h"
#include "platform/win_internal.h"

namespace zuruza::testing {

namespace {

using internal::Wide;

// One argument as the C runtime's command line parser splits it back:
// quotes around it when it has blanks or quotes (or is empty), a quote
// escaped with a backslash, and backslashes doubled only where a quote
// follows them.
std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    return argument;
  std::wstring quoted = L"\"";
  for (auto it = argument.begin();; ++it) {
    std::size_t backslashes = 0;
    while (it != argument.end() && *it == L'\\') {
      ++it;
      ++backslashes;
    }
    if (it == argument.end()) {
      quoted.append(backslashes * 2, L'\\');
      break;
    }
    if (*it == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted.push_back(*it);
  }
  quoted.push_back(L'"');
  return quoted;
}

// The program name is split by other rules (no escapes, up to the next
// quote), and no file name holds a quote.
std::wstring CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::wstring line = L"\"" + Wide(program) + L"\"";
  for (const std::string& argument : arguments) line += L" " + QuotedArgument(Wide(argument));
  return line;
}

std::wstring NameOf(const std::wstring& entry) {
  // A leading "=" belongs to the name ("=C:=C:\dir").
  const std::size_t equals = entry.find(L'=', 1);
  return equals == std::wstring::npos ? entry : entry.substr(0, equals);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// This process's environment with the changes made, as the block
// CreateProcessW takes: sorted by name without regard to case, each entry
// ended by a null, and one more null at the end.
std::wstring EnvironmentBlock(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& changes) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1)
      entries.emplace_back(entry);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : changes) {
    const std::wstring wide_name = Wide(name);
    std::erase_if(entries,
                  [&](const std::wstring& entry) { return SameName(NameOf(entry), wide_name); });
    if (value) entries.push_back(wide_name + L"=" + Wide(*value));
  }
  std::stable_sort(
      entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring name_a = NameOf(a);
        const std::wstring name_b = NameOf(b);
        return CompareStringOrdinal(name_a.c_str(), static_cast<int>(name_a.size()), name_b.c_str(),
                                    static_cast<int>(name_b.size()), TRUE) == CSTR_LESS_THAN;
      });
  std::wstring block;
  for (const std::wstring& entry : entries) {
    block += entry;
    block.push_back(L'\0');
  }
  if (entries.empty()) block.push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

// Closes the handles it was given when it goes.
struct Handles {
  std::vector<HANDLE> held;
  ~Handles() {
    for (HANDLE handle : held)
      if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  HANDLE Keep(HANDLE handle) {
    held.push_back(handle);
    return handle;
  }
  void Close(HANDLE handle) {
    std::erase(held, handle);
    CloseHandle(handle);
  }
};

}  // namespace

// Windows has no fork: a copy of the test process cannot be made, and a
// thread could not be killed or dropped to another user. Tests that need
// one are left out there.
ChildProcess::ChildProcess(const std::function<int()>&) {
  throw std::runtime_error("no fork on Windows");
}

ChildProcess::~ChildProcess() = default;

bool ChildProcess::Ended() { return true; }

void ChildProcess::Kill() {}

std::optional<int> ChildProcess::Wait() { return exit_code_; }

std::optional<int> RunInChild(const std::function<int()>&) {
  throw std::runtime_error("no fork on Windows");
}

long ParentProcessId() {
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
      if (entry.th32ProcessID == self) {
        parent = entry.th32ParentProcessID;
        break;
      }
    }
    CloseHandle(snapshot);
  }
  // A parent on Windows may have ended before its child (no one adopts the
  // child); this process itself is then the one certainly alive.
  DWORD code = 0;
  const HANDLE process =
      parent != 0 ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent) : nullptr;
  const bool alive =
      process != nullptr && GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  if (process != nullptr) CloseHandle(process);
  return static_cast<long>(alive ? parent : self);
}

ProgramRun RunProgramBytes(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::optional<std::string>>>& environment) {
  ProgramRun run;
  Handles handles;
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE errors_read = nullptr;
  HANDLE errors_write = nullptr;
  if (!CreatePipe(&errors_read, &errors_write, &inherited, 0)) return run;
  handles.Keep(errors_read);
  handles.Keep(errors_write);
  SetHandleInformation(errors_read, HANDLE_FLAG_INHERIT, 0);
  const HANDLE null = handles.Keep(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                               OPEN_EXISTING, 0, nullptr));
  if (null == INVALID_HANDLE_VALUE) return run;

  // Only these two handles go to the child, so that a pipe of another run
  // on another thread is not held open by this child.
  HANDLE inherit[] = {null, errors_write};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<unsigned char> storage(size);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return run;
  const bool listed = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                inherit, sizeof inherit, nullptr, nullptr);

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = null;
  startup.StartupInfo.hStdOutput = null;
  startup.StartupInfo.hStdError = errors_write;
  if (listed) startup.lpAttributeList = attributes;
  std::wstring command_line = CommandLine(program, arguments);
  std::wstring block = EnvironmentBlock(environment);
  PROCESS_INFORMATION process{};
  // No application name: the command line's first word names the program,
  // found as the system finds it (".exe" added, the system folders tried).
  const BOOL started = CreateProcessW(
      nullptr, command_line.data(), nullptr, nullptr, TRUE,
      CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0),
      block.data(), nullptr, &startup.StartupInfo, &process);
  DeleteProcThreadAttributeList(attributes);
  // As a child that cannot run the program does on POSIX.
  if (!started) {
    run.exit_code = 127;
    return run;
  }
  handles.Keep(process.hProcess);
  handles.Keep(process.hThread);
  // The child holds its own copy of the write end; the read below ends
  // when the child closes it.
  handles.Close(errors_write);

  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(errors_read, buffer, sizeof buffer, &got, nullptr) && got > 0)
    run.errors.append(buffer, got);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) run.exit_code = static_cast<int>(code);
  return run;
}

}  // namespace zuruza::testing
