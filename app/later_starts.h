#pragma once
// What a later start of the program asks of the running one: its windows back in front,
// restored if minimised, and the files it was given played the way files on this program's
// own command line are. A request that comes while the main window's start-up still runs
// (its handle prompt is open) waits for the start-up to end.
#include <functional>
#include <string>
#include <vector>

#include "app/program.h"

namespace rv::app {

class LaterStarts {
  public:
    // `bring_back` restores and raises every window of the program.
    LaterStarts(Program& program, std::function<void()> bring_back)
        : m_program(program), m_bring_back(std::move(bring_back)) {}

    // The main window's start-up has run, and so have the files of this start's own command
    // line: the files of a request that came meanwhile play now.
    void started();
    // A later start's request, with the files it was given (absolute paths, maybe none).
    void request(const std::vector<std::string>& files);

  private:
    Program& m_program;
    std::function<void()> m_bring_back;
    bool m_started = false;
    std::vector<std::string> m_waiting;
};

}  // namespace rv::app
