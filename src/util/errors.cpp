#include "util/errors.h"

#include <new>

#include "util/log.h"
#include "util/text.h"

namespace veltra {

namespace {

const char* const kAborted = "Proceso Abortado....";

}  // namespace

InputError::InputError(const std::string& message, int around, Listed listed)
    : std::runtime_error(message), around_(around), listed_(listed) {}

void InputError::Report(MessageLog& log) const {
  if (what()[0] != '\0') log.Error(what(), around_, listed_);
}

RunStop::RunStop(int exitCode, bool saveErrors, int pauseMs) : InputError(std::string()) {
  ExitCode = exitCode;
  SaveErrors = saveErrors;
  PauseMs = pauseMs;
}

void FileError::Report(MessageLog& log) const {
  log.Line();
  log.Line(what());
  log.Line(kAborted);
}

void NumberFormatError::Report(MessageLog& log) const {
  log.Line();
  log.Error(Printf("ERROR - Valor no numerico: %s", what()));
  log.Line(kAborted);
}

void ReportProgramFault(const std::exception& fault, MessageLog& log) {
  log.Line();
  log.Line(dynamic_cast<const std::bad_alloc*>(&fault) != nullptr ? "ERROR - Memoria insuficiente." : fault.what());
  log.Line(kAborted);
}

}  // namespace veltra
