#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/xls/CompoundFile.h"
#include "tests/sheet/xls/XlsTestFiles.h"

namespace lomandra::xls {
namespace {

using testing::CfbLayout;
using testing::CfbOptions;
using testing::compoundFile;
using testing::le32;

std::string pattern(std::size_t size, int seed) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return data;
}

void put32(std::string& bytes, std::uint64_t at, std::uint32_t value) {
  bytes.replace(static_cast<std::size_t>(at), 4, le32(value));
}

std::string failureOf(const std::string& bytes) {
  try {
    CompoundFile file(bytes);
    for (const auto& entry : file.entries())
      if (entry.type == 2) file.readStream(entry);
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "";
}

struct LayoutCase {
  const char* name;
  CfbOptions options;
  std::vector<std::size_t> sizes;  // < 4096 lands in the mini stream
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class CompoundFileLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CompoundFileLayout, ReadsEveryStreamBack) {
  const LayoutCase& c = GetParam();
  std::vector<testing::StreamSpec> streams;
  for (std::size_t i = 0; i < c.sizes.size(); ++i)
    streams.push_back({u"Stream" + std::u16string(1, static_cast<char16_t>(u'A' + i)),
                       pattern(c.sizes[i], static_cast<int>(i))});
  const std::string bytes = compoundFile(streams, c.options);
  const CompoundFile file(bytes);
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string name = "stream" + std::string(1, static_cast<char>('a' + i));
    const CompoundFile::Entry* entry = file.findStream(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(file.readStream(*entry), streams[i].data) << name;
  }
  EXPECT_EQ(file.findStream("Workbook"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Layouts, CompoundFileLayout,
                         ::testing::Values(LayoutCase{"MiniStreams", {}, {10, 64, 65, 4095}},
                                           LayoutCase{"RegularStreams", {}, {4096, 5000, 70000}},
                                           LayoutCase{"MixedAndEmpty", {}, {0, 100, 9000, 3000}},
                                           LayoutCase{"Sectors4096", {12, 0}, {100, 4096, 20000}},
                                           LayoutCase{"ExtraDifatSectors", {9, 240}, {300, 12000}},
                                           LayoutCase{"ExtraDifatSectors4096", {12, 1100}, {5000}}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(CompoundFile, ReadsAShortLastSectorAsZeroPadded) {
  std::string bytes = compoundFile({{u"Workbook", pattern(5000, 3)}});
  bytes.resize(bytes.size() - 100);  // 5000 bytes need 10 sectors; the last one is only half used
  const CompoundFile file(bytes);
  EXPECT_EQ(file.readStream(*file.findStream("Workbook")), pattern(5000, 3));
}

struct DamageCase {
  const char* name;
  void (*damage)(std::string& bytes, const CfbLayout& layout);
  const char* expected;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class CompoundFileDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(CompoundFileDamage, FailsWithAClearDescription) {
  CfbLayout layout;
  std::string bytes =
      compoundFile({{u"Small", pattern(200, 1)}, {u"Workbook", pattern(9000, 2)}}, {}, &layout);
  GetParam().damage(bytes, layout);
  EXPECT_EQ(failureOf(bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, CompoundFileDamage,
    ::testing::Values(
        DamageCase{"HeaderCutShort", [](std::string& b, const CfbLayout&) { b.resize(300); },
                   "The workbook is damaged: the file ends inside its header."},
        DamageCase{"OddSectorSize", [](std::string& b, const CfbLayout&) { b[0x1E] = 10; },
                   "The workbook is damaged: its sector size is not 512 or 4096 bytes."},
        DamageCase{"FatCountBeyondFile",
                   [](std::string& b, const CfbLayout&) { put32(b, 0x2C, 0x40000000); },
                   "The workbook is damaged: its allocation table claims more sectors than the "
                   "file holds."},
        DamageCase{"FatSectorBeyondFile",
                   [](std::string& b, const CfbLayout&) { put32(b, 0x4C, 0x00FFFFFF); },
                   "The workbook is damaged: a sector lies beyond the end of the file."},
        DamageCase{"DirectoryLoop",
                   [](std::string& b, const CfbLayout& l) {
                     put32(b, l.sectorOffset(l.fatStart) + 4 * l.directoryStart, l.directoryStart);
                   },
                   "The workbook is damaged: the chain of the directory runs in a loop."},
        DamageCase{"StreamChainLoop",
                   [](std::string& b, const CfbLayout& l) {
                     const std::uint32_t second = l.bigStreamStart[1] + 1;
                     put32(b, l.sectorOffset(l.fatStart) + 4 * second, l.bigStreamStart[1]);
                   },
                   "The workbook is damaged: the chain of a stream runs in a loop."},
        DamageCase{"StreamChainOutOfRange",
                   [](std::string& b, const CfbLayout& l) {
                     put32(b, l.sectorOffset(l.fatStart) + 4 * l.bigStreamStart[1], 0x7FFFFFF0);
                   },
                   "The workbook is damaged: the chain of a stream leaves the file."},
        DamageCase{"StreamChainEndsEarly",
                   [](std::string& b, const CfbLayout& l) {
                     put32(b, l.sectorOffset(l.fatStart) + 4 * l.bigStreamStart[1], 0xFFFFFFFE);
                   },
                   "The workbook is damaged: the stream \"Workbook\" is shorter than its "
                   "directory says."},
        DamageCase{"GiantStreamSize",
                   [](std::string& b, const CfbLayout& l) {
                     put32(b, l.sectorOffset(l.directoryStart) + 2 * 128 + 0x78, 0xFFFFFF00);
                   },
                   "The workbook is damaged: the stream \"Workbook\" is larger than the file."},
        DamageCase{"FileCutInHalf",
                   [](std::string& b, const CfbLayout&) { b.resize(b.size() / 2); },
                   "The workbook is damaged: the stream \"Workbook\" is larger than the file."},
        DamageCase{"NoRootEntry",
                   [](std::string& b, const CfbLayout& l) {
                     b[static_cast<std::size_t>(l.sectorOffset(l.directoryStart)) + 0x42] = 0;
                   },
                   "The workbook is damaged: its directory has no root entry."}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CompoundFile, DifatLoopFails) {
  CfbLayout layout;
  std::string bytes = compoundFile({{u"Workbook", pattern(3000, 1)}}, {9, 240}, &layout);
  const std::uint32_t perDifat = layout.sectorSize / 4 - 1;
  put32(bytes, layout.sectorOffset(layout.difatStart) + 4 * perDifat, layout.difatStart);
  EXPECT_EQ(failureOf(bytes), "The workbook is damaged: its allocation index runs in a loop.");
}

}  // namespace
}  // namespace lomandra::xls
