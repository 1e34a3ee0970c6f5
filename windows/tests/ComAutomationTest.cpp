// The COM automation core against the fake spreadsheet application in its own process: every
// operation across the process boundary, and every way it can fail.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakeClasses.h"
#include "FakeServer.h"
#include "sheet/com/ComAutomation.h"

namespace {

using namespace lomandra::com;
using fake_test::configure;
using fake_test::journal;
using fake_test::walkTexts;

// Data!D1 has no wide text, so TEXT() fails for it and the cell keeps what it shows.
constexpr const char* kBook =
    "sheet\tData\n"
    "grid\t1\t1\t3\n"
    "[\"Name\",\"Qty\",\"Note\",\"Ada\",\"\",\"\",\"x\"]\n"
    "number\t2\t2\t1234.5\t#,##0.00\t########\t1,234.50\n"
    "number\t3\t2\t3.14159265358979\tGeneral\t3.14\t3.141592654\n"
    "number\t3\t3\t42\t0\t42\t42\n"
    "number\t1\t4\t7\t0.0\t###\t\n"
    "sheet\tO'Brien\n"
    "grid\t1\t1\t1\n"
    "[\"quoted\"]\n"
    "sheet\ta''b\n"
    "grid\t1\t1\t1\n"
    "[\"two quotes\"]\n";

std::string narrowText(const std::wstring& text) { return toUtf8(text); }

class ComAutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const std::wstring path = fake_test::writeTempFile(kBook);
    bookPath = path;
  }
  // A new instance with the test workbook open.
  ComApplication opened(const std::wstring& switches = L"") {
    ComApplication app = createApplication();
    if (!switches.empty()) configure(app, switches);
    app.open(bookPath);
    return app;
  }
  std::wstring bookPath;
};

TEST_F(ComAutomationTest, CreateReadsTheDefaultMemberAndQuitEndsTheProcess) {
  ComApplication app = createApplication();
  EXPECT_EQ(app.name(), L"Microsoft Excel");
  const unsigned long pid = fake_test::processId(app);
  app.quit();
  EXPECT_TRUE(fake_test::processEnds(pid, 10000));
}

TEST_F(ComAutomationTest, ReleasedInstanceIsNotToldToQuit) {
  unsigned long pid = 0;
  {
    ComApplication app = createApplication();
    pid = fake_test::processId(app);
  }
  EXPECT_FALSE(fake_test::processEnds(pid, 500));  // still running: released, not quit
  fake_test::endProcess(pid);
}

TEST_F(ComAutomationTest, AttachFindsTheRunningInstanceThroughTheRunningObjectTable) {
  ComApplication app = createApplication();
  configure(app, L"name=Another Spreadsheet");
  ComApplication attached = attachApplication();
  EXPECT_EQ(attached.name(), L"Another Spreadsheet");
  app.quit();
}

TEST_F(ComAutomationTest, CreateAndAttachFailWithTheSystemsText) {
  struct Row {
    const char* name;
    std::function<void()> run;
    HRESULT code;
  };
  const Row rows[] = {
      {"create unregistered", [] { createApplication(L"Lomandra.NoSuchClass"); }, CO_E_CLASSSTRING},
      {"attach unregistered", [] { attachApplication(L"Lomandra.NoSuchClass"); }, CO_E_CLASSSTRING},
      {"attach none running", [] { attachApplication(fake::kIdleClassName); }, MK_E_UNAVAILABLE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.run();
      ADD_FAILURE() << "no failure";
    } catch (const ComFailure& e) {
      EXPECT_EQ(e.code(), row.code);
      EXPECT_EQ(narrowText(describeHresult(row.code)).empty(), false);
      EXPECT_NE(std::string(e.what()).find(narrowText(describeHresult(row.code))), std::string::npos) << e.what();
    }
  }
}

TEST_F(ComAutomationTest, OpenPassesThePathAsItsSoleArgument) {
  ComApplication app = opened();
  EXPECT_NE(journal(app).find(L"Workbooks.Open(\"" + bookPath + L"\")\n"), std::wstring::npos) << narrowText(journal(app));
  try {
    app.open(L"C:\\no such folder\\book.xls ");
    ADD_FAILURE() << "no failure";
  } catch (const ComFailure& e) {
    EXPECT_STREQ(e.what(), "Workbooks.Open failed: Sorry, we couldn't find C:\\no such folder\\book.xls . "
                           "Is it possible it was moved, renamed or deleted?");
  }
  app.quit();
}

TEST_F(ComAutomationTest, PickRangeUsesNamedArgumentsAndCancelGivesNone) {
  ComApplication app = opened(L"pick='O''Brien'!$A$1");
  app.show();
  std::optional<ComRange> picked = app.pickRange(L"Please select range");
  ASSERT_TRUE(picked);
  EXPECT_EQ(picked->sheetName(), L"O'Brien");
  EXPECT_EQ(picked->address(), L"$A$1");
  const std::wstring calls = journal(app);
  EXPECT_NE(calls.find(L"Application.Visible=True\n"), std::wstring::npos);
  EXPECT_NE(calls.find(L"Application.InputBox(Prompt=\"Please select range\",Type=8)\n"), std::wstring::npos)
      << narrowText(calls);
  configure(app, L"cancel");
  EXPECT_FALSE(app.pickRange(L"Please select range"));
  app.quit();
}

TEST_F(ComAutomationTest, ResolveAndWalkGiveTheTextsAsShownInWideColumns) {
  struct Row {
    const wchar_t* reference;
    std::vector<std::wstring> texts;
  };
  const Row rows[] = {
      // "####" and the shortened General number come out as the wide column shows them;
      // D1's TEXT() fails, so it keeps what it shows.
      {L"'Data'!$A$1:$D$3",
       {L"Name", L"Qty", L"Note", L"###", L"Ada", L"1,234.50", L"", L"", L"x", L"3.141592654", L"42", L""}},
      {L"'O'Brien'!$A$1", {L"quoted"}},   // the name as the workbook has it
      {L"'a''b'!$A$1", {L"two quotes"}},  // two apostrophes in a row are two apostrophes
      {L"'Data'!$A$1,$C$3:$C$3", {L"Name", L"42"}},
      {L"Data!B2", {L"1,234.50"}},
      {L"$A$1:$B$1", {L"Name", L"Qty"}},  // no sheet: the active one
  };
  ComApplication app = opened();
  for (const Row& row : rows) {
    SCOPED_TRACE(narrowText(row.reference));
    ComRange range = app.resolve(row.reference);
    EXPECT_EQ(walkTexts(range), row.texts);
    EXPECT_EQ(walkTexts(range, true), row.texts);
  }
  // A sheet whose name differs (a'b is not a''b) is not found, and the failure says which.
  for (const wchar_t* missing : {L"'a'b'!$A$1", L"'O''Brien'!$A$1"}) {
    try {
      app.resolve(missing);
      ADD_FAILURE() << "no failure for " << narrowText(missing);
    } catch (const ComFailure& e) {
      EXPECT_NE(std::string(e.what()).find("no worksheet named"), std::string::npos) << e.what();
    }
  }
  app.quit();
}

TEST_F(ComAutomationTest, WriteKeepsTextsLiteralAndFitSizesTheColumns) {
  ComApplication app = createApplication();
  app.add();
  app.show();
  app.write(1, 1, std::wstring(L"Result(s)"));
  app.write(2, 1, 123.0);
  app.write(3, 1, std::wstring(L"00123"));
  app.write(4, 1, std::wstring(L"=A1"));
  app.write(5, 2, std::wstring(L"'quoted"));
  app.fit();
  const std::wstring calls = journal(app);
  for (const wchar_t* expected :
       {L"Workbooks.Add()\n", L"Range($A$2).Value=R8:123\n", L"Range($A$3).Value=\"'00123\"\n",
        L"Range($A$4).Value=\"'=A1\"\n", L"Range($B$5).Value=\"''quoted\"\n", L"Columns.AutoFit()\n"})
    EXPECT_NE(calls.find(expected), std::wstring::npos) << narrowText(expected) << narrowText(calls);
  ComRange written = app.resolve(L"'Sheet1'!$A$1:$B$5");
  EXPECT_EQ(walkTexts(written), (std::vector<std::wstring>{L"Result(s)", L"", L"123", L"", L"00123", L"", L"=A1",
                                                           L"", L"", L"'quoted"}));
  app.quit();
}

// Each operation against a fake told to fail the member it calls: the application's
// description (EXCEPINFO) reaches the caller, and a bare HRESULT gets the system's text.
TEST_F(ComAutomationTest, EveryOperationFailsWithADescription) {
  using Operation = std::function<void(ComApplication&)>;
  auto picked = [](ComApplication& app) { return *app.pickRange(L"Please select range"); };
  struct Row {
    const wchar_t* member;
    const char* action;
    Operation run;
  };
  const Row rows[] = {
      {L"Name", "Application.[default member]", [](ComApplication& a) { a.name(); }},
      {L"Workbooks", "Application.Workbooks", [](ComApplication& a) { a.add(); }},
      {L"Open", "Workbooks.Open", [](ComApplication& a) { a.open(L"x"); }},
      {L"Add", "Workbooks.Add", [](ComApplication& a) { a.add(); }},
      {L"Visible", "Application.Visible", [](ComApplication& a) { a.show(); }},
      {L"InputBox", "Application.InputBox", [=](ComApplication& a) { picked(a); }},
      {L"Worksheet", "InputBox.Worksheet", [=](ComApplication& a) { picked(a).sheetName(); }},
      {L"Address", "InputBox.Address", [=](ComApplication& a) { picked(a).address(); }},
      {L"Range", "Worksheet.Range", [](ComApplication& a) { a.resolve(L"'Data'!$A$1"); }},
      {L"_NewEnum", "Range._NewEnum", [](ComApplication& a) { a.resolve(L"'Data'!$A$1").walkEachCell(); }},
      {L"Address", "Range.Address", [](ComApplication& a) { a.resolve(L"'Data'!$A$1").walk(); }},
      {L"Text", "Cell.Text",
       [](ComApplication& a) {
         const std::unique_ptr<ComCellWalk> w = a.resolve(L"'Data'!$A$1").walk();
         w->next();
         w->text();
       }},
      {L"ActiveSheet", "Application.ActiveSheet", [](ComApplication& a) { a.write(1, 1, 1.0); }},
      {L"Cells", "ActiveSheet.Cells", [](ComApplication& a) { a.write(1, 1, 1.0); }},
      {L"Value", "Cells.Value", [](ComApplication& a) { a.write(1, 1, std::wstring(L"x")); }},
      {L"Columns", "ActiveSheet.Columns", [](ComApplication& a) { a.fit(); }},
      {L"AutoFit", "Columns.AutoFit", [](ComApplication& a) { a.fit(); }},
      {L"Quit", "Application.Quit", [](ComApplication& a) { a.quit(); }},
  };
  ComApplication app = opened();
  for (const Row& row : rows) {
    SCOPED_TRACE(narrowText(row.member));
    for (const bool withDescription : {true, false}) {
      configure(app, std::wstring(withDescription ? L"fail=" : L"plain=") + row.member);
      try {
        row.run(app);
        ADD_FAILURE() << "no failure";
      } catch (const ComFailure& e) {
        const std::string expected =
            std::string(row.action) + " failed: " +
            (withDescription ? "Fake failure of " + narrowText(row.member) + "." : narrowText(describeHresult(E_ACCESSDENIED)));
        EXPECT_EQ(e.what(), expected);
      }
    }
  }
  configure(app, L"");
  app.quit();
}

TEST_F(ComAutomationTest, AServerThatDiesMidWalkFailsTheNextCallWithADescription) {
  ComApplication app = opened(L"die=2");
  const unsigned long pid = fake_test::processId(app);
  const std::unique_ptr<ComCellWalk> walk = app.resolve(L"'Data'!$A$1:$C$1").walk();
  ASSERT_TRUE(walk->next());
  EXPECT_EQ(walk->text(), L"Name");
  ASSERT_TRUE(walk->next());
  EXPECT_EQ(walk->text(), L"Qty");
  const ULONGLONG start = GetTickCount64();
  try {
    walk->next();
    walk->text();
    ADD_FAILURE() << "no failure";
  } catch (const ComFailure& e) {
    EXPECT_GT(std::string(e.what()).size(), std::string("Cell.Text failed: ").size()) << e.what();
    std::printf("server died: %s\n", e.what());
  }
  EXPECT_LT(GetTickCount64() - start, 60000u);  // fails at once; the bound only catches a hang
  EXPECT_TRUE(fake_test::processEnds(pid, 5000));
}

TEST(SplitReference, TakesTheSheetNameAsTheWorkbookHasIt) {
  struct Row {
    const wchar_t* reference;
    std::optional<std::wstring> sheet;
    const wchar_t* address;
  };
  const Row rows[] = {
      {L"'Data'!$A$1", L"Data", L"$A$1"},
      {L"'O'Brien'!$A$1:$B$2", L"O'Brien", L"$A$1:$B$2"},
      {L"'a''b'!$A$1", L"a''b", L"$A$1"},           // stored undoubled: two apostrophes are two
      {L"'it's a 'test''!$A$1", L"it's a 'test'", L"$A$1"},
      {L"'x'!y'!$B$2,$C$3", L"x'!y", L"$B$2,$C$3"},  // the name runs to the last "'!"
      {L"Data!A1", L"Data", L"A1"},
      {L"$A$1", std::nullopt, L"$A$1"},
      {L"'no close", std::nullopt, L"'no close"},
      {L"", std::nullopt, L""},
  };
  for (const Row& row : rows) {
    const SplitReference split = splitReference(row.reference);
    EXPECT_EQ(split.sheet, row.sheet) << narrowText(row.reference);
    EXPECT_EQ(split.address, row.address) << narrowText(row.reference);
  }
}

TEST(NarrowColumnText, IsARunOfHashes) {
  EXPECT_TRUE(isNarrowColumnText(L"#"));
  EXPECT_TRUE(isNarrowColumnText(L"########"));
  EXPECT_FALSE(isNarrowColumnText(L""));
  EXPECT_FALSE(isNarrowColumnText(L"#N/A"));
  EXPECT_FALSE(isNarrowColumnText(L"# 1"));
}

}  // namespace
