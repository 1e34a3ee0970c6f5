#include "FakeServer.h"

#include <cstdio>
#include <fstream>

#include "FakeClasses.h"
#include "FakeWorkbook.h"

namespace fake_test {

using lomandra::com::ComPtr;
using lomandra::com::Dispatch;
using lomandra::com::Variant;

namespace {

Dispatch control(IDispatch* raw) {
  raw->AddRef();
  return Dispatch(ComPtr<IDispatch>::adopt(raw), L"Fake");
}

long field(const std::wstring& text, const std::wstring& name) {
  const std::size_t at = text.find(name + L"=");
  return at == std::wstring::npos ? -1 : std::stol(text.substr(at + name.size() + 1));
}

}  // namespace

void configure(lomandra::com::ComApplication& application, const std::wstring& switches) {
  control(application.dispatch()).put(fake::kControlMember, Variant::fromText(switches));
}

std::wstring journal(IDispatch* application) {
  return lomandra::com::textOf(control(application).get(fake::kControlMember), L"journal");
}

std::wstring journal(lomandra::com::ComApplication& application) { return journal(application.dispatch()); }

unsigned long processId(lomandra::com::ComApplication& application) {
  const Variant pid = control(application.dispatch()).get(fake::kProcessIdMember);
  return static_cast<unsigned long>(V_I4(pid.get()));
}

Counters counters(lomandra::com::ComApplication& application) {
  const std::wstring text = lomandra::com::textOf(control(application.dispatch()).get(fake::kCountersMember), L"counters");
  return {field(text, L"ids"), field(text, L"invokes"), field(text, L"enum"), field(text, L"rejected"),
          field(text, L"released")};
}

bool processEnds(unsigned long pid, unsigned long milliseconds) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;  // already gone
  const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

void endProcess(unsigned long pid) {
  if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
    TerminateProcess(process, 0);
    CloseHandle(process);
  }
}

std::wstring writeTempFile(const std::string& content) {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"lom", 0, path);
  std::ofstream(fake::narrow(path), std::ios::binary) << content;
  return path;
}

std::vector<std::wstring> walkTexts(lomandra::com::ComRange& range, bool eachCell) {
  std::vector<std::wstring> texts;
  const std::unique_ptr<lomandra::com::ComCellWalk> walk = eachCell ? range.walkEachCell() : range.walk();
  while (walk->next()) texts.push_back(walk->text());
  return texts;
}

std::string mixedSheet(long rows, long columns) {
  std::string book = "sheet\tBig\n";
  char line[160];
  for (long r = 1; r <= rows; ++r)
    for (long c = 1; c <= columns; ++c) {
      const long k = (r * 7 + c * 3) % 4;
      if (k == 1) {
        std::snprintf(line, sizeof line, "number\t%ld\t%ld\t%ld.25\tGeneral\t%ld.25\t%ld.25\n", r, c, r * c, r * c, r * c);
        book += line;
      } else if (k == 2) {
        std::snprintf(line, sizeof line, "grid\t%ld\t%ld\t1\n[\"t%ld.%ld\"]\n", r, c, r, c);
        book += line;
      }
    }
  return book;
}

}  // namespace fake_test
