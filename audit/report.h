// The inspection program's two outputs: a readable report and one JSON
// document with the same content, for collection from many stations.
#pragma once

#include <ostream>
#include <string>

#include "audit/audit.h"
#include "audit/tree_check.h"

namespace audit {

// "up_to_date", "update_available", "problems" or "unreachable".
const char* ResultName(int exitCode);

void PrintReport(const Inspection& inspection, std::ostream& out);
std::string ReportJson(const Inspection& inspection);

void PrintTreeReport(const TreeReport& report, std::ostream& out);
std::string TreeReportJson(const TreeReport& report);

}  // namespace audit
