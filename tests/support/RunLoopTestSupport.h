// Helpers of the run-loop, series and runner tests: file reading, and a
// RunDisplay that records what the loop asks of it.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/EngineTestSupport.h"
#include "engine/Model.h"
#include "engine/RunLoop.h"
#include "state/SimState.h"

namespace morvane::testing {

inline std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteWholeFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

// Lines of a file whose lines end with CR LF; fails the test on a bare LF or
// a missing line end.
inline std::vector<std::string> CrLfLines(const std::string &content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "content does not end with CR LF";
      break;
    }
    lines.push_back(content.substr(start, end - start));
    if (lines.back().find('\n') != std::string::npos)
      ADD_FAILURE() << "bare LF in a line";
    start = end + 2;
  }
  return lines;
}

inline std::vector<std::string> TabFields(const std::string &line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos)
      break;
    start = tab + 1;
  }
  return fields;
}

// Records every call of the loop in order; ProcessPendingEvents runs an
// optional hook, the stand-in for another window's event handler.
class RecordingDisplay : public RunDisplay {
public:
  struct Shown {
    std::uint32_t generation;
    double deltaP;
    double deltaQ;
  };

  void ShowProgress() override { calls.push_back("show"); }
  void DisplayProgress(std::uint32_t generation, double deltaP, double deltaQ) override {
    calls.push_back("display");
    shown.push_back({generation, deltaP, deltaQ});
    ++displayCalls;
    if (onDisplay)
      onDisplay(displayCalls);
  }
  void ProcessPendingEvents() override {
    calls.push_back("events");
    ++eventRounds;
    if (onEvents)
      onEvents(eventRounds);
  }
  void HideProgress() override { calls.push_back("hide"); }
  void HandOver(Model model) override {
    calls.push_back("handover");
    handedOver.push_back(model);
  }

  std::vector<std::string> calls;
  std::vector<Shown> shown;
  std::vector<Model> handedOver;
  int eventRounds = 0;
  int displayCalls = 0;
  std::function<void(int round)> onEvents;
  std::function<void(int call)> onDisplay;
};

} // namespace morvane::testing
