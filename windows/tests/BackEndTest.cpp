// The automation back end as a Windows user meets the spreadsheet application: busy, with big
// ranges, several areas on any sheet, error values, merged cells, workbooks that changed on
// open, another language's separators, and a user who opens a workbook during an export.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "FakeClasses.h"
#include "FakeServer.h"
#include "sheet/com/CellAreas.h"
#include "sheet/com/ComAutomation.h"
#include "sheet/com/MessageFilter.h"

namespace {

using namespace lomandra::com;
using fake_test::configure;
using fake_test::journal;
using fake_test::walkTexts;

// "Data" is active when the workbook opens; "Other" is not.
constexpr const char* kBook =
    "sheet\tData\n"
    "grid\t1\t1\t3\n"
    "[\"Name\",\"Qty\",\"Note\"]\n"
    "number\t2\t1\t0.5\tGeneral\t0.5\t0.5\n"
    "number\t2\t2\t3.14159265358979\tGeneral\t3.14\t3.141592654\n"
    "number\t2\t3\t44196\tm/d/yyyy\t12/31/2020\t12/31/2020\n"
    "bool\t3\t1\tTRUE\n"
    "bool\t3\t2\tFALSE\n"
    "error\t3\t3\t#DIV/0!\n"
    "error\t4\t1\t#N/A\n"
    "grid\t5\t1\t3\n"
    "[\"merged\",\"hidden\",\"\"]\n"
    "merge\t5\t1\t5\t3\n"
    "sheet\tOther\n"
    "grid\t1\t1\t2\n"
    "[\"o1\",\"o2\",\"o3\",\"o4\"]\n";

const std::wstring& bookPath() {
  static const std::wstring path = fake_test::writeTempFile(kBook);
  return path;
}

ComApplication opened(const std::wstring& path = bookPath()) {
  ComApplication app = createApplication();
  app.open(path);
  return app;
}

std::string utf8(const std::wstring& text) { return toUtf8(text); }

// The application object itself, to call it as the program no longer does.
Dispatch applicationOf(ComApplication& app) {
  app.dispatch()->AddRef();
  return Dispatch(ComPtr<IDispatch>::adopt(app.dispatch()), L"Application");
}

TEST(FastWalk, GivesWhatEveryCellShowsAsThePlainWalkDoes) {
  struct Row {
    const wchar_t* reference;
    std::vector<std::wstring> texts;
  };
  const Row rows[] = {
      // Error values and Booleans as the application shows them; a merged block's text in its
      // top-left cell only; General numbers as a wide column shows them, dates as they show.
      {L"'Data'!$A$1:$C$5",
       {L"Name", L"Qty", L"Note", L"0.5", L"3.141592654", L"12/31/2020", L"TRUE", L"FALSE", L"#DIV/0!", L"#N/A", L"",
        L"", L"merged", L"", L""}},
      // Areas in turn, overlapping cells twice, as the application enumerates them.
      {L"'Data'!$C$3,$A$1:$B$1,$B$1:$B$2", {L"#DIV/0!", L"Name", L"Qty", L"Qty", L"3.141592654"}},
      // Outside the used range: empty, in place.
      {L"'Data'!$C$4:$D$6", {L"", L"", L"", L"", L"", L""}},
      // A union on a sheet that is not active.
      {L"'Other'!$B$2,$A$1", {L"o4", L"o1"}},
  };
  ComApplication app = opened();
  for (const Row& row : rows) {
    SCOPED_TRACE(utf8(row.reference));
    ComRange range = app.resolve(row.reference);
    EXPECT_EQ(walkTexts(range), row.texts);
    EXPECT_EQ(walkTexts(range, true), row.texts);
  }
  app.quit();
}

TEST(FastWalk, ResolvesUnionsOnTheNamedSheetAndAddressesLongerThanTheApplicationTakes) {
  ComApplication app = opened();
  // The application's own Range applies the sheet to the first area only and takes at most
  // 255 characters: this is what a reference resolved through it met.
  std::wstring longAddress;
  std::vector<std::wstring> expected;
  for (int i = 0; i < 40; ++i) {
    longAddress += (i ? L"," : L"") + std::wstring(i % 2 ? L"$B$2" : L"$A$1:$B$1");
    if (i % 2) expected.push_back(L"o4");
    else expected.insert(expected.end(), {L"o1", L"o2"});
  }
  ASSERT_GT(longAddress.size(), kLongestRangeText);
  const Dispatch application = applicationOf(app);
  for (const std::wstring& text : {std::wstring(L"'Other'!$B$2,$A$1"), L"'Data'!" + longAddress}) {
    std::vector<Variant> args;
    args.push_back(Variant::fromText(text));
    EXPECT_THROW(application.get(L"Range", std::move(args)), ComFailure) << utf8(text);
  }
  ComRange range = app.resolve(L"'Other'!" + longAddress);
  EXPECT_EQ(walkTexts(range), expected);
  EXPECT_EQ(range.sheetName(), L"Other");
  EXPECT_EQ(range.address(), longAddress);
  app.quit();
}

TEST(FastWalk, AsksLittleMoreThanTwoCallsPerFilledCellAndNothingPerEmptyOne) {
  constexpr long kRows = 20, kColumns = 20;  // 400 cells, 200 of them filled
  ComApplication app = opened(fake_test::writeTempFile(fake_test::mixedSheet(kRows, kColumns)));
  configure(app, L"latency=200;reset");
  ComRange range = app.resolve(L"'Big'!$A$1:$T$20");
  ULONGLONG start = GetTickCount64();
  const std::vector<std::wstring> fast = walkTexts(range);
  const fake_test::Counters counted = fake_test::counters(app);
  std::printf("fast walk: %llu ms\n", GetTickCount64() - start);
  ASSERT_EQ(fast.size(), static_cast<std::size_t>(kRows * kColumns));
  const long filled = static_cast<long>(std::count_if(fast.begin(), fast.end(), [](const auto& t) { return !t.empty(); }));
  EXPECT_EQ(filled, kRows * kColumns / 2);
  const double perFilled = static_cast<double>(counted.roundTrips()) / filled;
  std::printf("fast walk: %ld round trips for %ld filled cells: %.3f per filled cell\n", counted.roundTrips(), filled, perFilled);
  EXPECT_LE(perFilled, 2.5);

  // The same texts as asking every cell, which costs several calls a cell (the first five rows).
  configure(app, L"reset");
  start = GetTickCount64();
  ComRange top = app.resolve(L"'Big'!$A$1:$T$5");
  EXPECT_EQ(walkTexts(top, true), std::vector<std::wstring>(fast.begin(), fast.begin() + 5 * kColumns));
  EXPECT_GT(fake_test::counters(app).roundTrips(), 4 * 5 * kColumns / 2);
  std::printf("plain walk: %ld round trips, %llu ms\n", fake_test::counters(app).roundTrips(), GetTickCount64() - start);
  start = GetTickCount64();

  // A whole column: a million cells, all but 60 outside the used range, asked nothing.
  configure(app, L"latency=200;reset");
  ComRange column = app.resolve(L"'Big'!$C:$C");
  const std::vector<std::wstring> texts = walkTexts(column);
  const fake_test::Counters columnCounted = fake_test::counters(app);
  ASSERT_EQ(texts.size(), 1048576u);
  for (long r = 0; r < kRows; ++r) EXPECT_EQ(texts[static_cast<std::size_t>(r)], fast[static_cast<std::size_t>(r * kColumns + 2)]);
  const auto empty = std::count(texts.begin(), texts.end(), std::wstring());
  EXPECT_EQ(empty, 1048576 - kRows / 2);
  std::printf("whole column: %ld round trips for %ld empty cells, %llu ms\n", columnCounted.roundTrips(),
              static_cast<long>(empty), GetTickCount64() - start);
  EXPECT_LE(static_cast<double>(columnCounted.roundTrips()) / static_cast<double>(empty), 0.01);
  app.quit();
}

TEST(BusyApplication, RejectedCallsAreRetriedAndALongBusySpellFailsTheStepOnce) {
  EXPECT_EQ(busyBound(), std::chrono::milliseconds(60000));
  EXPECT_EQ(busyRetryDelay(0), 10u);
  EXPECT_TRUE(busyRetryDelay(59999));
  EXPECT_FALSE(busyRetryDelay(60000));

  ComApplication app = opened();
  ComRange range = app.resolve(L"'Data'!$A$1:$B$1");
  // The first three Text calls are rejected: the walk still gives every text.
  configure(app, L"busy=Text:3;reset");
  EXPECT_EQ(walkTexts(range), (std::vector<std::wstring>{L"Name", L"Qty"}));
  EXPECT_EQ(fake_test::counters(app).rejected, 3);

  // Busy for a while (a dialog open): every call waits, then goes through.
  configure(app, L"busyfor=700");
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(walkTexts(range), (std::vector<std::wstring>{L"Name", L"Qty"}));
  EXPECT_GE(GetTickCount64() - start, 600u);

  // Busy for longer than the bound: the step fails once, saying why, and not before the bound.
  setBusyBound(std::chrono::milliseconds(1000));
  configure(app, L"busyfor=4000");
  start = GetTickCount64();
  try {
    app.resolve(L"'Data'!$A$1");
    ADD_FAILURE() << "no failure";
  } catch (const ComFailure& e) {
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, 1000u);
    EXPECT_LT(waited, 3500u);
    EXPECT_TRUE(isBusyRejection(e.code()));
    EXPECT_NE(std::string(e.what()).find("stayed busy for 1 seconds and did not take the call"), std::string::npos)
        << e.what();
  }
  setBusyBound(std::chrono::milliseconds(60000));
  Sleep(3200);
  EXPECT_EQ(walkTexts(range), (std::vector<std::wstring>{L"Name", L"Qty"}));  // free again
  app.quit();
}

TEST(Quit, ClosesAChangedWorkbookUnsavedSoNoQuestionKeepsTheProcess) {
  const std::wstring volatilePath = fake_test::writeTempFile(std::string("volatile\n") + kBook);
  ComApplication app = opened(volatilePath);
  const unsigned long pid = fake_test::processId(app);
  // Told to quit as it is, the instance asks about saving and stays running.
  applicationOf(app).call(L"Quit");
  EXPECT_NE(journal(app).find(L"(question: save changes to "), std::wstring::npos);
  EXPECT_FALSE(fake_test::processEnds(pid, 700));
  app.quit();
  EXPECT_TRUE(fake_test::processEnds(pid, 10000));
}

TEST(Quit, LeavesAShownInstancesQuestionsToTheUser) {
  ComApplication app = opened(fake_test::writeTempFile(std::string("volatile\n") + kBook));
  const unsigned long pid = fake_test::processId(app);
  app.show();  // the user sees the workbook and may have changed it: the question is theirs
  app.quit();
  const std::wstring calls = journal(app);
  EXPECT_EQ(calls.find(L"Workbook.Close"), std::wstring::npos) << utf8(calls);
  EXPECT_NE(calls.find(L"(question: save changes to "), std::wstring::npos) << utf8(calls);
  fake_test::endProcess(pid);
}

HRESULT recordGrant(IUnknown* object);
std::wstring grantedWhile;  // the fake's journal when the grant was given
HRESULT recordGrant(IUnknown* object) {
  IDispatch* application = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&application)))) {
    grantedWhile = L"granted after: " + journal(application);
    application->Release();
  }
  return S_OK;
}

TEST(PickRange, LetsTheApplicationComeToTheFrontBeforeTheRangeBox) {
  ComApplication app = opened();
  configure(app, L"pick='Other'!$A$1:$B$1,$B$2;reset");  // a selection on a sheet the user went to
  app.show();
  setForegroundGrant(&recordGrant);
  std::optional<ComRange> picked = app.pickRange(L"Please select range");
  setForegroundGrant(nullptr);
  ASSERT_TRUE(picked);
  EXPECT_NE(grantedWhile.find(L"Application.Visible=True"), std::wstring::npos) << utf8(grantedWhile);
  EXPECT_EQ(grantedWhile.find(L"InputBox"), std::wstring::npos) << utf8(grantedWhile);
  EXPECT_EQ(picked->sheetName(), L"Other");
  EXPECT_EQ(picked->address(), L"$A$1:$B$1,$B$2");
  app.quit();
}

TEST(Export, NumbersInTheApplicationsLanguageAndIntoTheWorkbookItAdded) {
  ComApplication app = createApplication();
  configure(app, L"systemseparators=0;decimal=,;thousands=.");
  EXPECT_EQ(app.separators().decimal, L",");
  EXPECT_EQ(app.separators().thousands, L".");
  app.add();
  app.show();
  const std::vector<std::wstring> texts = {L"Result(s)", L"1,5", L"1.5", L"1.234", L"-4,25", L"12", L"1,50", L"0,5"};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    // The user opens a workbook of their own half-way through: it becomes the active one.
    if (i == 4) configure(app, L"systemseparators=0;decimal=,;thousands=.;open=" + bookPath());
    app.writeShown(static_cast<long>(i) + 1, 1, texts[i]);
  }
  app.fit();
  const std::wstring calls = journal(app);
  for (const wchar_t* expected : {L"Range($A$2).Value=R8:1.5\n", L"Range($A$3).Value=\"'1.5\"\n",
                                  L"Range($A$4).Value=\"'1.234\"\n", L"Range($A$5).Value=R8:-4.25\n",
                                  L"Range($A$6).Value=R8:12\n", L"Range($A$7).Value=\"'1,50\"\n", L"Columns.AutoFit()\n"})
    EXPECT_NE(calls.find(expected), std::wstring::npos) << utf8(expected) << utf8(calls);
  // The user's workbook, active now, got none of the texts: its column A is as it was.
  ComRange theirs = app.resolve(L"'Data'!$A$4:$A$8");
  EXPECT_EQ(walkTexts(theirs), (std::vector<std::wstring>{L"#N/A", L"merged", L"", L"", L""}));
  EXPECT_THROW(app.resolve(L"'Sheet1'!$A$1"), ComFailure);  // and it has no Sheet1
  // Every text went into the workbook the export added, which shows exactly the merged texts.
  configure(app, L"activate=1");
  ComRange added = app.resolve(L"'Sheet1'!$A$1:$A$8");
  EXPECT_EQ(walkTexts(added), texts);
  EXPECT_EQ(walkTexts(added, true), texts);
}

TEST(CellAreas, ReadAddressesAndCutLongOnes) {
  struct Row {
    const wchar_t* address;
    std::optional<std::vector<CellArea>> areas;
  };
  const Row rows[] = {
      {L"$A$1", std::vector<CellArea>{{1, 1, 1, 1}}},
      {L"$B$4:$A$2", std::vector<CellArea>{{2, 1, 4, 2}}},
      {L"A1:C3,$XFD$1048576", std::vector<CellArea>{{1, 1, 3, 3}, {1048576, 16384, 1048576, 16384}}},
      {L"$C:$A", std::vector<CellArea>{{1, 1, 0, 3}}},
      {L"$3:$5", std::vector<CellArea>{{3, 1, 5, 0}}},
      {L"$A", std::nullopt},  {L"$3", std::nullopt},   {L"$A:$3", std::nullopt}, {L"$A$0", std::nullopt},
      {L"$XFE$1", std::nullopt}, {L"$A$1048577", std::nullopt}, {L"", std::nullopt}, {L"$A$1,", std::nullopt},
      {L"R1C1", std::nullopt}, {L"Name", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(parseAddress(row.address), row.areas) << utf8(row.address);

  EXPECT_EQ(bounded({1, 1, 0, 3}, 65536, 256), (CellArea{1, 1, 65536, 3}));
  EXPECT_EQ(overlap({1, 1, 10, 10}, {5, 8, 20, 20}), (CellArea{5, 8, 10, 10}));
  EXPECT_FALSE(overlap({1, 1, 2, 2}, {3, 1, 4, 4}));
  EXPECT_EQ(areaAddress({2, 1, 4, 28}), L"$A$2:$AB$4");
  EXPECT_EQ(areaAddress({7, 3, 7, 3}), L"$C$7");

  EXPECT_EQ(addressGroups(L"$A$1,$B$2"), (std::vector<std::wstring>{L"$A$1,$B$2"}));
  EXPECT_EQ(addressGroups(L"$A$1,$B$2,$C$3", 9), (std::vector<std::wstring>{L"$A$1,$B$2", L"$C$3"}));
  EXPECT_EQ(addressGroups(L"$A$1:$B$2,$C$3", 4), (std::vector<std::wstring>{L"$A$1:$B$2", L"$C$3"}));
  std::wstring many;
  for (int i = 0; i < 200; ++i) many += (i ? L"," : L"") + areaAddress({i + 1, 1, i + 1, 3});
  std::wstring joined;
  for (const std::wstring& group : addressGroups(many)) {
    EXPECT_LE(group.size(), kLongestRangeText);
    joined += (joined.empty() ? L"" : L",") + group;
  }
  EXPECT_EQ(joined, many);
}

TEST(GeneralText, UsesTheApplicationsDecimalSeparator) {
  EXPECT_EQ(generalText(1.5, L","), L"1,5");
  EXPECT_EQ(generalText(3.14159265358979, L"."), L"3.141592654");
  EXPECT_EQ(generalText(-1234567, L","), L"-1234567");
  EXPECT_EQ(generalText(1e20, L","), L"1E+20");
}

}  // namespace
