#pragma once

#include <QString>
#include <QTextStream>
#include <functional>

namespace tracella {

// Runs work(0) to work(count - 1) on `workers` threads, each taking the next index when it is
// done, so that no more than `workers` run at once. `work` returns the message of its failure,
// or an empty text when it succeeded; it must not throw. The messages are printed to `errors`,
// one a line, in the order of the indexes whatever order the work ends in. With `progress`,
// `errors` is a terminal and a line on it tells what is done, the rate and the time left.
// True when every work succeeded.
bool RunInParallel(qsizetype count, int workers, const std::function<QString(qsizetype)>& work, QTextStream& errors,
                   bool progress);

// The processors this process may run on (at least 1).
int ProcessorCount();

// The memory the system says is available to start new work (MemAvailable), or -1 when unknown.
qint64 AvailableMemoryBytes();

}  // namespace tracella
