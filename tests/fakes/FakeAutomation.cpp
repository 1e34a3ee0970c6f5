#include "tests/fakes/FakeAutomation.h"

#include "sheet/Failure.h"

namespace lomandra::fakes {

namespace {

class FakeWalk : public sheet::CellWalk {
 public:
  FakeWalk(FakeAutomation& fake, int instance, QStringList texts)
      : fake_(fake), instance_(instance), texts_(std::move(texts)) {}
  bool next() override {
    fake_.call(QStringLiteral("next"), instance_);
    return ++position_ < texts_.size();
  }
  QString text() override {
    const QString& value = texts_.at(position_);
    fake_.call(QStringLiteral("text"), instance_, value);
    if (fake_.failingTexts.count(value)) throw Failure("Cell text cannot be read.");
    return value;
  }

 private:
  FakeAutomation& fake_;
  int instance_;
  QStringList texts_;
  qsizetype position_ = -1;
};

class FakeRange : public sheet::Range {
 public:
  FakeRange(FakeAutomation& fake, int instance, QString sheet, QString address, QStringList texts)
      : fake_(fake), instance_(instance), sheet_(std::move(sheet)), address_(std::move(address)),
        texts_(std::move(texts)) {}
  QString sheetName() override {
    fake_.call(QStringLiteral("sheetName"), instance_);
    return sheet_;
  }
  QString address() override {
    fake_.call(QStringLiteral("address"), instance_);
    return address_;
  }
  std::unique_ptr<sheet::CellWalk> walk() override {
    fake_.call(QStringLiteral("walk"), instance_);
    return std::make_unique<FakeWalk>(fake_, instance_, texts_);
  }

 private:
  FakeAutomation& fake_;
  int instance_;
  QString sheet_, address_;
  QStringList texts_;
};

class FakeApplication : public sheet::Application {
 public:
  FakeApplication(FakeAutomation& fake, int instance, QString name)
      : fake_(fake), instance_(instance), name_(std::move(name)) {}
  ~FakeApplication() override {
    ++fake_.released;
    fake_.log << QStringLiteral("release#%1").arg(instance_);
  }
  QString name() override {
    fake_.call(QStringLiteral("name"), instance_);
    return name_;
  }
  void open(const QString& path) override {
    fake_.call(QStringLiteral("open"), instance_, path);
    if (!fake_.workbooks.count(path)) throw Failure("The file cannot be opened as a workbook.");
    path_ = path;
  }
  void add() override { fake_.call(QStringLiteral("add"), instance_); }
  void show() override { fake_.call(QStringLiteral("show"), instance_); }
  std::unique_ptr<sheet::Range> pickRange(const QString& prompt) override {
    fake_.call(QStringLiteral("pickRange"), instance_, prompt);
    if (fake_.pickCancels) return nullptr;
    return std::make_unique<FakeRange>(fake_, instance_, fake_.pickedSheet, fake_.pickedAddress,
                                       QStringList{});
  }
  std::unique_ptr<sheet::Range> resolve(const QString& reference) override {
    fake_.call(QStringLiteral("resolve"), instance_, reference);
    if (path_.isNull()) throw Failure("No workbook is open.");
    const auto& refs = fake_.workbooks[path_];
    const auto found = refs.find(reference);
    if (found == refs.end()) throw Failure("The reference does not name a range of this workbook.");
    return std::make_unique<FakeRange>(fake_, instance_, QString(), QString(), found->second);
  }
  void write(int row, int column, const QString& text) override {
    fake_.call(QStringLiteral("write"), instance_,
               QStringLiteral("%1,%2 %3").arg(row).arg(column).arg(text));
    if (fake_.sheetRows > 0 && row > fake_.sheetRows)
      throw OutsideSheet(static_cast<std::uint32_t>(fake_.sheetRows), 16384);
    fake_.written.push_back({instance_, row, column, text});
  }
  void fit() override { fake_.call(QStringLiteral("fit"), instance_); }
  void quit() override {
    fake_.call(QStringLiteral("quit"), instance_);
    ++fake_.quit;
  }

 private:
  FakeAutomation& fake_;
  int instance_;
  QString name_;
  QString path_;
};

}  // namespace

void FakeAutomation::call(const QString& operation, int instance, const QString& argument) {
  QString line = operation + QLatin1Char('#') + QString::number(instance);
  if (!argument.isNull()) line += QLatin1Char(' ') + argument;
  log << line;
  if (beforeCall) beforeCall(line);
  if (failing.count(operation)) throw Failure(("Scripted failure of " + operation).toStdString());
}

std::unique_ptr<sheet::Application> FakeAutomation::create() {
  call(QStringLiteral("create"), created + 1);
  ++created;
  return std::make_unique<FakeApplication>(*this, created, QStringLiteral("Fake Spreadsheet"));
}

std::unique_ptr<sheet::Application> FakeAutomation::attach() {
  call(QStringLiteral("attach"), 0);
  if (!running) throw Failure("No spreadsheet application is running.");
  return std::make_unique<FakeApplication>(*this, 0, runningName);
}

}  // namespace lomandra::fakes
