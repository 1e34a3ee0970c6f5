#include "sheet/xlsx/SharedStringTable.h"

#include <algorithm>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/xlsx/XlsxValues.h"

namespace lomandra::xlsx {

// Collects <si> items: the text of <t> elements, directly or in rich-text runs <r>, leaving out
// the phonetic runs <rPh> (and the phonetic properties) that East Asian workbooks carry.
class SharedStringsHandler : public container::XmlHandler {
 public:
  SharedStringsHandler(SharedStringTable& table, std::size_t wanted)
      : table_(table), wanted_(wanted) {
    namespaces = kSpreadsheetNamespaces;
  }

  void startElement(std::string_view name, const char**) override {
    if (name == "si") {
      inItem_ = true;
      text_.clear();
    } else if (name == "rPh") {
      ++phonetic_;
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
      inText_ = true;
    }
  }
  void endElement(std::string_view name) override {
    if (name == "t") {
      inText_ = false;
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (name == "si" && inItem_) {
      inItem_ = false;
      finishItem();
    }
  }
  void characters(std::string_view text) override {
    if (!inText_ || raw_.size() > table_.maxStringBytes_ + 16) return;
    raw_.append(text);
  }

 private:
  void finishItem() {
    // The escapes are decoded per item so that one split across two character events works.
    appendUnescaped(text_, raw_);
    raw_.clear();
    truncateUtf8(text_, table_.maxStringBytes_);
    if (index_ >= table_.loaded()) {
      if (table_.loaded() >= table_.maxCount_)
        throw Failure("The workbook holds more distinct texts than this program can read.");
      table_.buffer_ += text_;
      table_.offsets_.push_back(table_.buffer_.size());
    }
    ++index_;
    if (index_ >= wanted_) stopRequested = true;
  }

  SharedStringTable& table_;
  std::size_t wanted_;
  std::size_t index_ = 0;
  int phonetic_ = 0;
  bool inItem_ = false;
  bool inText_ = false;
  std::string raw_;
  std::string text_;
};

SharedStringTable::SharedStringTable(const container::ZipArchive& zip, std::string part,
                                     std::uint64_t maxPartBytes, std::size_t maxStringBytes,
                                     std::size_t maxCount)
    : maxStringBytes_(maxStringBytes), maxCount_(maxCount), complete_(part.empty()) {
  scan_ = [&zip, part = std::move(part), maxPartBytes](container::XmlHandler& handler) {
    container::scanXmlPart(zip, part, handler, maxPartBytes);
  };
}

SharedStringTable::SharedStringTable(std::string_view xml, std::size_t maxStringBytes,
                                     std::size_t maxCount)
    : maxStringBytes_(maxStringBytes), maxCount_(maxCount) {
  scan_ = [xml](container::XmlHandler& handler) {
    container::scanXmlText(xml, "xl/sharedStrings.xml", handler);
  };
}

void SharedStringTable::readUpTo(std::size_t count) {
  // Each pass reads from the start of the part (a zip entry cannot be resumed), so passes ask
  // for at least twice as many strings as are loaded: the total work stays linear.
  const std::size_t wanted = std::max({count, loaded() * 2, std::size_t{4096}});
  SharedStringsHandler handler(*this, wanted);
  scan_(handler);
  if (!handler.stopRequested) complete_ = true;
}

std::string_view SharedStringTable::at(std::size_t index) {
  if (index >= loaded() && !complete_) readUpTo(index + 1);
  if (index >= loaded())
    throw Failure("The workbook is damaged: a cell refers to shared text number " +
                  std::to_string(index) + ", but the workbook holds only " +
                  std::to_string(loaded()) + ".");
  return std::string_view(buffer_).substr(offsets_[index], offsets_[index + 1] - offsets_[index]);
}

}  // namespace lomandra::xlsx
