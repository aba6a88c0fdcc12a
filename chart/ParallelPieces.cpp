#include "chart/ParallelPieces.h"

#include <atomic>
#include <condition_variable>
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
        {
            std::lock_guard lock(mutex_);
            if (current_ != nullptr || helpers_.empty()) {
                job.takePieces(); // busy with another caller's job
                return;
            }
            current_ = &job;
        }
        jobPosted_.notify_all();
        const std::size_t mine = job.takePieces();
        std::unique_lock lock(mutex_);
        job.finished += mine;
        jobDone_.wait(lock, [&job] { return job.finished == job.pieces && job.helping == 0; });
        current_ = nullptr;
    }

private:
    struct Job {
        const std::function<void(std::size_t)>* piece;
        std::size_t pieces;
        std::atomic<std::size_t> next{0};
        // Under mutex_: pieces done, and helpers still inside the job.
        std::size_t finished = 0;
        std::size_t helping = 0;

        bool piecesLeft() const { return next.load(std::memory_order_relaxed) < pieces; }

        std::size_t takePieces()
        {
            std::size_t done = 0;
            for (std::size_t i = next.fetch_add(1, std::memory_order_relaxed); i < pieces;
                 i = next.fetch_add(1, std::memory_order_relaxed), ++done)
                (*piece)(i);
            return done;
        }
    };

    void serve(std::stop_token stop)
    {
        std::unique_lock lock(mutex_);
        while (jobPosted_.wait(lock, stop, [this] { return current_ != nullptr && current_->piecesLeft(); })) {
            Job& job = *current_;
            ++job.helping;
            lock.unlock();
            const std::size_t mine = job.takePieces();
            lock.lock();
            job.finished += mine;
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
