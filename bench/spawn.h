#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vantor::bench {

// What one finished child process cost.
struct ProcessResult {
    double seconds = 0; // wall time from spawn to exit
    int exitCode = -1; // -1 when it did not exit normally
    bool timedOut = false; // killed after the time limit
    qint64 maxRssKiB = 0; // the child's peak resident set
    double cpuSeconds = 0; // user and system time of the child and the children it waited for
    QByteArray output; // its standard output, when captured
};

// Runs argv[0] (looked up on PATH) with the given arguments in a process group of its own.
// Standard output is captured when `captureOutput` is set and goes to /dev/null
// otherwise; standard error is inherited unless `quiet`. A child still running after
// `timeoutSeconds` (0: no limit) is killed with its whole group.
ProcessResult runProcess(const QStringList& argv, bool captureOutput, double timeoutSeconds = 0, bool quiet = false);

} // namespace vantor::bench
