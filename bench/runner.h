#pragma once

#include <QList>
#include <QString>

namespace vantor::bench {

struct Options {
    QList<int> sizes{10000, 100000, 1000000};
    QList<int> exportRows{32766, 1000000};
    int runs = 5;
    int exportRuns = 3;
    int reportRuns = 9; // whole processes vary more than jobs timed inside one
    QString dataDir;
    QString sqlite3 = QStringLiteral("sqlite3");
    QString vantor = QStringLiteral(VANTOR_EXECUTABLE); // the program, for the report command
    bool office = true;
    int officeRuns = 1;
    double officeTimeout = 600;
    // The same jobs on a PostgreSQL server of the benchmark's own, against psql; empty: not run.
    QString serverScript;
    // The round trips (ms) at which the server jobs run: 0 on the server's own socket, others
    // through a relay that holds each chunk half of it each way.
    QList<int> distances{0, 20};
};

// Measures every job against its reference, side by side, and prints the table.
// Returns the exit code: non-zero when a job failed or gave a wrong result, never
// because a target was missed.
int runBenchmarks(const Options& options);

} // namespace vantor::bench
