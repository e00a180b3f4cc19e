#include "display/picture_prefetch.h"

#include <algorithm>
#include <exception>

PictureWorkers::PictureWorkers(int threads)
{
    for (int i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this] { work(); });
}

PictureWorkers::~PictureWorkers()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void PictureWorkers::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void PictureWorkers::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

PicturePrefetcher::PicturePrefetcher(std::shared_ptr<PictureJobs> jobs)
    : jobs_(std::move(jobs)), state_(std::make_shared<State>())
{
}

PicturePrefetcher::~PicturePrefetcher()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->closed = true;
    state_->queued.clear();
}

void PicturePrefetcher::runOne(State& state)
{
    Cell cell;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.closed || state.queued.empty()) return;
        cell = std::move(state.queued.front());
        state.queued.pop_front();
        state.underWay.push_back(cell.key);
    }
    Finished result;
    result.key = cell.key;
    result.path = cell.request.path;
    result.bytes = cell.bytes;
    bool thrown = false;
    try {
        decodeCell(cell.request, result);
    } catch (const std::exception&) {
        thrown = true;  // out of memory: left unfiled, so the page decodes it itself
    }
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.underWay.erase(std::find(state.underWay.begin(), state.underWay.end(), cell.key));
        if (thrown)
            state.bytes -= result.bytes;
        else
            state.done.push_back(std::move(result));
    }
    state.finished.notify_all();
}

void PicturePrefetcher::decodeCell(const CellRequest& request, Finished& result)
{
    if (std::optional<Picture> loaded = loadPicture(request.path, &result.error)) {
        const int orientation = request.orientation;
        const Picture upright = orientation == 90 || orientation == -90 || orientation == 180
                                    ? turnPicture(*loaded, orientation)
                                    : std::move(*loaded);
        result.sourceWidth = upright.width;
        result.sourceHeight = upright.height;
        const Rect dest = cellPictureRect(request.box, request.view, upright.width, upright.height);
        if (!dest.empty())
            result.picture = std::make_shared<const Picture>(
                resizePicture(upright, dest.width(), dest.height()));
    }
}

void PicturePrefetcher::file(std::vector<Finished> done, PictureCache& cache)
{
    for (Finished& f : done) {
        if (!f.picture && f.sourceWidth == 0) reportUnreadablePicture(f.path, f.error);
        cache.storeFitted(f.key, std::move(f.picture), f.sourceWidth, f.sourceHeight);
    }
}

std::vector<PicturePrefetcher::Finished> PicturePrefetcher::takeFinished()
{
    for (const Finished& f : state_->done) state_->bytes -= f.bytes;
    std::vector<Finished> done = std::move(state_->done);
    state_->done.clear();
    return done;
}

void PicturePrefetcher::focus(const std::vector<CellRequest>& cells, PictureCache& cache)
{
    std::vector<std::string> keys;
    for (const CellRequest& c : cells)
        keys.push_back(PictureCache::fittedKey(c.path, c.orientation, c.box, c.view));
    std::vector<Finished> done;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        auto& queued = state_->queued;
        auto stays = std::stable_partition(queued.begin(), queued.end(), [&keys](const Cell& c) {
            return std::find(keys.begin(), keys.end(), c.key) != keys.end();
        });
        for (auto it = stays; it != queued.end(); ++it) state_->bytes -= it->bytes;
        queued.erase(stays, queued.end());
        done = takeFinished();
    }
    file(std::move(done), cache);
}

void PicturePrefetcher::claim(const CellRequest& cell, PictureCache& cache)
{
    const std::string key =
        PictureCache::fittedKey(cell.path, cell.orientation, cell.box, cell.view);
    std::vector<Finished> done;
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        auto& queued = state_->queued;
        auto waiting = std::find_if(queued.begin(), queued.end(),
                                    [&key](const Cell& c) { return c.key == key; });
        if (waiting != queued.end()) {
            state_->bytes -= waiting->bytes;
            queued.erase(waiting);
        }
        const auto& busy = state_->underWay;
        state_->finished.wait(
            lock, [&] { return std::find(busy.begin(), busy.end(), key) == busy.end(); });
        done = takeFinished();
    }
    file(std::move(done), cache);
}

void PicturePrefetcher::want(const std::vector<CellRequest>& cells, PictureCache& cache,
                             std::size_t budgetBytes)
{
    std::vector<Finished> done;
    std::size_t added = 0;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        for (const Cell& cell : state_->queued) state_->bytes -= cell.bytes;
        state_->queued.clear();
        done = takeFinished();
    }
    // Filed first, so that what just finished is not asked for again.
    file(std::move(done), cache);
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        for (const CellRequest& request : cells) {
            std::string key = PictureCache::fittedKey(request.path, request.orientation,
                                                      request.box, request.view);
            const auto& busy = state_->underWay;
            if (cache.holds(key) || std::find(busy.begin(), busy.end(), key) != busy.end() ||
                std::any_of(state_->queued.begin(), state_->queued.end(),
                            [&key](const Cell& c) { return c.key == key; }))
                continue;
            const Rect& b = request.box;
            const Rect& v = request.view;
            const int64_t w = std::max(0, std::min(b.right, v.right) - std::max(b.left, v.left));
            const int64_t h = std::max(0, std::min(b.bottom, v.bottom) - std::max(b.top, v.top));
            const std::size_t bytes = static_cast<std::size_t>(w * h * 4) + key.size() + 64;
            if (state_->bytes + bytes > budgetBytes) break;
            state_->bytes += bytes;
            state_->queued.push_back(Cell{std::move(key), request, bytes});
            ++added;
        }
    }
    // Posted outside the lock: an executor may run a job at once, on this thread.
    std::weak_ptr<State> weak = state_;
    for (std::size_t i = 0; i < added; ++i)
        jobs_->post([weak] {
            if (std::shared_ptr<State> state = weak.lock()) runOne(*state);
        });
}

void PicturePrefetcher::settle(PictureCache& cache)
{
    std::vector<Finished> done;
    {
        std::unique_lock<std::mutex> lock(state_->mutex);
        for (const Cell& cell : state_->queued) state_->bytes -= cell.bytes;
        state_->queued.clear();
        state_->finished.wait(lock, [this] { return state_->underWay.empty(); });
        done = takeFinished();
    }
    file(std::move(done), cache);
}

std::size_t PicturePrefetcher::pendingCount()
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->queued.size() + state_->underWay.size() + state_->done.size();
}
