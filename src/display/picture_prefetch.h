// Decoding the pictures of the image browser's neighbouring pages before they are needed, so
// that a page flip finds them ready.
//
// The decoding (file, turn, resize) runs as jobs on an executor, normally worker threads; the
// picture cache and the drawing stay on the GUI thread. Finished pictures wait in the
// prefetcher, behind its mutex, until the GUI thread collects them into the cache. No more than
// a budget of bytes is ever queued, under way or waiting.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "display/game_pictures.h"
#include "platform/rect.h"

// Runs jobs some time later, on any thread.
class PictureJobs {
public:
    virtual ~PictureJobs() = default;
    virtual void post(std::function<void()> job) = 0;
};

// Worker threads. The destructor drops the jobs not started, lets the ones under way finish and
// joins every thread.
class PictureWorkers final : public PictureJobs {
public:
    explicit PictureWorkers(int threads);
    ~PictureWorkers() override;
    PictureWorkers(const PictureWorkers&) = delete;
    PictureWorkers& operator=(const PictureWorkers&) = delete;
    void post(std::function<void()> job) override;

private:
    void work();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// One image-browser cell to have ready: the arguments PictureCache::getFitted takes.
struct CellRequest {
    std::string path;
    int orientation = 0;
    Rect box;
    Rect view;
};

class PicturePrefetcher {
public:
    explicit PicturePrefetcher(std::shared_ptr<PictureJobs> jobs);
    // Cancels the jobs not started; jobs under way finish into a state nobody reads.
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // Makes `cells` (most needed first) what is being prepared: queued cells no longer wanted
    // are dropped, cells the cache holds or that are under way are skipped, and the rest are
    // queued while their pictures' size (at most each cell's visible area) stays within
    // budgetBytes. GUI thread.
    void want(const std::vector<CellRequest>& cells, PictureCache& cache, std::size_t budgetBytes);
    // Before a page is drawn: drops the queued cells that are not among `cells` (the page's),
    // so that the workers go on with the page's own, and files every finished one in the cache
    // (an unreadable file is reported as the cache would). GUI thread.
    void focus(const std::vector<CellRequest>& cells, PictureCache& cache);
    // Makes sure no worker is deciding `cell` any more: files it when finished, waits for it
    // when under way, takes it back from the queue otherwise (the caller then decodes it).
    // GUI thread.
    void claim(const CellRequest& cell, PictureCache& cache);
    // Drops the queued cells, waits for those under way, and files every finished one.
    void settle(PictureCache& cache);

    // Cells queued, under way or finished and not yet filed.
    std::size_t pendingCount();

private:
    struct Cell {
        std::string key;
        CellRequest request;
        std::size_t bytes = 0;
    };
    struct Finished {
        std::string key;
        std::string path;
        std::shared_ptr<const Picture> picture;  // null: does not decode or nothing fits
        int sourceWidth = 0, sourceHeight = 0;
        std::string error;  // why the file does not decode
        std::size_t bytes = 0;
    };
    struct State {
        std::mutex mutex;
        std::condition_variable finished;
        std::deque<Cell> queued;
        std::vector<std::string> underWay;
        std::vector<Finished> done;
        std::size_t bytes = 0;  // budget taken by all three
        bool closed = false;
    };
    static void runOne(State& state);
    // The same steps, and so the same pixels, as PictureCache::getFitted.
    static void decodeCell(const CellRequest& request, Finished& result);
    void file(std::vector<Finished> done, PictureCache& cache);
    // Takes the finished cells out of the state (mutex held).
    std::vector<Finished> takeFinished();

    std::shared_ptr<PictureJobs> jobs_;
    std::shared_ptr<State> state_;
};
