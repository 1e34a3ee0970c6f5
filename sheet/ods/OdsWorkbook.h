#pragma once

// The OpenDocument spreadsheet reader: a zip package (.ods, .ots) or a flat XML document (.fods).
// Each cell's text is the paragraphs the writing application put into it, which is what that
// application displays.

#include <memory>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::ods {

/// Opens the OpenDocument spreadsheet at `path` (zip package or flat XML). Reads the sheet list
/// and the active sheet; sheets are read when asked for. Throws lomandra::Failure.
std::unique_ptr<model::WorkbookFile> openOds(const std::string& path);

/// True when `firstBytes` (the start of a file, ideally 4 KiB or more) begin a flat OpenDocument
/// spreadsheet: an optional byte order mark, XML declaration and comments, then an
/// `office:document` root that does not name another document type.
bool looksLikeFlatOds(std::string_view firstBytes);

/// True when the zip package at `path` is an OpenDocument spreadsheet: its `mimetype` entry says
/// so or, when that entry is missing, its content part (content.xml) holds a spreadsheet body.
/// False for anything else, a package that cannot be read included.
bool isOdsPackage(const std::string& path);

}  // namespace lomandra::ods
