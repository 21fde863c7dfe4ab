// SPDX-License-Identifier: GPL-3.0-or-later
// Other programs: started without a shell, in the caller's folder and
// environment, with nothing of the caller's but standard input, output and
// error; waited for through the backend, so that a real window stays alive.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/command_line.h"
#include "platform/core/disc_program.h"
#include "platform/core/program_search.h"
#include "platform/core/session.h"
#include "platform/core/trace.h"
#include "platform/win/handles.h"
#include "platform/win/internal.h"

extern char** environ;

namespace platform {
namespace {

struct ProcessData {
    pid_t pid = 0;
    bool reaped = false;
    win::DWORD exitCode = 0;
    std::string copy;  // the copy of a program's folder from the disc, while it is needed
};

// The process handle and the thread handle of one start share its data.
using ProcessTable = HandleTable<ProcessData, std::shared_ptr<ProcessData>>;

ProcessTable& Processes() {
    return CurrentSession().Part<ProcessTable>([] { return ProcessTable(6); });
}

ProcessData* FindProcess(win::HANDLE handle) { return Processes().Find(HandleId(handle)); }

void Reap(ProcessData& process, bool block) {
    if (process.reaped) return;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(process.pid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == 0) return;
    process.reaped = true;
    if (done < 0) return;  // reaped by someone else (SIGCHLD ignored): its status is gone
    process.exitCode = WIFEXITED(status)     ? static_cast<win::DWORD>(WEXITSTATUS(status))
                       : WIFSIGNALED(status) ? 128 + static_cast<win::DWORD>(WTERMSIG(status))
                                             : 0;
}

// Attributes that leave the program nothing of the caller's signal state.
class SpawnAttributes {
public:
    explicit SpawnAttributes(bool ownSession) {
        ::posix_spawnattr_init(&attributes_);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        ::posix_spawnattr_setsigdefault(&attributes_, &all);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        if (ownSession) flags |= POSIX_SPAWN_SETSID;
        ::posix_spawnattr_setflags(&attributes_, flags);
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* Get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

// Closes every descriptor above standard error in the program, whether or
// not the caller (or a library of it) marked it close-on-exec.
class SpawnFileActions {
public:
    explicit SpawnFileActions(const std::string& folder) {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
        if (!folder.empty()) ::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str());
    }
    ~SpawnFileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

// The error of the start, 0 when the program runs; in `folder` when one is given.
int Spawn(const std::string& file, const std::vector<std::string>& words, bool ownSession, const std::string& folder,
          pid_t* pid) {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    SpawnAttributes attributes(ownSession);
    SpawnFileActions actions(folder);
    return ::posix_spawn(pid, file.c_str(), actions.Get(), attributes.Get(), argv.data(), environ);
}

}  // namespace

bool ProcessEnded(int pid, bool block) {
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
    } while (result < 0 && errno == EINTR);
    return result < 0 || info.si_pid == pid;
}

}  // namespace platform

namespace win {

BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD creationFlags, void* environment, const char* currentDirectory, STARTUPINFOA*,
                    PROCESS_INFORMATION* processInformation) {
    if (applicationName || !commandLine || environment || currentDirectory || !processInformation) {
        errno = EINVAL;
        return FALSE;
    }
    const platform::CommandLine split = platform::SplitCommandLine(commandLine);
    int copyError = 0;
    const auto copy = platform::CopyProgramFromDisc(split.program, copyError);
    if (copyError) {
        errno = copyError;
        return FALSE;
    }
    const char* path = std::getenv("PATH");
    platform::ProgramFound found = platform::FindProgram(copy ? copy->program : split.program, path ? path : "", !copy);
    int error = found.error;
    if (!error) error = platform::MayStart(split.program, commandLine);
    std::vector<std::string> words = std::move(found.run);
    const std::string file = words.empty() ? std::string() : words.front();
    // A program hears its name as the line wrote it (wine hears its own).
    if (words.size() == 1) words.front() = split.program;
    words.insert(words.end(), split.arguments.begin(), split.arguments.end());
    pid_t pid = 0;
    if (!error)
        error = platform::Spawn(file, words, (creationFlags & DETACHED_PROCESS) != 0, copy ? copy->folder : "", &pid);
    if (error) {
        if (copy) platform::RemoveProgramCopy(copy->folder);
        errno = error;
        return FALSE;
    }
    platform::TraceSpawn(commandLine);

    auto process = std::make_shared<platform::ProcessData>();
    process->pid = pid;
    if (copy) process->copy = copy->folder;
    auto& processes = platform::Processes();
    processInformation->hProcess = platform::MakeHandle<HANDLE>(processes.Add(process));
    processInformation->hThread = platform::MakeHandle<HANDLE>(processes.Add(process));
    // The first thread of a process has the process's number.
    processInformation->dwProcessId = processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    platform::ProcessData* process = platform::FindProcess(handle);
    if (!process || milliseconds != INFINITE) return WAIT_FAILED;
    if (!process->reaped) platform::TheBackend().AwaitProcessEnd(process->pid);
    platform::Reap(*process, true);
    if (!process->copy.empty()) platform::RemoveProgramCopy(std::exchange(process->copy, {}));
    return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    platform::ProcessData* data = platform::FindProcess(process);
    if (!data || !exitCode) return FALSE;
    platform::Reap(*data, false);
    *exitCode = data->reaped ? data->exitCode : STILL_ACTIVE;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) { return platform::Processes().Remove(platform::HandleId(handle)) ? TRUE : FALSE; }

// The simple wave-sound routine, called before a program takes over: nothing
// plays through it here, so there is never anything to stop.
BOOL sndPlaySoundA(const char* sound, UINT) { return sound ? FALSE : TRUE; }

}  // namespace win
