// Validates a JSON result document against docs/json-result.schema.json with
// the jsonschema validator of the system's Python (Debian python3-jsonschema),
// through tests/support/validate_json_result.py.
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/support/subprocess.h"

namespace dravanta {

// Empty when the document at path is valid; otherwise what is wrong. The
// source tree comes from DRAVANTA_SOURCE_DIR.
inline std::string JsonResultProblems(const std::string& path) {
  const char* source = std::getenv("DRAVANTA_SOURCE_DIR");
  if (source == nullptr) return "DRAVANTA_SOURCE_DIR is not set";
  const std::string root = source;
  const SubprocessRun run = RunSubprocess(
      {.arguments = {"/usr/bin/python3", root + "/tests/support/validate_json_result.py",
                     root + "/docs/json-result.schema.json", path}},
      std::chrono::seconds(60));
  if (run.exit_code == 0) return {};
  return "validator exit " + std::to_string(run.exit_code) + ": " + run.errors;
}

}  // namespace dravanta
