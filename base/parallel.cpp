#include "base/parallel.h"

#include <algorithm>
#include <exception>
#include <future>
#include <system_error>
#include <thread>

void runAtOnce(const std::vector<std::function<void()>> &jobs)
{
    std::vector<std::future<void>> running;
    for (std::size_t k = 1; k < jobs.size(); ++k) {
        try {
            running.push_back(std::async(std::launch::async, jobs[k]));
        } catch (const std::system_error &) {
            jobs[k]();
        }
    }
    std::exception_ptr failure;
    try {
        if (!jobs.empty())
            jobs[0]();
    } catch (...) {
        failure = std::current_exception();
    }
    for (std::future<void> &job : running) {
        try {
            job.get();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void runInPieces(qsizetype count, int pieces,
                 const std::function<void(qsizetype begin, qsizetype end)> &run)
{
    std::vector<std::function<void()>> jobs;
    for (int k = 0; k < pieces; ++k) {
        const qsizetype begin = count * k / pieces;
        const qsizetype end = count * (k + 1) / pieces;
        jobs.push_back([&run, begin, end] { run(begin, end); });
    }
    runAtOnce(jobs);
}

int piecesFor(qsizetype textSize, qsizetype charsPerPiece)
{
    const qsizetype cores = std::max(1u, std::thread::hardware_concurrency());
    return int(std::clamp<qsizetype>(textSize / std::max<qsizetype>(charsPerPiece, 1), 1,
                                     std::min<qsizetype>(cores, 8)));
}
