#pragma once

#include <QStringList>

#include "cli/ResultTexts.h"
#include "cli/WorkbookMerge.h"

namespace lomandra::cli {

/// Runs lomandra-merge on `arguments` (without the program name) and returns its exit status:
/// 0 when everything was read; 1 when a reference failed or, with --workbook/--workbooks, a
/// workbook could not be opened (a damaged sheet fails its reference); 2 for bad usage, when no
/// workbook could be opened, or when a --save FILE cannot be written.
/// `readStandardInput` gives all of standard input (for "--workbooks -").
int runMergeTool(const QStringList& arguments, const ToolStreams& streams,
                 const std::function<QByteArray()>& readStandardInput = {});

}  // namespace lomandra::cli
