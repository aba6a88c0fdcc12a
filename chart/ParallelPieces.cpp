#include "chart/ParallelPieces.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

namespace zq::chart {

namespace {

// Helper threads that wait for jobs for as long as the process runs. Kept
// rather than started per job: a job waits only for the pieces a helper has
// actually taken, never for a helper that the system has not yet given a
// core, which on a busy machine can take longer than the job itself.
class PieceWorkers {
public:
    PieceWorkers()
    {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 1; i < cores; ++i) {
            try {
                helpers_.emplace_back([this](std::stop_token stop) { serve(stop); });
            } catch (const std::system_error&) {
                break; // fewer helpers: the callers take more pieces themselves
            }
        }
    }

    ~PieceWorkers()
    {
        for (auto& helper : helpers_)
            helper.request_stop();
        // The helpers are joined as `helpers_` goes.
    }

    PieceWorkers(const PieceWorkers&) = delete;
    PieceWorkers& operator=(const PieceWorkers&) = delete;

    void run(std::size_t pieces, const std::function<void(std::size_t)>& piece)
    {
        Job job{&piece, pieces};
        bool busy = false;
        {
            std::lock_guard lock(mutex_);
            busy = current_ != nullptr || helpers_.empty();
            if (!busy)
                current_ = &job;
        }
        if (busy) {
            // Busy with another caller's job. The pieces run outside the lock:
            // under it they would hold up that job's helpers, and a piece that
            // itself runs pieces would wait on itself.
            std::exception_ptr failure;
            job.takePieces(failure);
            if (failure)
                std::rethrow_exception(failure);
            return;
        }
        jobPosted_.notify_all();
        std::exception_ptr failure;
        const std::size_t mine = job.takePieces(failure);
        std::unique_lock lock(mutex_);
        job.finished += mine;
        job.keep(failure);
        // The job lives on this stack: it may end only when no helper is in it,
        // whatever a piece threw.
        jobDone_.wait(lock, [&job] { return job.finished == job.pieces && job.helping == 0; });
        current_ = nullptr;
        if (job.failure)
            std::rethrow_exception(job.failure);
    }

private:
    struct Job {
        const std::function<void(std::size_t)>* piece;
        std::size_t pieces;
        std::atomic<std::size_t> next{0};
        // Under mutex_: pieces done, and helpers still inside the job.
        std::size_t finished = 0;
        std::size_t helping = 0;
        std::exception_ptr failure; // the first piece that threw

        bool piecesLeft() const { return next.load(std::memory_order_relaxed) < pieces; }

        // A piece that throws still counts as taken, so that the job ends;
        // the first failure goes back to the caller.
        std::size_t takePieces(std::exception_ptr& firstFailure)
        {
            std::size_t done = 0;
            for (std::size_t i = next.fetch_add(1, std::memory_order_relaxed); i < pieces;
                 i = next.fetch_add(1, std::memory_order_relaxed), ++done) {
                try {
                    (*piece)(i);
                } catch (...) {
                    if (!firstFailure)
                        firstFailure = std::current_exception();
                }
            }
            return done;
        }

        void keep(const std::exception_ptr& error) // under mutex_
        {
            if (error && !failure)
                failure = error;
        }
    };

    void serve(std::stop_token stop)
    {
        std::unique_lock lock(mutex_);
        while (jobPosted_.wait(lock, stop, [this] { return current_ != nullptr && current_->piecesLeft(); })) {
            Job& job = *current_;
            ++job.helping;
            lock.unlock();
            std::exception_ptr failure;
            const std::size_t mine = job.takePieces(failure);
            lock.lock();
            job.finished += mine;
            job.keep(failure);
            --job.helping;
            if (job.finished == job.pieces && job.helping == 0)
                jobDone_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable_any jobPosted_;
    std::condition_variable jobDone_;
    Job* current_ = nullptr; // under mutex_
    std::vector<std::jthread> helpers_; // last: stopped and joined first
};

} // namespace

void RunPieces(std::size_t pieces, const std::function<void(std::size_t)>& piece)
{
    static PieceWorkers workers;
    workers.run(pieces, piece);
}

} // namespace zq::chart
