// The scanning server of the browser tests: the fake server of
// tests/support on a free loopback port, with a few engines, knowing every
// file as clean except those whose SHA-1 signatures are named on the command
// line, which it reports infected by two of its engines.
//
//   e2e_scan_server ENGINES [--hold] [SIGNATURE=THREAT ...]
//
// Prints "url <address>" on standard output and serves until standard input
// is closed. With --hold every lookup waits (at most a minute) until the
// line "release" arrives on standard input, so that a scan stays running.
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ascii.h"
#include "tests/support/fake_scan_server.h"

namespace {

std::string Threat(const std::string& name) {
  return "<threat_name><![CDATA[" + name + "]]></threat_name>";
}

std::string EngineResult(int engine, int result, const std::string& threat) {
  return "<engine_result><engine_name>engine" + std::to_string(engine) + "</engine_name>" +
         Threat(threat) + "<scan_result>" + std::to_string(result) +
         "</scan_result></engine_result>";
}

// One object of a "scanmultiple" answer: clean, or infected with the
// verdict of each engine (1 detected, 0 not detected, 2 suspicious).
std::string LookupObject(const std::string& signature, const std::string* threat, int engines) {
  std::string object = "<object><signature>" + signature + "</signature>";
  if (threat == nullptr) return object + "<final_scan_result>0</final_scan_result></object>";
  object += "<final_scan_result>1</final_scan_result>" + Threat(*threat) + "<engine_results>";
  for (int e = 1; e <= engines; ++e) {
    if (e == 1)
      object += EngineResult(e, 1, *threat);
    else if (e == 2)
      object += EngineResult(e, 2, "Suspicious.Generic");
    else
      object += EngineResult(e, 0, "");
  }
  return object + "</engine_results></object>";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: e2e_scan_server ENGINES [SIGNATURE=THREAT ...]\n";
    return 2;
  }
  const int engines = std::stoi(argv[1]);
  std::map<std::string, std::string> infected;  // lower-case signature -> threat
  bool hold = false;
  std::atomic<bool> released{false};
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--hold") {
      hold = true;
      continue;
    }
    auto equals = arg.find('=');
    if (equals == std::string::npos) {
      std::cerr << "e2e_scan_server: expected SIGNATURE=THREAT, got " << arg << "\n";
      return 2;
    }
    infected[dravanta::AsciiLower(arg.substr(0, equals))] = arg.substr(equals + 1);
  }

  dravanta::FakeScanServer server;
  server.SetEngines(engines);
  server.SetHandler("scanmultiple", [&](const dravanta::RecordedRequest& request) {
    for (int waited = 0; hold && !released && waited < 3000; ++waited) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string document =
        "<?xml version=\"1.0\" "
        "encoding=\"utf-8\"?><method_response><name>scanmultiple</name><objects>";
    std::stringstream list(request.body);
    std::string signature;
    while (!request.body.empty() && std::getline(list, signature, '|')) {
      auto found = infected.find(dravanta::AsciiLower(signature));
      document +=
          LookupObject(signature, found != infected.end() ? &found->second : nullptr, engines);
    }
    return dravanta::ScriptedAnswer{.body = document + "</objects></method_response>"};
  });
  if (!server.Start()) {
    std::cerr << "e2e_scan_server: cannot listen on the loopback address\n";
    return 1;
  }
  std::cout << "url " << server.Url() << std::endl;

  // Serve until the test closes our standard input.
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "release") released = true;
  }
  released = true;
  server.Stop();
  return 0;
}
