#include "spawn.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantor::bench {

namespace {

int pidfdOpen(pid_t pid)
{
    return int(syscall(SYS_pidfd_open, pid, 0));
}

double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

ProcessResult runProcess(const QStringList& argv, bool captureOutput, double timeoutSeconds, bool quiet)
{
    ProcessResult result;
    std::vector<QByteArray> encoded;
    encoded.reserve(std::size_t(argv.size()));
    for (const QString& arg : argv)
        encoded.push_back(arg.toLocal8Bit());
    std::vector<char*> args;
    for (QByteArray& arg : encoded)
        args.push_back(arg.data());
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (captureOutput && pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    pid_t pid = -1;
    const auto start = std::chrono::steady_clock::now();
    const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (captureOutput)
        close(pipeFds[1]);
    if (spawned != 0) {
        if (captureOutput)
            close(pipeFds[0]);
        return result;
    }

    // Wait for the output to end and the child to exit, or for the time limit.
    const int pidfd = pidfdOpen(pid);
    bool outputOpen = captureOutput;
    bool childDone = pidfd < 0; // without a pidfd, the blocking wait below does the waiting
    char buffer[65536];
    while (outputOpen || !childDone) {
        pollfd fds[2];
        nfds_t count = 0;
        if (!childDone)
            fds[count++] = {pidfd, POLLIN, 0};
        if (outputOpen)
            fds[count++] = {pipeFds[0], POLLIN, 0};
        int waitMs = -1;
        if (timeoutSeconds > 0)
            waitMs = std::max(0, int((timeoutSeconds - since(start)) * 1000.0));
        const int ready = poll(fds, count, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == pidfd) {
                childDone = true;
            } else {
                const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
                if (n > 0)
                    result.output.append(buffer, qsizetype(n));
                else
                    outputOpen = false;
            }
        }
    }

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    result.seconds = since(start);
    if (pidfd >= 0)
        close(pidfd);
    if (captureOutput)
        close(pipeFds[0]);
    if (result.timedOut) {
        kill(-pid, SIGKILL); // whatever the child left behind in its group
        return result;
    }
    result.maxRssKiB = usage.ru_maxrss;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace vantor::bench
