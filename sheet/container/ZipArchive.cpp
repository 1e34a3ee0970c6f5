#include "sheet/container/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <thread>

#include "sheet/Failure.h"
#include "sheet/model/WorkbookPath.h"

namespace lomandra::container {

namespace {

std::atomic<bool> parallelInflate{std::thread::hardware_concurrency() > 1};

// The inflated bytes of one entry, handed from the inflating thread to the reading one through
// a few buffers: the inflater fills the next free buffer while the reader takes the last one
// filled, so memory stays at kSlots buffers whatever the entry's size.
class InflatePipe {
 public:
  static constexpr std::size_t kSlots = 4;
  static constexpr std::size_t kSlotBytes = 1u << 18;

  InflatePipe() {
    for (auto& slot : slots_) slot.reserve(kSlotBytes);
  }

  // --- the inflater: a buffer to fill, or null when the reader has stopped.
  std::string* toFill() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_ < kSlots || stopped_; });
    if (stopped_) return nullptr;
    return &slots_[(first_ + filled_) % kSlots];
  }
  void filled(bool last) {
    std::lock_guard lock(mutex_);
    ++filled_;
    ended_ = last;
    changed_.notify_all();
  }
  void failed(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
    ended_ = true;
    changed_.notify_all();
  }

  // --- the reader: the next buffer (empty at the end); hand it back with taken().
  const std::string* next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return filled_ > 0 || ended_; });
    if (filled_ > 0) return &slots_[first_];
    if (failure_) std::rethrow_exception(failure_);
    return nullptr;
  }
  void taken() {
    std::lock_guard lock(mutex_);
    first_ = (first_ + 1) % kSlots;
    --filled_;
    changed_.notify_all();
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<std::string, kSlots> slots_;
  std::size_t first_ = 0, filled_ = 0;
  bool ended_ = false, stopped_ = false;
  std::exception_ptr failure_;
};

}  // namespace

void ZipArchive::setParallelInflate(bool on) { parallelInflate.store(on); }

struct ZipArchive::Impl {
  zip_t* zip = nullptr;
  std::string path;
  // libzip's archive serves one call at a time; an entry inflated on a second thread while
  // the reader streams another entry (the shared strings, say) takes turns through this.
  mutable std::recursive_mutex lock;
  ~Impl() {
    if (zip) zip_discard(zip);
  }
  zip_int64_t locate(std::string_view name) const {
    const std::string key(name);
    zip_int64_t index = zip_name_locate(zip, key.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0) index = zip_name_locate(zip, key.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    return index;
  }
  zip_int64_t require(std::string_view name) const {
    const zip_int64_t index = locate(name);
    if (index < 0)
      throw Failure("The workbook is damaged: its part \"" + std::string(name) + "\" is missing.");
    return index;
  }
};

namespace {

/// True when the file begins with a zip archive's first record (a local file header).
bool startsAsZip(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[4] = {};
  return in.read(head, 4) && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

}  // namespace

ZipArchive::ZipArchive(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(const std::string& path) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!zip) {
    zip_error_t detail;
    zip_error_init_with_code(&detail, error);
    std::string why = zip_error_strerror(&detail);
    zip_error_fini(&detail);
    std::error_code ec;
    if (error == ZIP_ER_NOENT && !std::filesystem::exists(model::fileSystemPath(path), ec))
      throw Failure("The file \"" + path + "\" does not exist.");
    if (error == ZIP_ER_OPEN || error == ZIP_ER_READ)
      throw Failure("The file \"" + path + "\" cannot be read: " + why + ".");
    // A zip archive keeps its table of contents at its end: a file that starts as one but has
    // no end was cut short, usually because it is still being written (or copied).
    if ((error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS) && startsAsZip(path))
      throw Failure("The file \"" + path +
                    "\" is incomplete or still being written: it starts as a workbook but its end is "
                    "missing. Wait until it has been saved completely, then try again.");
    throw Failure("The file \"" + path + "\" is not a readable workbook (" + why + ").");
  }
  auto impl = std::make_unique<Impl>();
  impl->zip = zip;
  impl->path = path;
  return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(impl)));
}

std::vector<std::string> ZipArchive::names() const {
  std::lock_guard guard(impl_->lock);
  std::vector<std::string> result;
  const zip_int64_t count = zip_get_num_entries(impl_->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(impl_->zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (name) result.emplace_back(name);
  }
  return result;
}

bool ZipArchive::contains(std::string_view name) const {
  std::lock_guard guard(impl_->lock);
  return impl_->locate(name) >= 0;
}

std::uint64_t ZipArchive::claimedSize(std::string_view name) const {
  std::lock_guard guard(impl_->lock);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(impl_->zip, static_cast<zip_uint64_t>(impl_->require(name)), 0, &st) != 0 ||
      !(st.valid & ZIP_STAT_SIZE))
    return 0;
  return st.size;
}

std::string ZipArchive::read(std::string_view name, std::size_t maxBytes) const {
  std::string out;
  stream(
      name,
      [&](const char* data, std::size_t size) {
        out.append(data, size);
        return true;
      },
      maxBytes);
  return out;
}

void ZipArchive::stream(std::string_view name,
                        const std::function<bool(const char*, std::size_t)>& chunk,
                        std::uint64_t maxBytes) const {
  std::unique_lock guard(impl_->lock);
  const zip_int64_t index = impl_->require(name);
  zip_file_t* file = zip_fopen_index(impl_->zip, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    const std::string why = zip_strerror(impl_->zip);
    if (zip_get_error(impl_->zip)->zip_err == ZIP_ER_ENCRNOTSUPP ||
        zip_get_error(impl_->zip)->zip_err == ZIP_ER_NOPASSWD)
      throw Failure("The workbook is protected by a password and cannot be read.");
    throw Failure("The workbook is damaged: its part \"" + std::string(name) +
                  "\" cannot be read (" + why + ").");
  }
  struct Closer {
    const Impl& impl;
    zip_file_t* f;
    ~Closer() {
      std::lock_guard guard(impl.lock);
      zip_fclose(f);
    }
  } closer{*impl_, file};

  // Past a first stretch, a part that inflates to hundreds of times its stored size is a
  // decompression bomb: a workbook part never packs that tightly.
  zip_stat_t st;
  zip_stat_init(&st);
  std::uint64_t ratioLimit = std::numeric_limits<std::uint64_t>::max();
  const bool stated = zip_stat_index(impl_->zip, static_cast<zip_uint64_t>(index), 0, &st) == 0;
  if (stated && (st.valid & ZIP_STAT_COMP_SIZE) && st.comp_size < ratioLimit / kMaxInflateRatio)
    ratioLimit = std::max<std::uint64_t>(kRatioGraceBytes, st.comp_size * kMaxInflateRatio);
  const bool parallel = parallelInflate.load() && stated && (st.valid & ZIP_STAT_SIZE) &&
                        st.size >= kParallelBytes;
  guard.unlock();

  // Inflates the next bytes into `buffer` (resized to what came); false at the entry's end.
  std::uint64_t total = 0;
  const auto inflate = [&](std::string& buffer, std::size_t capacity) {
    buffer.resize(capacity);
    zip_int64_t got;
    {
      std::lock_guard turn(impl_->lock);
      got = zip_fread(file, buffer.data(), buffer.size());
    }
    if (got < 0)
      throw Failure("The workbook is damaged: its part \"" + std::string(name) +
                    "\" cannot be inflated (" + zip_file_strerror(file) + ").");
    buffer.resize(static_cast<std::size_t>(got));
    total += static_cast<std::uint64_t>(got);
    if (total > maxBytes)
      throw Failure("The workbook's part \"" + std::string(name) +
                    "\" is larger than this program reads (over " + std::to_string(maxBytes >> 20) +
                    " MB inflated); the file may be damaged.");
    if (total > ratioLimit)
      throw Failure("The workbook's part \"" + std::string(name) + "\" inflates to more than " +
                    std::to_string(kMaxInflateRatio) +
                    " times its size in the file, as no workbook does; the file may be damaged "
                    "(a decompression bomb).");
    return got > 0;
  };

  if (!parallel) {
    std::string buffer;
    while (inflate(buffer, 1u << 16))
      if (!chunk(buffer.data(), buffer.size())) return;
    return;
  }

  InflatePipe pipe;
  std::thread inflater([&] {
    try {
      for (std::string* slot = pipe.toFill(); slot; slot = pipe.toFill()) {
        const bool more = inflate(*slot, InflatePipe::kSlotBytes);
        pipe.filled(!more);
        if (!more) return;
      }
    } catch (...) {
      pipe.failed(std::current_exception());
    }
  });
  struct Joiner {
    InflatePipe& pipe;
    std::thread& thread;
    ~Joiner() {
      pipe.stop();
      thread.join();
    }
  } joiner{pipe, inflater};
  while (const std::string* bytes = pipe.next()) {
    if (bytes->empty()) return;
    if (!chunk(bytes->data(), bytes->size())) return;
    pipe.taken();
  }
}

}  // namespace lomandra::container
