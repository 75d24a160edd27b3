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

// The readable reports print every text with plat::PrintableText: names,
// pages and answers come from a server, and must not drive the terminal.
void PrintReport(const Inspection& inspection, std::ostream& out);
void PrintTreeReport(const TreeReport& report, std::ostream& out);

// The JSON documents (audit/json_text.h) begin with their identity (CurrentIdentity):
// "schemaVersion", "tool", "toolVersion", "computer", "time".
std::string ReportJson(const Inspection& inspection);
std::string TreeReportJson(const TreeReport& report);

// A version triple in the one form of package names: 5.10.0023.
std::string VersionText(const vocab::VersionTriple& version);

}  // namespace audit
