#include "app/core/EntryList.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>

#include "sheet/Failure.h"

namespace lomandra {
namespace {

TEST(EntryList, AppendsAreVisibleAtOnceAndAnnouncedInOneBatch) {
  EntryList list(QStringLiteral("Result(s)"), true);
  QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
  int inserts = 0;
  QObject::connect(&list, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
  for (int i = 0; i < 1000; ++i) list.add(QString::number(i));
  EXPECT_EQ(list.count(), 1000);
  EXPECT_EQ(list.text(1000), QStringLiteral("999"));
  EXPECT_EQ(list.rowCount(), 0);  // not yet announced
  QCoreApplication::processEvents();
  EXPECT_EQ(list.rowCount(), 1000);
  EXPECT_EQ(inserts, 1);
}

TEST(EntryList, NewEntriesReadAsCheckedAndTheUserMayClearThem) {
  EntryList list(QStringLiteral("Result(s)"), true);
  list.add(QStringLiteral("a"));
  list.flush();
  EXPECT_TRUE(list.checked(1));
  EXPECT_EQ(list.data(list.index(0), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_TRUE(list.flags(list.index(0)) & Qt::ItemIsUserCheckable);
  EXPECT_TRUE(list.setData(list.index(0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_FALSE(list.checked(1));
}

TEST(EntryList, RangeListHasNoCheckBoxes) {
  EntryList list(QStringLiteral("Range(s)"), false);
  list.add(QStringLiteral("'Sheet1'!$A$1"));
  list.flush();
  EXPECT_FALSE(list.data(list.index(0), Qt::CheckStateRole).isValid());
  EXPECT_FALSE(list.flags(list.index(0)) & Qt::ItemIsUserCheckable);
  EXPECT_EQ(list.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Range(s)"));
}

TEST(EntryList, RemoveClosesTheGapAndMissingEntriesFail) {
  EntryList list(QStringLiteral("Range(s)"), false);
  QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (const char* t : {"a", "b", "c"}) list.add(QString::fromUtf8(t));
  list.remove(1);  // removal announces pending rows first
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.rowCount(), 2);
  EXPECT_EQ(list.text(1), QStringLiteral("b"));
  EXPECT_THROW(list.remove(3), Failure);
  EXPECT_THROW(list.text(0), Failure);
  EXPECT_THROW(list.text(1, 2), Failure);
  EXPECT_THROW(list.checked(5), Failure);
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.rowCount(), 0);
}

}  // namespace
}  // namespace lomandra

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
