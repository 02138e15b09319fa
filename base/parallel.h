#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

/// Runs every job at once, the first on the calling thread and each other one on a thread of
/// its own (on the calling thread where no thread can be started), and returns when all are
/// done, passing on the first exception a job threw.
void runAtOnce(const std::vector<std::function<void()>> &jobs);

/// Splits 0..count into `pieces` runs of about equal length and calls `run(begin, end)` for
/// each run, all at once as runAtOnce does.
void runInPieces(qsizetype count, int pieces,
                 const std::function<void(qsizetype begin, qsizetype end)> &run);

/// How many pieces work over a text of this size is split into when left to choose: one for
/// every `charsPerPiece` characters (a few megabytes unless told), at most one for each core.
int piecesFor(qsizetype textSize, qsizetype charsPerPiece = qsizetype(1) << 21);
