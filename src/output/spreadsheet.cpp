#include "output/spreadsheet.h"

namespace veltra {

void WriteSpreadsheetReport(Run&, int) {}

}  // namespace veltra
