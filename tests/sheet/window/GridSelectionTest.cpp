#include "sheet/window/GridSelection.h"

#include <gtest/gtest.h>

#include <functional>

namespace lomandra::window {
namespace {

std::string address(const GridSelection& s) { return engine::formatAddress(s.areas()); }

struct GestureCase {
  const char* name;
  std::function<void(GridSelection&)> gestures;
  const char* expected;
};

class GridSelectionGestures : public ::testing::TestWithParam<GestureCase> {};

TEST_P(GridSelectionGestures, GiveTheAddressTheApplicationWrites) {
  GridSelection selection;
  GetParam().gestures(selection);
  EXPECT_EQ(address(selection), GetParam().expected);
}

const GestureCase kGestures[] = {
    {"Initial", [](GridSelection&) {}, "$A$1"},
    {"Click", [](GridSelection& s) { s.select({2, 1}); }, "$B$3"},
    {"DragDownRight", [](GridSelection& s) { s.select({0, 0}); s.extendTo({2, 1}); }, "$A$1:$B$3"},
    {"DragUpLeftIsNormalised", [](GridSelection& s) { s.select({4, 3}); s.extendTo({1, 1}); }, "$B$2:$D$5"},
    {"DragBackToStart", [](GridSelection& s) { s.select({1, 1}); s.extendTo({3, 3}); s.extendTo({1, 1}); }, "$B$2"},
    {"ShiftClickExtendsFromActive", [](GridSelection& s) { s.select({0, 0}); s.extendTo({3, 0}); s.extendTo({1, 2}); }, "$A$1:$C$2"},
    {"CtrlClickAddsArea", [](GridSelection& s) { s.select({0, 0}); s.select({2, 2}, true); }, "$A$1,$C$3"},
    {"CtrlDragAddsArea", [](GridSelection& s) { s.select({0, 0}); s.extendTo({1, 1}); s.select({3, 3}, true); s.extendTo({4, 4}); }, "$A$1:$B$2,$D$4:$E$5"},
    {"PlainClickDropsAreas", [](GridSelection& s) { s.select({0, 0}); s.select({2, 2}, true); s.select({5, 5}); }, "$F$6"},
    {"ColumnLetter", [](GridSelection& s) { s.selectColumn(0); }, "$A:$A"},
    {"ColumnLettersDragged", [](GridSelection& s) { s.selectColumn(1); s.extendTo({0, 3}); }, "$B:$D"},
    {"RowNumber", [](GridSelection& s) { s.selectRow(2); }, "$3:$3"},
    {"RowNumbersDragged", [](GridSelection& s) { s.selectRow(4); s.extendTo({1, 0}); }, "$2:$5"},
    {"CtrlColumnAfterCells", [](GridSelection& s) { s.select({0, 0}); s.extendTo({1, 0}); s.selectColumn(2, true); }, "$A$1:$A$2,$C:$C"},
    {"LastColumnAndRow", [](GridSelection& s) { s.select({1048575, 16383}); }, "$XFD$1048576"},
    {"ClampedBeyondSheet", [](GridSelection& s) { s.select({5000000, 20000}); }, "$XFD$1048576"},
    {"ArrowMovesActive", [](GridSelection& s) { s.move(1, 0, false); s.move(0, 2, false); }, "$C$2"},
    {"ArrowStopsAtEdge", [](GridSelection& s) { s.move(-1, -1, false); }, "$A$1"},
    {"ShiftArrowsExtend", [](GridSelection& s) { s.move(1, 0, true); s.move(1, 0, true); s.move(0, 1, true); }, "$A$1:$B$3"},
    {"ShiftArrowsShrinkBack", [](GridSelection& s) { s.move(2, 0, true); s.move(-1, 0, true); }, "$A$1:$A$2"},
    {"ShiftArrowAfterColumnKeepsWholeColumns", [](GridSelection& s) { s.selectColumn(0); s.move(0, 1, true); }, "$A:$B"},
    {"TypedAreas", [](GridSelection& s) { s.setAreas({{0, 0, 1, 1}, {4, 2, 4, 2}}); }, "$A$1:$B$2,$C$5"},
    {"TypedThenExtended", [](GridSelection& s) { s.setAreas({{0, 0, 0, 0}, {4, 2, 4, 2}}); s.extendTo({5, 3}); }, "$A$1,$C$5:$D$6"},
};

INSTANTIATE_TEST_SUITE_P(Table, GridSelectionGestures, ::testing::ValuesIn(kGestures),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(GridSelection, ActiveCellStaysWhereTheAreaBegan) {
  GridSelection s;
  s.select({3, 3});
  s.extendTo({1, 1});
  EXPECT_EQ(s.active(), (CellPos{3, 3}));
  EXPECT_EQ(s.cursor(), (CellPos{1, 1}));
}

TEST(GridSelection, WholeColumnAndRowTests) {
  EXPECT_TRUE(GridSelection::isWholeColumns({0, 2, 1048575, 2}));
  EXPECT_FALSE(GridSelection::isWholeColumns({0, 2, 1048574, 2}));
  EXPECT_TRUE(GridSelection::isWholeRows({4, 0, 4, 16383}));
  EXPECT_FALSE(GridSelection::isWholeRows({4, 1, 4, 16383}));
}

// An .xls workbook's grid is 65,536 rows by 256 columns: whole columns and rows span it and no
// gesture reaches past it.
TEST(GridSelection, FollowsTheGridOfTheWorkbooksFormat) {
  const model::Grid xls = model::kXlsGrid;
  const GestureCase rows[] = {
      {"Column", [](GridSelection& s) { s.selectColumn(0); }, "$A:$A"},
      {"RowsDragged", [](GridSelection& s) { s.selectRow(2); s.extendTo({4, 300}); }, "$3:$5"},
      {"ClampedToTheLastCell", [](GridSelection& s) { s.select({5000000, 20000}); }, "$IV$65536"},
      {"ArrowStopsAtColumnIV", [](GridSelection& s) { s.select({0, 255}); s.move(0, 1, false); }, "$IV$1"},
      {"EveryRow", [](GridSelection& s) { s.selectRow(0); s.extendTo({65535, 0}); }, "$1:$65536"},
      {"TypedColumnExtendsAsColumns",
       [](GridSelection& s) { s.setAreas({{0, 1, 65535, 1}}); s.extendTo({7, 3}); }, "$B:$D"},
  };
  for (const GestureCase& row : rows) {
    GridSelection selection(xls);
    row.gestures(selection);
    EXPECT_EQ(engine::formatAddress(selection.areas(), xls), row.expected) << row.name;
  }
  EXPECT_TRUE(GridSelection::isWholeColumns({0, 2, 65535, 2}, xls));
  EXPECT_FALSE(GridSelection::isWholeColumns({0, 2, 65535, 2}));
  EXPECT_TRUE(GridSelection::isWholeRows({4, 0, 4, 255}, xls));
}

TEST(GridSelection, EmptyTypedAreasKeepTheSelection) {
  GridSelection s;
  s.select({1, 1});
  s.setAreas({});
  EXPECT_EQ(address(s), "$B$2");
}

}  // namespace
}  // namespace lomandra::window
