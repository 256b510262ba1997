// The run report page at the end of the run: gathered from the run's tables, the settings and
// the files the run wrote (print files for the performance index, the drawings' pictures).
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "output/run_report.h"
#include "state/run.h"

namespace veltra {

// The regular files of the working directory with their modification times.
std::map<std::string, std::filesystem::file_time_type> FilesInWorkingDirectory();

RunReport GatherRunReport(const Run& run);

// Writes the page; a page that cannot be written is reported in the log and the run goes on,
// since every specified output is already written.
void WriteRunReportFile(Run& run, const std::string& fileName);

}  // namespace veltra
