#include "sheet/container/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "sheet/Failure.h"
#include "sheet/model/WorkbookPath.h"

namespace lomandra::container {

struct ZipArchive::Impl {
  zip_t* zip = nullptr;
  std::string path;
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
    throw Failure("The file \"" + path + "\" is not a readable workbook (" + why + ").");
  }
  auto impl = std::make_unique<Impl>();
  impl->zip = zip;
  impl->path = path;
  return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(impl)));
}

std::vector<std::string> ZipArchive::names() const {
  std::vector<std::string> result;
  const zip_int64_t count = zip_get_num_entries(impl_->zip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(impl_->zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (name) result.emplace_back(name);
  }
  return result;
}

bool ZipArchive::contains(std::string_view name) const { return impl_->locate(name) >= 0; }

std::uint64_t ZipArchive::claimedSize(std::string_view name) const {
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
    zip_file_t* f;
    ~Closer() { zip_fclose(f); }
  } closer{file};

  // Past a first stretch, a part that inflates to hundreds of times its stored size is a
  // decompression bomb: a workbook part never packs that tightly.
  zip_stat_t st;
  zip_stat_init(&st);
  std::uint64_t ratioLimit = std::numeric_limits<std::uint64_t>::max();
  if (zip_stat_index(impl_->zip, static_cast<zip_uint64_t>(index), 0, &st) == 0 &&
      (st.valid & ZIP_STAT_COMP_SIZE) && st.comp_size < ratioLimit / kMaxInflateRatio)
    ratioLimit = std::max<std::uint64_t>(kRatioGraceBytes, st.comp_size * kMaxInflateRatio);

  std::string buffer(1u << 16, '\0');
  std::uint64_t total = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
    if (got < 0)
      throw Failure("The workbook is damaged: its part \"" + std::string(name) +
                    "\" cannot be inflated (" + zip_file_strerror(file) + ").");
    if (got == 0) return;
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
    if (!chunk(buffer.data(), static_cast<std::size_t>(got))) return;
  }
}

}  // namespace lomandra::container
