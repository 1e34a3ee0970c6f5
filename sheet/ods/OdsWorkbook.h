#pragma once

// The OpenDocument spreadsheet reader: a zip package (.ods, .ots) or a flat XML document (.fods).
// Each cell's text is the paragraphs the writing application put into it, which is what that
// application displays.

#include <memory>
#include <string>
#include <string_view>

#include "sheet/model/WorkbookFile.h"

namespace lomandra::container {
class ZipArchive;
}

namespace lomandra::ods {

/// Opens the OpenDocument spreadsheet at `path` (zip package or flat XML). Reads the sheet list
/// and the active sheet; sheets are read when asked for. Throws lomandra::Failure.
std::unique_ptr<model::WorkbookFile> openOds(const std::string& path);

/// True when `firstBytes` (the start of a file, ideally 4 KiB or more) begin a flat OpenDocument
/// spreadsheet: in UTF-8 or UTF-16 (with or without a byte order mark), an XML declaration and
/// comments, then a `document` root of the OpenDocument office namespace (under any prefix the
/// root binds to it, or the usual `office:`) that does not name another document type.
bool looksLikeFlatOds(std::string_view firstBytes);

/// Reads the OpenDocument package `zip`, already open, of the file at `path`.
std::unique_ptr<model::WorkbookFile> openOdsPackage(std::unique_ptr<container::ZipArchive> zip,
                                                    const std::string& path);

/// True when the zip package at `path` is an OpenDocument spreadsheet: its `mimetype` entry says
/// so or, when that entry is missing, its content part (content.xml) holds a spreadsheet body.
/// False for anything else, a package that cannot be read included.
bool isOdsPackage(const std::string& path);
/// The same test on a package already open.
bool isOdsPackage(const container::ZipArchive& zip);

}  // namespace lomandra::ods
