// Validates a JSON result document against docs/json-result.schema.json with
// the jsonschema validator of the system's Python (Debian python3-jsonschema),
// through tests/support/validate_json_result.py.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/run_program.h"

namespace dravanta {

// Empty when the document at path is valid; otherwise what is wrong. The
// source tree comes from DRAVANTA_SOURCE_DIR.
inline std::string JsonResultProblems(const std::string& path) {
  const char* source = std::getenv("DRAVANTA_SOURCE_DIR");
  if (source == nullptr) return "DRAVANTA_SOURCE_DIR is not set";
  const std::string root = source;
  const ProgramRun run =
      RunProgram({"/usr/bin/python3", root + "/tests/support/validate_json_result.py",
                  root + "/docs/json-result.schema.json", path},
                 60);
  if (run.exitCode == 0) return {};
  return "validator exit " + std::to_string(run.exitCode) + ": " + run.standardError;
}

}  // namespace dravanta
