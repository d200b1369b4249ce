#include "common/parallel.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace orva {

namespace {

// A small fixed pool. One job runs at a time (jobs from different threads queue on the
// submit mutex); nested calls from inside a band run inline.
class Pool {
public:
    static Pool& Get() {
        static Pool pool;
        return pool;
    }

    void Run(int count, const std::function<void(int)>& fn) {
        if (count <= 0) return;
        if (inside_band_ || count == 1 || threads_ <= 1) {
            RunInline(count, fn);
            return;
        }
        std::lock_guard submit(submit_mutex_);
        {
            std::lock_guard lock(mutex_);
            EnsureWorkers();
            job_ = &fn;
            count_ = count;
            next_.store(0);
            pending_ = count;
            ++generation_;
        }
        wake_.notify_all();
        Work(fn, count);
        std::unique_lock lock(mutex_);
        // Wait also for workers that took the job but found no band left, so that none of
        // them can touch this job's counter once the next job has reset it.
        done_.wait(lock, [&] { return pending_ == 0 && active_ == 0; });
        job_ = nullptr;
    }

    void SetThreads(int n) {
        std::lock_guard submit(submit_mutex_);
        StopWorkers();
        threads_ = n > 0 ? n : DefaultThreads();
    }
    int Threads() const { return threads_; }

private:
    Pool() : threads_(DefaultThreads()) {}
    ~Pool() { StopWorkers(); }

    // The cores this process may run on: a job scheduler (Slurm's --cpus-per-task) or taskset
    // may allow fewer than the machine has, and more threads than cores only take turns.
    static int DefaultThreads() {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
            return std::min(CPU_COUNT(&allowed), 64);
        const unsigned hw = std::thread::hardware_concurrency();
        return hw == 0 ? 1 : static_cast<int>(std::min(hw, 64u));
    }

    static void RunInline(int count, const std::function<void(int)>& fn) {
        for (int i = 0; i < count; ++i) fn(i);
    }

    void EnsureWorkers() {
        while (static_cast<int>(workers_.size()) < threads_ - 1) {
            workers_.emplace_back([this] { WorkerLoop(); });
        }
    }

    void StopWorkers() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (auto& t : workers_) t.join();
        workers_.clear();
        stop_ = false;
    }

    void Work(const std::function<void(int)>& fn, int count) {
        inside_band_ = true;
        int finished = 0;
        for (;;) {
            const int i = next_.fetch_add(1);
            if (i >= count) break;
            fn(i);
            ++finished;
        }
        inside_band_ = false;
        if (finished > 0) {
            std::lock_guard lock(mutex_);
            pending_ -= finished;
            if (pending_ == 0) done_.notify_all();
        }
    }

    void WorkAsHelper(const std::function<void(int)>& fn, int count) {
        Work(fn, count);
        std::lock_guard lock(mutex_);
        --active_;
        done_.notify_all();
    }

    void WorkerLoop() {
        unsigned seen = 0;
        for (;;) {
            const std::function<void(int)>* job;
            int count;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || (job_ != nullptr && generation_ != seen); });
                if (stop_) return;
                seen = generation_;
                job = job_;
                count = count_;
                ++active_;
            }
            WorkAsHelper(*job, count);
        }
    }

    std::mutex submit_mutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
    const std::function<void(int)>* job_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0};
    int pending_ = 0;
    int active_ = 0;
    unsigned generation_ = 0;
    bool stop_ = false;
    std::atomic<int> threads_;
    static thread_local bool inside_band_;
};

thread_local bool Pool::inside_band_ = false;

}  // namespace

void RunBands(int count, const std::function<void(int)>& fn) {
    Pool::Get().Run(count, fn);
}

int RowBandCount(int height) {
    // Bands of at least 16 rows, at most 64 bands: enough to balance two to eight cores
    // without making the bands so thin that they share cache lines of the output.
    if (height <= 0) return 0;
    return std::clamp((height + 15) / 16, 1, 64);
}

void ForEachRowBand(int height, const std::function<void(int, int)>& fn) {
    const int count = RowBandCount(height);
    RunBands(count, [&](int band) {
        const int y0 = BandStart(height, band, count);
        const int y1 = BandStart(height, band + 1, count);
        if (y1 > y0) fn(y0, y1);
    });
}

void SetThreadCount(int n) {
    Pool::Get().SetThreads(n);
}
int ThreadCount() {
    return Pool::Get().Threads();
}

}  // namespace orva
