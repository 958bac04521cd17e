#include "pack_pictures.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>

#include "files.h"
#include "pictures/big_endian.h"
#include "pictures/png_decoder.h"
#include "turbojpeg_codec.h"

namespace brivel::tool {

namespace {

// What the pictures in flight may hold at once; one that alone holds more
// goes when none is in flight. Prepared pictures give back their file as
// they are done: two photo PNGs of 12 Mpx decode side by side. Kept ones
// hold theirs until written: one such PNG is checked at a time.
constexpr std::uint64_t kPreparingBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kKeepingBytes = std::uint64_t{100} << 20;

// What a picture's file says of it before it is read.
struct PictureFile {
    std::uint64_t size = 0;
    std::vector<std::uint8_t> head;  // its first bytes: a PNG's header, enough to tell its kind
    std::uint64_t cost = 0;          // the bytes it takes while it is worked on
};

// The file's bytes and what decoding it holds: a PNG's inflated rows, and
// as much again for an interlaced one, rendered whole (counted for every PNG:
// the header read here stops short of the interlace byte); a JPEG is decoded
// scaled down, to less than its file.
std::uint64_t WorkingBytes(std::uint64_t size, const std::vector<std::uint8_t>& head) {
    constexpr std::size_t kHeader = 26;  // signature, IHDR's length and type, sides, depth, colour
    static constexpr std::uint8_t kSamples[7] = {1, 0, 3, 1, 2, 0, 4};
    if (head.size() < kHeader || !std::equal(kPngSignature, kPngSignature + 8, head.begin())) {
        return 2 * size;
    }
    const std::uint64_t width = ReadBigEndian32(&head[16]);
    const std::uint64_t height = ReadBigEndian32(&head[20]);
    const std::uint64_t samples = head[25] < 7 ? std::max<std::uint8_t>(kSamples[head[25]], 1) : 4;
    const std::uint64_t row = (width * samples * head[24] + 7) / 8 + 1;
    // A forged header cannot claim more than the decoder would ever take.
    return size + 2 * std::min<std::uint64_t>(row * height, kMaxRgbImageBytes);
}

PictureFile Look(const Quiz::Picture& picture, const std::string& path) {
    PictureFile file;
    file.head.resize(26);
    if (!picture.given.empty()) {
        file.size = picture.given.size();
        file.head.assign(picture.given.begin(),
                         picture.given.begin() + std::min<std::size_t>(file.size, 26));
    } else {
        InputFile input(path);
        file.size = input.Size().value_or(0);
        file.head.resize(input.ReadHead(file.head.data(), file.head.size()));
    }
    file.cost = WorkingBytes(file.size, file.head);
    return file;
}

// Pictures worked on by several threads and taken in the order they are
// started in. A thread starts the next picture once those in flight leave it
// room within a budget of bytes, so that a quiz of large PNGs is not decoded
// all at once.
class Pipeline {
public:
    // work(index) handles a picture and gives the bytes it still holds,
    // which stay counted until the picture is taken.
    using Work = std::function<std::uint64_t(std::size_t index)>;

    Pipeline(const std::vector<PictureFile>& files, std::uint64_t budget, Work work)
        : files_(files),
          budget_(budget),
          work_(std::move(work)),
          held_(files.size()),
          done_(files.size()) {}

    ~Pipeline() {
        Stop();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // Starts the pictures in order on jobs threads.
    void Start(const std::vector<std::size_t>& order, int jobs) {
        order_ = order;
        const std::size_t threads = std::min<std::size_t>(std::max(jobs, 1), order.size());
        for (std::size_t i = 0; i < threads; ++i) {
            threads_.emplace_back([this] { Run(); });
        }
    }

    // Returns once picture index is handled.
    void Wait(std::size_t index) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return done_[index] != 0; });
    }

    // Picture index, handled, is taken: what it held is free.
    void Take(std::size_t index) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            inUse_ -= held_[index];
            held_[index] = 0;
        }
        changed_.notify_all();
    }

    // No picture is started from now on.
    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

private:
    void Run() {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] {
                    return stopped_ || next_ == order_.size() || inUse_ == 0 ||
                           inUse_ + files_[order_[next_]].cost <= budget_;
                });
                if (stopped_ || next_ == order_.size()) {
                    return;
                }
                index = order_[next_++];
                inUse_ += files_[index].cost;
            }
            const std::uint64_t held = std::min(work_(index), files_[index].cost);
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                inUse_ -= files_[index].cost - held;
                held_[index] = held;
                done_[index] = 1;
            }
            changed_.notify_all();
        }
    }

    const std::vector<PictureFile>& files_;
    const std::uint64_t budget_;
    const Work work_;
    std::vector<std::size_t> order_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint64_t> held_;
    std::vector<char> done_;
    std::size_t next_ = 0;  // in order_
    std::uint64_t inUse_ = 0;
    bool stopped_ = false;
    std::vector<std::thread> threads_;
};

std::vector<PictureFile> LookAtAll(const Quiz& quiz, const std::vector<std::string>& files) {
    std::vector<PictureFile> looked;
    for (std::size_t i = 0; i < quiz.pictures.size(); ++i) {
        looked.push_back(Look(quiz.pictures[i], files[i]));
    }
    return looked;
}

// The picture's bytes: those given, handed over, or else its file's.
std::optional<std::vector<std::uint8_t>> TakeBytes(Quiz::Picture& picture, const std::string& path,
                                                   std::string& reason) {
    if (picture.given.empty()) {
        return ReadWholeFile(path, &reason);
    }
    std::vector<std::uint8_t> bytes = std::move(picture.given);
    picture.given = std::vector<std::uint8_t>();
    return bytes;
}

// A picture kept as it is that some players cannot show as the others do.
void WarnOfPlayersThatCannotShow(const std::string& path, const PicturePlan& plan,
                                 const std::string& damage) {
    if (!damage.empty()) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: a damaged JPEG (%s): the players show what can "
                     "be read of it\n",
                     path.c_str(), damage.c_str());
    }
    if (plan.cmyk) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: a CMYK JPEG, which the Windows and Linux players "
                     "show as nothing; without --keep-pictures pack stores it in RGB\n",
                     path.c_str());
    }
    if (plan.transparent) {
        std::fprintf(stderr,
                     "brivel pack: warning: %s: a transparent PNG: the Windows and Linux players "
                     "show the colours its transparent areas hide, the web player shows through "
                     "them; without --keep-pictures pack lays them on the quiz colour\n",
                     path.c_str());
    }
}

// What a thread made of one picture, for the one who takes it.
struct Outcome {
    bool ok = false;
    std::string message;  // the reason it failed, or the warning it deserves
    PicturePlan plan;
    std::vector<std::uint8_t> bytes;  // a kept picture's
};

class KeptPictures final : public PictureSource {
public:
    KeptPictures(Quiz& quiz, const std::vector<std::string>& files, int jobs)
        : files_(files),
          jobs_(jobs),
          looked_(LookAtAll(quiz, files)),
          outcomes_(files.size()),
          pipeline_(looked_, kKeepingBytes,
                    [this, &quiz](std::size_t index) { return Check(quiz, index); }) {}

    void Expect(const std::vector<std::size_t>& order) override { pipeline_.Start(order, jobs_); }

    bool Describe(std::size_t index, std::uint64_t& size,
                  std::vector<std::uint8_t>& head) override {
        size = looked_[index].size;
        head = looked_[index].head;
        return true;
    }

    bool Read(std::size_t index, const std::uint8_t*& data, std::size_t& size) override {
        if (read_ != kNone) {
            outcomes_[read_].bytes = std::vector<std::uint8_t>();
            pipeline_.Take(read_);
        }
        read_ = index;
        pipeline_.Wait(index);
        Outcome& outcome = outcomes_[index];
        const std::string& path = files_[index];
        if (outcome.ok && outcome.bytes.size() != looked_[index].size) {
            outcome = {false, "changed while pack read it: pack it again", {}, {}};
        }
        if (!outcome.ok) {
            pipeline_.Stop();
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(), outcome.message.c_str());
            return false;
        }
        WarnOfPlayersThatCannotShow(path, outcome.plan, outcome.message);
        data = outcome.bytes.data();
        size = outcome.bytes.size();
        return true;
    }

private:
    std::uint64_t Check(Quiz& quiz, std::size_t index) {
        Outcome& outcome = outcomes_[index];
        try {
            std::optional<std::vector<std::uint8_t>> bytes =
                TakeBytes(quiz.pictures[index], files_[index], outcome.message);
            if (!bytes) {
                return 0;
            }
            TurboJpegCodec codec;
            std::string detail;
            outcome.ok = CheckPicture(codec, bytes->data(), bytes->size(), outcome.plan, &detail,
                                      &outcome.message, true) == PrepStatus::Ok;
            if (!outcome.ok) {
                outcome.message = detail;
                return 0;
            }
            outcome.bytes = std::move(*bytes);
        } catch (const std::bad_alloc&) {
            outcome = {false, PrepStatusName(PrepStatus::OutOfMemory), {}, {}};
        }
        return outcome.bytes.size();
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    const std::vector<std::string>& files_;
    const int jobs_;
    const std::vector<PictureFile> looked_;
    std::vector<Outcome> outcomes_;
    std::size_t read_ = kNone;  // the picture last read, held until the next is
    Pipeline pipeline_;         // last: its threads stop before what they fill goes
};

}  // namespace

int DefaultJobs() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0) {
        return CPU_COUNT(&cores);
    }
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

bool PackPictures(Quiz& quiz, const std::vector<std::string>& files,
                  const PictureOptions& options) {
    const bool progress = isatty(STDERR_FILENO) == 1;
    const std::size_t count = quiz.pictures.size();
    PrepOptions prep;
    prep.red = quiz.colour[0];
    prep.green = quiz.colour[1];
    prep.blue = quiz.colour[2];
    prep.quality = options.quality;
    const std::vector<PictureFile> looked = LookAtAll(quiz, files);
    std::vector<Outcome> outcomes(count);
    // Each thread writes only its own picture's outcome and stored bytes.
    Pipeline pipeline(looked, kPreparingBytes, [&](std::size_t index) {
        Outcome& outcome = outcomes[index];
        try {
            std::optional<std::vector<std::uint8_t>> bytes =
                TakeBytes(quiz.pictures[index], files[index], outcome.message);
            TurboJpegCodec codec;
            outcome.ok = bytes && PreparePicture(codec, bytes->data(), bytes->size(), prep,
                                                 outcome.plan, quiz.pictures[index].stored,
                                                 &outcome.message) == PrepStatus::Ok;
        } catch (const std::bad_alloc&) {
            outcome = {false, PrepStatusName(PrepStatus::OutOfMemory), {}, {}};
        }
        return std::uint64_t{0};
    });
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    pipeline.Start(order, options.jobs);
    for (std::size_t i = 0; i < count; ++i) {
        pipeline.Wait(i);
        const std::string& path = files[i];
        if (!outcomes[i].ok) {
            // Pictures go in order: every one before it has been prepared.
            std::fprintf(stderr, "brivel pack: %s: %s\n", path.c_str(),
                         outcomes[i].message.c_str());
            return false;
        }
        if (progress) {
            std::fprintf(stderr, "brivel pack: %zu/%zu %s: %s\n", i + 1, count, path.c_str(),
                         DescribePlan(outcomes[i].plan, options.quality).c_str());
        }
    }
    return true;
}

std::unique_ptr<PictureSource> KeepPictures(Quiz& quiz, const std::vector<std::string>& files,
                                            const PictureOptions& options) {
    return std::make_unique<KeptPictures>(quiz, files, options.jobs);
}

void PrintPicturePlans(const QuizDescription& description) {
    TurboJpegCodec codec;
    for (const std::string& path : description.pictureFiles) {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        PicturePlan plan;
        // The description's own check has named any picture that cannot be read.
        if (bytes &&
            PlanPicture(codec, bytes->data(), bytes->size(), plan, nullptr) == PrepStatus::Ok &&
            plan.action != PrepAction::Keep) {
            std::printf("%s: info: prepared by pack: %s\n", path.c_str(),
                        DescribePlan(plan, kDefaultJpegQuality).c_str());
        }
    }
}

}  // namespace brivel::tool
